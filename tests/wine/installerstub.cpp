// Stands in for a prerequisite installer. Records its command line, optionally makes the
// .NET Framework 4 detectable, stays alive long enough for a progress window to be seen,
// and ends with a chosen code. Control file "<own path>.ctl" (optional):
//   log=<file>      default C:\installers.log
//   net=1           write HKLM\SOFTWARE\Microsoft\NET Framework Setup\NDP\v4\Full Install=1
//   sleep=<ms>      default 1500
//   exit=<code>     default 0 (3010 and 1641 are the reboot codes)
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

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    std::string control = stub::ReadSmallFile(stub::ModulePath() + L".ctl");
    std::wstring log = stub::Wide(stub::Setting(control, "log", "C:\\installers.log"));
    stub::AppendLine(log, GetCommandLineW());
    if (stub::Setting(control, "net", "0") == "1" && !WriteNetState()) return 1603;
    Sleep(stub::Number(stub::Setting(control, "sleep", "1500"), 1500));
    return static_cast<int>(stub::Number(stub::Setting(control, "exit", "0"), 0));
}
