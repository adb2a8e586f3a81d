// Directory links on the simulated machine: a host symbolic link to a folder stands for a
// junction or a directory symbolic link, which Windows treats as a folder of its own: it is
// removed with RemoveDirectoryW (the link goes, not what it leads to), never DeleteFileW.
// The link itself reports FILE_ATTRIBUTE_REPARSE_POINT beside the directory attribute.
#include <winsim/Machine.h>

#include <filesystem>
#include <vector>

namespace fs = std::filesystem;
using winsim::M;

namespace winsim
{
bool IsDirectoryLink(const std::string& hostPath)
{
    std::error_code ec;
    return fs::is_symlink(fs::symlink_status(hostPath, ec)) && fs::is_directory(fs::status(hostPath, ec));
}

// The attributes of a file, a folder or a link: of the link itself when `linkItself`, else
// of what it leads to.
DWORD LinkAttributes(const std::string& hostPath, bool linkItself)
{
    std::error_code ec;
    bool isLink = fs::is_symlink(fs::symlink_status(hostPath, ec));
    DWORD attributes = fs::is_directory(fs::status(hostPath, ec)) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    if (isLink && linkItself) attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    return attributes;
}
}  // namespace winsim

BOOL RemoveDirectoryW(LPCWSTR pathName)
{
    if (winsim::Fails("RemoveDirectoryW")) return FALSE;
    std::string host = M().HostPath(pathName ? pathName : L"");
    std::error_code ec;
    auto status = fs::symlink_status(host, ec);
    if (!fs::exists(status)) {
        M().lastError =
            fs::is_directory(fs::path(host).parent_path(), ec) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
        return FALSE;
    }
    if (winsim::IsDirectoryLink(host)) {
        fs::remove(host, ec);
        return TRUE;
    }
    if (!fs::is_directory(status)) {
        M().lastError = ERROR_DIRECTORY;
        return FALSE;
    }
    if (!fs::is_empty(host, ec)) {
        M().lastError = ERROR_DIR_NOT_EMPTY;
        return FALSE;
    }
    fs::remove(host, ec);
    return TRUE;
}

// A link needs SeCreateSymbolicLinkPrivilege, which an elevated administrator holds; the
// unprivileged flag does not stand in for it (it needs developer mode, not modelled).
BOOLEAN CreateSymbolicLinkW(LPCWSTR symlinkFileName, LPCWSTR targetFileName, DWORD flags)
{
    if (winsim::Fails("CreateSymbolicLinkW")) return FALSE;
    if (symlinkFileName == nullptr || targetFileName == nullptr || *symlinkFileName == 0 || *targetFileName == 0 ||
        (flags & ~DWORD{SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE}) != 0) {
        M().lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    if (M().privilegesHeld.count(L"SeCreateSymbolicLinkPrivilege") == 0) {
        M().lastError = ERROR_PRIVILEGE_NOT_HELD;
        return FALSE;
    }
    std::vector<wchar_t> full(4096);
    if (GetFullPathNameW(symlinkFileName, 4096, full.data(), nullptr) == 0) return FALSE;
    std::wstring link = full.data();
    // A relative target is taken from the link's folder.
    std::wstring target = targetFileName;
    bool absolute = (target.size() >= 3 && target[1] == L':') || (target.size() >= 2 && target[0] == L'\\');
    if (!absolute) target = link.substr(0, link.find_last_of(L'\\') + 1) + target;
    if (GetFullPathNameW(target.c_str(), 4096, full.data(), nullptr) == 0) return FALSE;
    std::string host = M().HostPath(winsim::ProgramPath(link));
    std::error_code ec;
    if (fs::exists(fs::symlink_status(host, ec))) {
        M().lastError = ERROR_ALREADY_EXISTS;
        return FALSE;
    }
    if (!fs::is_directory(fs::path(host).parent_path(), ec)) {
        M().lastError = ERROR_PATH_NOT_FOUND;
        return FALSE;
    }
    fs::path to = M().HostPath(winsim::ProgramPath(full.data()));
    if (flags & SYMBOLIC_LINK_FLAG_DIRECTORY)
        fs::create_directory_symlink(to, host, ec);
    else
        fs::create_symlink(to, host, ec);
    if (ec) {
        M().lastError = ERROR_ACCESS_DENIED;
        return FALSE;
    }
    M().lastError = ERROR_SUCCESS;
    return TRUE;
}
