// The registry of the simulated machine. Keys live in M().registry under the paths
// that Machine::RegistryPath builds; an HKEY handed out is a kernel-table handle of
// an open key, so leaked keys show in M().OpenHandles().
//
// Views: KEY_WOW64_64KEY selects the 64-bit view and KEY_WOW64_32KEY the 32-bit one.
// Without either flag the simulated program, a 32-bit process, sees the 32-bit view
// when M().wow64 is true, but only where Windows keeps two: HKLM\SOFTWARE and
// HKEY_CLASSES_ROOT. Everything else of HKLM (SYSTEM, HARDWARE) is one key for both,
// stored as the 64-bit view, whatever the flags say. When M().wow64 is false the
// machine is 32-bit Windows with a single registry, which is stored as the 64-bit
// (native) view, and both flags are ignored there. HKEY_CURRENT_USER has one view.
#include <winsim/Machine.h>

#include <cstring>
#include <memory>

using winsim::M;

namespace
{
struct KeyObject : winsim::Object {
    HKEY root = nullptr;
    std::wstring path;  // below the root, without a trailing backslash
    bool view64 = true;
    REGSAM access = 0;
};

bool IsRoot(HKEY key)
{
    return key == HKEY_CLASSES_ROOT || key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE || key == HKEY_USERS;
}

bool View64(REGSAM desired)
{
    if (!M().wow64) return true;
    if (desired & KEY_WOW64_64KEY) return true;
    return false;
}

// The subtrees of which a 32-bit process sees its own copy.
bool HasTwoViews(HKEY root, const std::wstring& path)
{
    if (root == HKEY_CLASSES_ROOT) return true;
    if (root != HKEY_LOCAL_MACHINE) return false;
    const std::wstring software = L"SOFTWARE";
    return winsim::EqualNoCase(path.substr(0, software.size()), software) &&
           (path.size() == software.size() || path[software.size()] == L'\\');
}

std::shared_ptr<KeyObject> OpenKey(HKEY key)
{
    return std::dynamic_pointer_cast<KeyObject>(winsim::GetObject(key));
}

std::wstring Join(const std::wstring& a, const std::wstring& b)
{
    std::wstring p = a;
    if (!p.empty() && !b.empty()) p += L'\\';
    p += b;
    while (!p.empty() && p.back() == L'\\')
        p.pop_back();
    return p;
}

// Resolves a parent key and a subkey into (root, path, view). False: bad parent.
bool Resolve(HKEY key, LPCWSTR subKey, REGSAM desired, HKEY& root, std::wstring& path, bool& view64)
{
    std::wstring sub = subKey ? subKey : L"";
    if (IsRoot(key)) {
        root = key;
        path = Join(L"", sub);
        view64 = View64(desired) || !HasTwoViews(root, path);
        return true;
    }
    auto parent = OpenKey(key);
    if (!parent) return false;
    root = parent->root;
    path = Join(parent->path, sub);
    view64 = parent->view64;  // a subkey stays in its parent's view
    return true;
}

HKEY Hand(HKEY root, const std::wstring& path, bool view64, REGSAM desired)
{
    auto obj = std::make_shared<KeyObject>();
    obj->root = root;
    obj->path = path;
    obj->view64 = view64;
    obj->access = desired;
    return reinterpret_cast<HKEY>(winsim::NewHandle(obj));
}

winsim::RegistryKey* Find(HKEY root, const std::wstring& path, bool view64)
{
    auto& reg = M().registry;
    auto it = reg.find(winsim::Machine::RegistryPath(root, path, view64));
    return it == reg.end() ? nullptr : &it->second;
}

bool Allows(const KeyObject& k, REGSAM right)
{
    return (k.access & right) == right || (k.access & 0x10000000u) != 0;  // GENERIC_ALL
}
}  // namespace

LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD, REGSAM desired, PHKEY result)
{
    if (winsim::Fails("RegOpenKeyExW")) return static_cast<LONG>(M().lastError);
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    HKEY root;
    std::wstring path;
    bool view64;
    if (!Resolve(key, subKey, desired, root, path, view64)) return ERROR_INVALID_HANDLE;
    winsim::RegistryKey* k = Find(root, path, view64);
    if (k == nullptr) return ERROR_FILE_NOT_FOUND;
    if (k->openError != 0) return static_cast<LONG>(k->openError);
    *result = Hand(root, path, view64, desired);
    return ERROR_SUCCESS;
}

