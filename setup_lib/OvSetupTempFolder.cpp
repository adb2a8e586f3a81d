#include "setup_lib/OvSetupTempFolder.h"

#include "setup_lib/OvAdministratorsMembership.h"
#include "setup_lib/OvSmartHandle.h"
#include "setup_lib/OvWinError.h"

#include <cwchar>

namespace OvSetupLib
{
namespace
{
// Administrators and SYSTEM full control, Users read and execute, nothing inherited
// from above: a folder an unprivileged user made first is taken back.
const wchar_t kFolderSecurity[] = L"O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)";
// ERROR_STOPPED_ON_SYMLINK, which not every set of headers names.
constexpr DWORD kStoppedOnLink = 681;

class OvFolderSecurity
{
public:
    OvFolderSecurity()
    {
        ThrowLastErrorIf(!ConvertStringSecurityDescriptorToSecurityDescriptorW(kFolderSecurity, SDDL_REVISION_1,
                                                                               descriptor_.Receive(), nullptr));
        BOOL present = FALSE;
        BOOL defaulted = FALSE;
        ThrowLastErrorIf(!GetSecurityDescriptorOwner(descriptor_.Get(), &owner_, &defaulted) ||
                         !GetSecurityDescriptorDacl(descriptor_.Get(), &present, &dacl_, &defaulted));
    }

    PSECURITY_DESCRIPTOR Descriptor() const { return descriptor_.Get(); }
    // Both point into the descriptor.
    PSID Owner() const { return owner_; }
    PACL Dacl() const { return dacl_; }

private:
    OvSecurityDescriptor descriptor_;
    PSID owner_ = nullptr;
    PACL dacl_ = nullptr;
};

// Whether this process holds the Administrators group; a failed query counts as yes,
// so the protected road is taken.
bool RunsAsAdministrator()
{
    return QueryAdministratorsMembership() != OvMembership::NotMet;
}

void CreateComponent(const OvMsiString& path)
{
    if (!CreateDirectoryW(path.c_str(), nullptr)) {
        DWORD error = LastErrorOfFailure();
        if (error != ERROR_ALREADY_EXISTS) throw OvWinError(error);
    }
}

// In a temp folder that existed, someone else may have left the name of a file about to be
// written as a link or as a second name of another file, for an elevated installer to write
// through: it goes. A plain file stays.
void RemoveLinkedFiles(const OvMsiString& folder, std::initializer_list<const wchar_t*> names)
{
    for (const wchar_t* name : names) {
        const OvMsiString path = folder + L"\\" + name;
        HANDLE handle =
            CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            DWORD error = LastErrorOfFailure();
            if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) continue;
            throw OvWinError(error);
        }
        BY_HANDLE_FILE_INFORMATION info{};
        {
            OvHandle file(handle);
            ThrowLastErrorIf(!GetFileInformationByHandle(file.Get(), &info));
        }
        const bool link = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            // A junction or directory link goes as a folder (the link, not what it leads to);
            // DeleteFileW refuses it, and it would fail every later run.
            if (link) ThrowLastErrorIf(!RemoveDirectoryW(path.c_str()));
        } else if (link || info.nNumberOfLinks > 1) {
            ThrowLastErrorIf(!DeleteFileW(path.c_str()));
        }
    }
}

// Whether the folder's owner is Administrators or SYSTEM: a folder they own was made by an
// installer or an elevated run, and its access list is the business of what lives below it.
bool OwnedByAdministratorsOrSystem(HANDLE folder)
{
    PSID owner = nullptr;  // points into the descriptor
    OvSecurityDescriptor descriptor;
    ThrowIfError(GetSecurityInfo(folder, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                                 descriptor.Receive()));
    return owner != nullptr &&
           (IsWellKnownSid(owner, WinBuiltinAdministratorsSid) || IsWellKnownSid(owner, WinLocalSystemSid));
}

