// Security descriptors in their text form: the descriptor keeps the owner and DACL
// texts, and what a folder was given is recorded on the machine.
#include <winsim/Machine.h>

#include <cstring>
#include <cwchar>

using winsim::M;

namespace winsim
{
// The host path of a file or folder handle (files.cpp); false for other handles.
bool HostPathOfHandle(HANDLE handle, std::string& hostPath);

namespace
{
constexpr DWORD kOwnerMagic = 0x4F574E52u;
constexpr DWORD kDaclMagic = 0x4441434Cu;

struct SimOwner {
    DWORD magic;
    wchar_t text[64];
};
struct SimDacl {
    ACL acl;  // first, so a PACL is the address of the whole
    DWORD magic;
    wchar_t text[512];
};
struct SimDescriptor {
    SimOwner owner;
    SimDacl dacl;
    bool hasOwner;
    bool hasDacl;
};

bool Copy(wchar_t* target, std::size_t capacity, const std::wstring& text)
{
    if (text.size() >= capacity) return false;
    std::wmemcpy(target, text.c_str(), text.size() + 1);
    return true;
}
}  // namespace

// The descriptor's owner and DACL texts, for CreateDirectoryW's record.
bool DescriptorTexts(const void* descriptor, std::wstring& owner, std::wstring& dacl)
{
    const auto* d = static_cast<const SimDescriptor*>(descriptor);
    if (d == nullptr || d->owner.magic != kOwnerMagic || d->dacl.magic != kDaclMagic) return false;
    owner = d->hasOwner ? d->owner.text : L"";
    dacl = d->hasDacl ? d->dacl.text : L"";
    return true;
}
}  // namespace winsim

