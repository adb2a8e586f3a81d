// Stands in for a prerequisite installer. Records its command line, optionally makes the
// .NET Framework 4 detectable, stays alive long enough for a progress window to be seen,
// and ends with a chosen code. Control file "<own path>.ctl" (optional):
//   log=<file>      default C:\installers.log
//   net=1           write HKLM\SOFTWARE\Microsoft\NET Framework Setup\NDP\v4\Full Install=1
//   wait=<file>     wait until that file exists (polled, 60 s at most), so that a test can
//                   read the progress window before the installer ends
//   sleep=<ms>      default 1500
//   exit=<code>     default 0 (3010 and 1641 are the reboot codes)
//   bits=1          log "bits=32" or "bits=64": which build ran (the one in syswow64 is 32-bit)
//   service=<name>  log "<name>=<state>", the service's state once it is no longer pending
//   copy=<from>|<to>  copy a file, with WOW64 file-system redirection off; on failure
//                   "copy failed: <error>" is logged and the exit code is 1603
#include "stubcommon.h"

namespace
{

bool WriteNetState()
{
    HKEY key = nullptr;
    LONG status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\NET Framework Setup\\NDP\\v4\\Full", 0,
                                  nullptr, 0, KEY_WRITE | KEY_WOW64_64KEY, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) return false;
    DWORD one = 1;
    status = RegSetValueExW(key, L"Install", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

// The state of a service once it is no longer pending (polled for up to 20 s), or 0.
DWORD SteadyServiceState(const std::wstring& name)
{
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager) return 0;
    SC_HANDLE service = OpenServiceW(manager, name.c_str(), SERVICE_QUERY_STATUS);
    DWORD state = 0;
    if (service) {
        for (int i = 0; i < 400; ++i) {
            SERVICE_STATUS status = {};
            if (!QueryServiceStatus(service, &status)) break;
            state = status.dwCurrentState;
            if (state == SERVICE_STOPPED || state == SERVICE_RUNNING || state == SERVICE_PAUSED) break;
            Sleep(50);
        }
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return state;
}

// A 32-bit copy of this program would otherwise write to syswow64 when told system32.
bool CopyUnredirected(const std::wstring& from, const std::wstring& to)
{
    using DisableFn = BOOL(WINAPI*)(PVOID*);
    using RevertFn = BOOL(WINAPI*)(PVOID);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto disable =
        reinterpret_cast<DisableFn>(reinterpret_cast<void*>(GetProcAddress(kernel, "Wow64DisableWow64FsRedirection")));
    auto revert =
        reinterpret_cast<RevertFn>(reinterpret_cast<void*>(GetProcAddress(kernel, "Wow64RevertWow64FsRedirection")));
    PVOID old = nullptr;
    bool disabled = sizeof(void*) == 4 && disable && revert && disable(&old);
    // Copying over a system library met a sharing violation now and then, with the program
    // under test still running: the copy is tried again for up to 10 s, and the retries are
    // noted in C:\copy-retries.log.
    bool copied = false;
    DWORD error = 0;
    int retries = 0;
    for (; retries < 100; ++retries) {
        copied = CopyFileW(from.c_str(), to.c_str(), FALSE) != 0;
        error = GetLastError();
        if (copied || error != ERROR_SHARING_VIOLATION) break;
        Sleep(100);
    }
    if (retries > 0)
        stub::AppendLine(L"C:\\copy-retries.log",
                         std::to_wstring(retries) + L" retries, last error " + std::to_wstring(copied ? 0 : error));
    if (disabled) revert(old);
    SetLastError(error);
    return copied;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    std::string control = stub::ReadSmallFile(stub::ModulePath() + L".ctl");
    std::wstring log = stub::Wide(stub::Setting(control, "log", "C:\\installers.log"));
    stub::AppendLine(log, GetCommandLineW());
    if (stub::Setting(control, "bits", "0") == "1") stub::AppendLine(log, sizeof(void*) == 4 ? L"bits=32" : L"bits=64");
    std::wstring service = stub::Wide(stub::Setting(control, "service", ""));
    if (!service.empty()) stub::AppendLine(log, service + L"=" + std::to_wstring(SteadyServiceState(service)));
    std::wstring release = stub::Wide(stub::Setting(control, "wait", ""));
    for (int i = 0; !release.empty() && i < 1200 && GetFileAttributesW(release.c_str()) == INVALID_FILE_ATTRIBUTES; ++i)
        Sleep(50);
    if (stub::Setting(control, "net", "0") == "1" && !WriteNetState()) return 1603;
    std::wstring copy = stub::Wide(stub::Setting(control, "copy", ""));
    if (!copy.empty()) {
        size_t bar = copy.find(L'|');
        if (bar == std::wstring::npos) return 1603;
        if (!CopyUnredirected(copy.substr(0, bar), copy.substr(bar + 1))) {
            stub::AppendLine(log, L"copy failed: " + std::to_wstring(GetLastError()));
            return 1603;
        }
    }
    Sleep(stub::Number(stub::Setting(control, "sleep", "1500"), 1500));
    return static_cast<int>(stub::Number(stub::Setting(control, "exit", "0"), 0));
}
