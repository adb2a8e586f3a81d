// Modules of the simulated process: handles by base name, loading and freeing with
// reference counts, the DLL search settings, and the delay-load helper's first call.
#include <winsim/Machine.h>

#include <cstdint>

using winsim::M;

namespace
{
// Fake module handles: the program's own module, then the system libraries by name.
HMODULE const kProgramModule = reinterpret_cast<HMODULE>(static_cast<std::uintptr_t>(0x400000));

constexpr DWORD kAsData = 0x00000002 | 0x00000020 | 0x00000040;  // data file, image resource, exclusive data file
// Every flag that LoadLibraryExW knows; the LOAD_LIBRARY_SEARCH_* ones among them.
constexpr DWORD kLoadFlags = 0x0000FFFB;
constexpr DWORD kSearchFlags = 0x00001F00 | 0x00004000;
// The folders that SetDefaultDllDirectories may name.
constexpr DWORD kDefaultDirectoryFlags = LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_USER_DIRS |
                                         LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS;

std::string ModuleKey(const std::wstring& name)
{
    std::string n = winsim::Narrow(winsim::Upper(name));
    std::size_t slash = n.find_last_of("\\/");
    if (slash != std::string::npos) n = n.substr(slash + 1);
    if (n.size() > 4 && n.compare(n.size() - 4, 4, ".DLL") == 0) n = n.substr(0, n.size() - 4);
    for (auto& c : n)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return n;
}

// A missing module may be named as "ntdll" or "ntdll.dll", in any case, with or without a folder.
bool IsMissingModule(const std::string& key)
{
    for (const auto& name : M().missingModules) {
        if (ModuleKey(name) == key) return true;
    }
    return false;
}

std::map<std::string, HMODULE>& ModuleHandles()
{
    static std::map<std::string, HMODULE> m;
    return m;
}

HMODULE HandleForModule(const std::string& key)
{
    auto& m = ModuleHandles();
    auto it = m.find(key);
    if (it != m.end()) return it->second;
    HMODULE h = reinterpret_cast<HMODULE>(static_cast<std::uintptr_t>(0x10000000 + 0x10000 * (m.size() + 1)));
    m[key] = h;
    return h;
}

bool Loaded(const std::string& key)
{
    auto it = M().loadedModules.find(key);
    return it != M().loadedModules.end() && it->second > 0;
}
}  // namespace

namespace winsim
{
HMODULE ProgramModule()
{
    return kProgramModule;
}

std::string ModuleNameOf(HMODULE module)
{
    for (auto& [k, v] : ModuleHandles()) {
        if (v == module) return k;
    }
    return {};
}

void EnterDelayLoaded(const char* dll)
{
    std::string key = ModuleKey(Widen(dll));
    if (M().delayBound.count(key) != 0) return;
    // The helper loads the DLL by its bare name; the call's own last error is its business.
    DWORD saved = M().lastError;
    if (LoadLibraryExW(Widen(dll).c_str(), nullptr, 0) == nullptr) throw DelayLoadFailure{Widen(dll), M().lastError};
    M().delayBound.insert(key);
    M().lastError = saved;
}
}  // namespace winsim

HMODULE GetModuleHandleW(LPCWSTR moduleName)
{
    if (moduleName == nullptr) return kProgramModule;
    if (winsim::Fails("GetModuleHandleW")) return nullptr;
    std::string key = ModuleKey(moduleName);
    if (IsMissingModule(key) || !Loaded(key)) {
        M().lastError = ERROR_MOD_NOT_FOUND;
        return nullptr;
    }
    return HandleForModule(key);
}

HMODULE LoadLibraryW(LPCWSTR fileName)
{
    return LoadLibraryExW(fileName, nullptr, 0);
}

HMODULE LoadLibraryExW(LPCWSTR fileName, HANDLE, DWORD flags)
{
    // Unknown flags, and the altered search path mixed with the search folders, are refused.
    if (fileName == nullptr || (flags & ~kLoadFlags) != 0 ||
        ((flags & LOAD_WITH_ALTERED_SEARCH_PATH) != 0 && (flags & kSearchFlags) != 0)) {
        M().lastError = ERROR_INVALID_PARAMETER;
        return nullptr;
    }
    M().loadedLibraries.push_back(fileName);
    std::string key = ModuleKey(fileName);
    // A module already loaded is found by its base name, wherever it came from, and only
    // counted again: that cannot fail. Any other is searched for, and with redirection off
    // a 32-bit process finds the 64-bit copy in System32, which it cannot load.
    if (Loaded(key) && !IsMissingModule(key)) {
        ++M().loadedModules[key];
        return HandleForModule(key);
    }
    if (winsim::Fails("LoadLibraryW")) return nullptr;
    if (IsMissingModule(key)) {
        M().lastError = ERROR_MOD_NOT_FOUND;
        return nullptr;
    }
    if ((flags & kAsData) == 0 && M().wow64 && M().redirectionDisabled) {
        M().lastError = ERROR_BAD_EXE_FORMAT;
        return nullptr;
    }
    ++M().loadedModules[key];
    return HandleForModule(key);
}

BOOL FreeLibrary(HMODULE module)
{
    std::string key = winsim::ModuleNameOf(module);
    if (module == nullptr || key.empty() || !Loaded(key)) {
        M().lastError = module == nullptr ? ERROR_INVALID_HANDLE : ERROR_MOD_NOT_FOUND;
        return FALSE;
    }
    --M().loadedModules[key];
    return TRUE;
}

BOOL SetDllDirectoryW(LPCWSTR pathName)
{
    M().dllDirectoryCleared = pathName != nullptr && *pathName == 0;
    return TRUE;
}

BOOL SetDefaultDllDirectories(DWORD directoryFlags)
{
    if (directoryFlags == 0 || (directoryFlags & ~kDefaultDirectoryFlags) != 0) {
        M().lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    M().dllDirectoryFlags = directoryFlags;
    return TRUE;
}