// The temp folder, which this program writes into, gets the descriptor at birth, and again
// when it exists. A parent folder is made with the security it inherits; an existing one is
// taken over only when someone else than Administrators or SYSTEM owns it (a folder a user
// made in advance), and is otherwise left exactly as it is. Every existing folder is opened
// as itself, not followed, and refused when it is a link or not a folder.
void CreateSecureComponent(const OvMsiString& path, const OvFolderSecurity& security, bool holdsTheFiles,
                           std::initializer_list<const wchar_t*> filesToWrite)
{
    SECURITY_ATTRIBUTES attributes{sizeof attributes, security.Descriptor(), FALSE};
    if (CreateDirectoryW(path.c_str(), holdsTheFiles ? &attributes : nullptr)) return;
    DWORD error = LastErrorOfFailure();
    if (error != ERROR_ALREADY_EXISTS) throw OvWinError(error);

    HANDLE handle = CreateFileW(path.c_str(), READ_CONTROL | WRITE_DAC | WRITE_OWNER,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    ThrowLastErrorIf(handle == INVALID_HANDLE_VALUE);
    OvHandle folder(handle);
    BY_HANDLE_FILE_INFORMATION info{};
    ThrowLastErrorIf(!GetFileInformationByHandle(folder.Get(), &info));
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) throw OvWinError(kStoppedOnLink);
    if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) throw OvWinError(ERROR_DIRECTORY);
    if (!holdsTheFiles && OwnedByAdministratorsOrSystem(folder.Get())) return;
    ThrowIfError(
        SetSecurityInfo(folder.Get(), SE_FILE_OBJECT,
                        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                        security.Owner(), nullptr, security.Dacl(), nullptr));
    if (holdsTheFiles) RemoveLinkedFiles(path, filesToWrite);
}
}  // namespace

namespace
{
bool g_leaveUnmade = false;

// Builds the folder in `folder`, which names the folder being made when an error is thrown.
OvMsiString MakeSetupTempFolder(OvMsiString& folder, std::initializer_list<const wchar_t*> filesToWrite)
{
    HRESULT result =
        SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder.OpenBuffer(261));
    folder.CloseBuffer(-1);
    // E_FAIL still gives the path of a folder that does not exist yet.
    if (result != S_OK && result != E_FAIL) {
        folder.clear();
        // A Win32 error wrapped in a result is raised as itself.
        throw OvWinError(HRESULT_FACILITY(result) == FACILITY_WIN32 ? static_cast<DWORD>(HRESULT_CODE(result))
                                                                    : static_cast<DWORD>(result));
    }
    // No path at all would put the folders beside whatever the current folder is.
    if (folder.empty()) throw OvWinError(ERROR_PATH_NOT_FOUND);
    if (g_leaveUnmade) return folder + L"\\Orvale\\Setup\\Temp\\";
    // The common folder itself is missing then; the three below it need it.
    if (result == E_FAIL) CreateComponent(folder);

    // Only an administrator's run has something to lose to a folder prepared by someone
    // else; a plain user's run writes with the user's own rights, as it always did.
    if (!RunsAsAdministrator()) {
        for (const wchar_t* component : {L"\\Orvale", L"\\Setup", L"\\Temp"}) {
            folder += component;
            CreateComponent(folder);
        }
        return folder + L"\\";
    }
    OvFolderSecurity security;
    for (const wchar_t* component : {L"\\Orvale", L"\\Setup", L"\\Temp"}) {
        folder += component;
        CreateSecureComponent(folder, security, std::wcscmp(component, L"\\Temp") == 0, filesToWrite);
    }
    return folder + L"\\";
}
}  // namespace

void LeaveSetupTempFolderUnmade(bool leave)
{
    g_leaveUnmade = leave;
}

OvMsiString GetSetupTempFolder(std::initializer_list<const wchar_t*> filesToWrite)
{
    OvMsiString folder;
    try {
        return MakeSetupTempFolder(folder, filesToWrite);
    } catch (const OvWinError& error) {
        // The folder concerned goes with the error, for the box that tells the administrator.
        throw OvWinError(error.ErrorCode(), folder.empty() ? L"%ProgramData%\\Orvale\\Setup\\Temp" : folder.c_str());
    }
}
}  // namespace OvSetupLib