BOOL ConvertStringSecurityDescriptorToSecurityDescriptorW(LPCWSTR text, DWORD revision,
                                                          PSECURITY_DESCRIPTOR* descriptor, PULONG size)
{
    if (winsim::Fails("ConvertStringSecurityDescriptorToSecurityDescriptorW")) return FALSE;
    if (text == nullptr || descriptor == nullptr || revision != SDDL_REVISION_1) {
        M().lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    std::wstring all(text);
    std::wstring owner, dacl;
    bool hasOwner = false;
    std::size_t daclAt = all.find(L"D:");
    if (all.compare(0, 2, L"O:") == 0) {
        hasOwner = true;
        owner = all.substr(2, daclAt == std::wstring::npos ? std::wstring::npos : daclAt - 2);
    } else if (daclAt != 0) {
        M().lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    bool hasDacl = daclAt != std::wstring::npos;
    if (hasDacl) dacl = all.substr(daclAt + 2);
    auto* d = static_cast<winsim::SimDescriptor*>(LocalAlloc(LMEM_ZEROINIT, sizeof(winsim::SimDescriptor)));
    if (d == nullptr) return FALSE;
    d->owner.magic = winsim::kOwnerMagic;
    d->dacl.magic = winsim::kDaclMagic;
    d->hasOwner = hasOwner;
    d->hasDacl = hasDacl;
    if (!winsim::Copy(d->owner.text, 64, owner) || !winsim::Copy(d->dacl.text, 512, dacl) ||
        (hasOwner && owner.empty())) {
        LocalFree(d);
        M().lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    *descriptor = d;
    if (size != nullptr) *size = sizeof(winsim::SimDescriptor);
    return TRUE;
}

BOOL GetSecurityDescriptorOwner(PSECURITY_DESCRIPTOR descriptor, PSID* owner, LPBOOL defaulted)
{
    auto* d = static_cast<winsim::SimDescriptor*>(descriptor);
    if (d == nullptr || owner == nullptr || d->owner.magic != winsim::kOwnerMagic) {
        M().lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    *owner = d->hasOwner ? &d->owner : nullptr;
    if (defaulted != nullptr) *defaulted = FALSE;
    return TRUE;
}

BOOL GetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR descriptor, LPBOOL present, PACL* dacl, LPBOOL defaulted)
{
    auto* d = static_cast<winsim::SimDescriptor*>(descriptor);
    if (d == nullptr || present == nullptr || dacl == nullptr || d->dacl.magic != winsim::kDaclMagic) {
        M().lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    *present = d->hasDacl ? TRUE : FALSE;
    *dacl = d->hasDacl ? &d->dacl.acl : nullptr;
    if (defaulted != nullptr) *defaulted = FALSE;
    return TRUE;
}

DWORD SetSecurityInfo(HANDLE handle, SE_OBJECT_TYPE type, SECURITY_INFORMATION what, PSID owner, PSID, PACL dacl, PACL)
{
    if (winsim::Fails("SetSecurityInfo")) return M().lastError;
    std::string host;
    if (type != SE_FILE_OBJECT || !winsim::HostPathOfHandle(handle, host)) return ERROR_INVALID_HANDLE;
    winsim::Machine::SecurityRecord record{"SetSecurityInfo", host, L"", L""};
    if (what & OWNER_SECURITY_INFORMATION) {
        const auto* o = static_cast<const winsim::SimOwner*>(owner);
        if (o == nullptr || o->magic != winsim::kOwnerMagic) return ERROR_INVALID_PARAMETER;
        record.owner = o->text;
    }
    if (what & DACL_SECURITY_INFORMATION) {
        const auto* a = reinterpret_cast<const winsim::SimDacl*>(dacl);
        if (a == nullptr || a->magic != winsim::kDaclMagic) return ERROR_INVALID_PARAMETER;
        record.dacl = a->text;
        // Protection is a flag of the call here, not of the list.
        if ((what & PROTECTED_DACL_SECURITY_INFORMATION) && record.dacl.compare(0, 1, L"P") != 0)
            record.dacl = L"P" + record.dacl;
        if (!(what & PROTECTED_DACL_SECURITY_INFORMATION) && record.dacl.compare(0, 1, L"P") == 0)
            record.dacl.erase(0, 1);
    }
    if (what & OWNER_SECURITY_INFORMATION) M().owners[host] = record.owner;
    M().securityRecords.push_back(record);
    return ERROR_SUCCESS;
}

DWORD GetSecurityInfo(HANDLE handle, SE_OBJECT_TYPE type, SECURITY_INFORMATION what, PSID* owner, PSID*, PACL*, PACL*,
                      PSECURITY_DESCRIPTOR* descriptor)
{
    if (winsim::Fails("GetSecurityInfo")) return M().lastError;
    std::string host;
    if (type != SE_FILE_OBJECT || !winsim::HostPathOfHandle(handle, host)) return ERROR_INVALID_HANDLE;
    // Only the owner is simulated.
    if (what != OWNER_SECURITY_INFORMATION || owner == nullptr || descriptor == nullptr) return ERROR_INVALID_PARAMETER;
    auto* d = static_cast<winsim::SimDescriptor*>(LocalAlloc(LMEM_ZEROINIT, sizeof(winsim::SimDescriptor)));
    if (d == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
    d->owner.magic = winsim::kOwnerMagic;
    d->dacl.magic = winsim::kDaclMagic;
    d->hasOwner = true;
    auto it = M().owners.find(host);
    if (!winsim::Copy(d->owner.text, 64, it == M().owners.end() ? std::wstring(L"BA") : it->second)) {
        LocalFree(d);
        return ERROR_INVALID_PARAMETER;
    }
    *owner = &d->owner;
    *descriptor = d;
    return ERROR_SUCCESS;
}

BOOL IsWellKnownSid(PSID sid, WELL_KNOWN_SID_TYPE type)
{
    const auto* o = static_cast<const winsim::SimOwner*>(sid);
    if (o == nullptr || o->magic != winsim::kOwnerMagic) return FALSE;
    const std::wstring text = o->text;
    if (type == WinBuiltinAdministratorsSid) return text == L"BA" || text == L"S-1-5-32-544";
    if (type == WinLocalSystemSid) return text == L"SY" || text == L"S-1-5-18";
    return FALSE;
}
