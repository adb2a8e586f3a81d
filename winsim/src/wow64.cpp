// WOW64: the 32-bit process on 64-bit Windows. Its file calls reaching System32 are
// redirected to SysWOW64 until the thread switches redirection off.
#include <winsim/Machine.h>

#include <cstdint>

using winsim::M;

namespace
{
// The parent of the system folder ("C:\Windows").
std::wstring SystemRoot()
{
    const std::wstring& system = M().systemDirectory;
    return system.substr(0, system.find_last_of(L'\\'));
}

// The part of `path` below `folder` ("" or "\..."), when `path` is the folder or lies in it.
bool Below(const std::wstring& path, const std::wstring& folder, std::wstring& rest)
{
    if (path.size() < folder.size() || !winsim::EqualNoCase(path.substr(0, folder.size()), folder)) return false;
    if (path.size() > folder.size() && path[folder.size()] != L'\\' && path[folder.size()] != L'/') return false;
    rest = path.substr(folder.size());
    return true;
}

// Subfolders of System32 that a 32-bit process shares with 64-bit ones.
bool Exempt(const std::wstring& rest)
{
    static const wchar_t* const kShared[] = {L"\\catroot", L"\\catroot2", L"\\drivers\\etc", L"\\logfiles", L"\\spool"};
    for (const wchar_t* shared : kShared) {
        std::wstring ignored;
        if (Below(rest, shared, ignored)) return true;
    }
    return false;
}
}  // namespace

namespace winsim
{
std::wstring ProgramPath(const std::wstring& windowsPath)
{
    if (!M().wow64) return windowsPath;
    std::wstring rest;
    // Sysnative is the way a redirected process names the real System32.
    if (Below(windowsPath, SystemRoot() + L"\\Sysnative", rest)) {
        return M().redirectionDisabled ? windowsPath : M().systemDirectory + rest;
    }
    if (M().redirectionDisabled || !Below(windowsPath, M().systemDirectory, rest) || Exempt(rest)) return windowsPath;
    return SystemRoot() + L"\\SysWOW64" + rest;
}

bool InSystemFolders(const std::wstring& windowsPath)
{
    std::size_t slash = windowsPath.find_last_of(L'\\');
    if (slash == std::wstring::npos) return false;
    std::wstring folder = windowsPath.substr(0, slash);
    return EqualNoCase(folder, M().systemDirectory) || EqualNoCase(folder, SystemRoot() + L"\\SysWOW64");
}
}  // namespace winsim

BOOL IsWow64Process(HANDLE, PBOOL wow64Process)
{
    if (winsim::Fails("IsWow64Process")) return FALSE;
    *wow64Process = M().wow64 ? TRUE : FALSE;
    return TRUE;
}

// On 32-bit Windows there is nothing to redirect, and the calls fail as Windows fails them.
BOOL Wow64DisableWow64FsRedirection(PVOID* oldValue)
{
    if (winsim::Fails("Wow64DisableWow64FsRedirection")) return FALSE;
    if (!M().wow64) {
        M().lastError = ERROR_INVALID_FUNCTION;
        return FALSE;
    }
    *oldValue = reinterpret_cast<PVOID>(static_cast<std::uintptr_t>(M().redirectionDisabled ? 1 : 2));
    M().redirectionDisabled = true;
    ++M().redirectionDisableCalls;
    return TRUE;
}

BOOL Wow64RevertWow64FsRedirection(PVOID oldValue)
{
    if (winsim::Fails("Wow64RevertWow64FsRedirection")) return FALSE;
    if (!M().wow64) {
        M().lastError = ERROR_INVALID_FUNCTION;
        return FALSE;
    }
    M().redirectionDisabled = reinterpret_cast<std::uintptr_t>(oldValue) == 1;
    return TRUE;
}