LONG RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD, LPWSTR, DWORD, REGSAM desired, LPSECURITY_ATTRIBUTES,
                     PHKEY result, LPDWORD disposition)
{
    if (winsim::Fails("RegCreateKeyExW")) return static_cast<LONG>(M().lastError);
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    HKEY root;
    std::wstring path;
    bool view64;
    if (!Resolve(key, subKey, desired, root, path, view64)) return ERROR_INVALID_HANDLE;
    winsim::RegistryKey* existing = Find(root, path, view64);
    if (existing != nullptr && existing->openError != 0) return static_cast<LONG>(existing->openError);
    if (existing == nullptr) {
        if (!IsRoot(key)) {
            auto parent = OpenKey(key);
            if (!Allows(*parent, KEY_CREATE_SUB_KEY)) return ERROR_ACCESS_DENIED;
        }
        M().Key(root, path, view64);
    }
    if (disposition) *disposition = existing ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
    *result = Hand(root, path, view64, desired);
    return ERROR_SUCCESS;
}

LONG RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD size)
{
    if (winsim::Fails("RegSetValueExW")) return static_cast<LONG>(M().lastError);
    auto k = OpenKey(key);
    if (!k) return ERROR_INVALID_HANDLE;
    if (!Allows(*k, KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
    if (data == nullptr && size != 0) return ERROR_INVALID_PARAMETER;
    winsim::RegistryKey& target = M().Key(k->root, k->path, k->view64);
    winsim::RegistryValue v;
    v.type = type;
    v.data.assign(data, data + size);
    target.values[valueName ? valueName : L""] = v;
    return ERROR_SUCCESS;
}

LONG RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD size)
{
    if (winsim::Fails("RegQueryValueExW")) return static_cast<LONG>(M().lastError);
    auto k = OpenKey(key);
    if (!k) return ERROR_INVALID_HANDLE;
    if (!Allows(*k, KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    if (data != nullptr && size == nullptr) return ERROR_INVALID_PARAMETER;
    winsim::RegistryValue* v = M().Value(k->root, k->path, valueName ? valueName : L"", k->view64);
    if (v == nullptr) return ERROR_FILE_NOT_FOUND;
    if (type) *type = v->type;
    DWORD needed = static_cast<DWORD>(v->data.size());
    if (data != nullptr) {
        if (*size < needed) {
            *size = needed;
            return ERROR_MORE_DATA;
        }
        if (needed) std::memcpy(data, v->data.data(), needed);
    }
    if (size) *size = needed;
    return ERROR_SUCCESS;
}

LONG RegDeleteValueW(HKEY key, LPCWSTR valueName)
{
    if (winsim::Fails("RegDeleteValueW")) return static_cast<LONG>(M().lastError);
    auto k = OpenKey(key);
    if (!k) return ERROR_INVALID_HANDLE;
    winsim::RegistryKey* target = Find(k->root, k->path, k->view64);
    if (target == nullptr || target->values.erase(valueName ? valueName : L"") == 0) return ERROR_FILE_NOT_FOUND;
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key)
{
    if (IsRoot(key)) return ERROR_SUCCESS;
    if (!OpenKey(key)) return ERROR_INVALID_HANDLE;
    DWORD saved = M().lastError;
    CloseHandle(reinterpret_cast<HANDLE>(key));
    M().lastError = saved;
    return ERROR_SUCCESS;
}

LONG RegDeleteKeyExW(HKEY key, LPCWSTR subKey, REGSAM view, DWORD)
{
    if (winsim::Fails("RegDeleteKeyExW")) return static_cast<LONG>(M().lastError);
    if (subKey == nullptr) return ERROR_INVALID_PARAMETER;
    HKEY root;
    std::wstring path;
    bool view64;
    if (!Resolve(key, subKey, view, root, path, view64)) return ERROR_INVALID_HANDLE;
    auto& reg = M().registry;
    const std::wstring full = winsim::Machine::RegistryPath(root, path, view64);
    auto it = reg.find(full);
    if (it == reg.end()) return ERROR_FILE_NOT_FOUND;
    // Only a key without subkeys is deleted.
    auto sub = reg.lower_bound(full + L"\\");
    if (sub != reg.end() && winsim::Upper(sub->first).rfind(winsim::Upper(full) + L"\\", 0) == 0)
        return ERROR_ACCESS_DENIED;
    reg.erase(it);
    return ERROR_SUCCESS;
}
