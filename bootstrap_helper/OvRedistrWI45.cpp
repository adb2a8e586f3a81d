#include "bootstrap_helper/OvRedistrWI45.h"

#include "bootstrap_helper/OvRedistrInstall.h"
#include "bootstrap_helper/OvRedistrLogs.h"
#include "bootstrap_helper/OvRedistrResources.h"
#include "bootstrap_helper/OvProductText.h"
#include "bootstrap_helper/OvRedistrVersionRule.h"
#include "setup_lib/OvRedirectionDisabler.h"
#include "setup_lib/OvServiceWrp.h"
#include "setup_lib/OvSetupTempFolder.h"
#include "setup_lib/OvStrings.h"
#include "setup_lib/OvSystemLibrary.h"
#include "setup_lib/OvWinError.h"

namespace OvBootstrapHelper
{
using OvSetupLib::OvMsiString;
using OvSetupLib::OvWinError;

OvMsiString OvRedistrWI45::GetDisplayName()
{
    return OvSetupLib::LoadResourceString(513);
}

OvMsiString OvRedistrWI45::GetErrorMessage(const wchar_t* productName)
{
    return ProductText(514, productName);
}

WORD OvRedistrWI45::GetDialogId()
{
    return IDD_PROGRESS_WI45;
}

bool OvRedistrWI45::IsInstalled()
{
    OvSetupLib::OvFileVersion version{};
    const bool read = ReadSystemLibraryVersion(L"msi.dll", version);
    foundVersion = read ? FileVersionText(version) : OvMsiString();
    return read && IsWI45Version(version);
}

OvMsiString OvRedistrWI45::GetInstallCommand()
{
    OvMsiString package = GetRedistrFolder();
    OSVERSIONINFOW os{};
    os.dwOSVersionInfoSize = sizeof os;
    OvSetupLib::ThrowLastErrorIf(!GetVersionExW(&os), L"Failed to execute GetVersionEx function.");
    // Only 64-bit packages are on the media: 32-bit Windows has none to run.
    if (OvSetupLib::RunsOn64BitWindows() && os.dwMajorVersion == 5) {
        package += L"x64\\WindowsServer2003-KB942288-v4-x64.exe";
    } else if (OvSetupLib::RunsOn64BitWindows() && os.dwMajorVersion == 6) {
        package += L"x64\\Windows6.0-KB942288-v2-x64.msu";
    } else {
        throw OvWinError(ERROR_NOT_SUPPORTED, OvSetupLib::LoadResourceString(512).c_str());
    }
    OvMsiString command;
    if (os.dwMajorVersion == 6) {
        // wusa.exe by its full path: a bare name would be looked up in the program's own
        // folder and the current folder first.
        command.Format(L"\"%s\" \"%s\" /quiet /norestart", OvSetupLib::SystemFilePath(L"wusa.exe").c_str(),
                       package.c_str());
    } else {
        command.Format(L"\"%s\" /quiet /norestart /log:\"%s%s\"", package.c_str(),
                       OvSetupLib::GetSetupTempFolder({kWI45LogName}).c_str(), kWI45LogName);
    }
    return command;
}

void OvRedistrWI45::BeforeInstall()
{
    OvSetupLib::OvServiceWrp service;
    service.Open(L"msiserver", GENERIC_ALL);
    service.WaitForSteadyState(1);
    for (bool askedAgain = false;; askedAgain = true) {
        SERVICE_STATUS status{};
        if (ControlService(service.Get(), SERVICE_CONTROL_STOP, &status)) return;
        DWORD code = OvSetupLib::LastErrorOfFailure();
        if (code == ERROR_SERVICE_NOT_ACTIVE) return;
        // Still starting or already stopping: wait until it has stopped, or ask once more
        // when it turns out running.
        if (code == ERROR_SERVICE_CANNOT_ACCEPT_CTRL && !askedAgain) {
            if (!service.WaitForSteadyState(kAfterInstallQueries)) throw OvWinError(ERROR_SERVICE_REQUEST_TIMEOUT);
            if (service.QueryStatus().dwCurrentState == SERVICE_STOPPED) return;
            continue;
        }
        OvMsiString text{OvWinError(code)};
        throw OvWinError(code, text.c_str());
    }
}

void OvRedistrWI45::AfterInstall()
{
    OvSetupLib::OvServiceWrp service;
    service.Open(L"msiserver", GENERIC_ALL);
    // A service stuck in a pending state would hold setup forever: ten minutes of
    // polls is far more than any start or stop takes.
    if (!service.WaitForSteadyState(kAfterInstallQueries)) throw OvWinError(ERROR_SERVICE_REQUEST_TIMEOUT);
    // A service that another caller started meanwhile is what this start is for.
    if (StartServiceW(service.Get(), 0, nullptr)) return;
    DWORD code = OvSetupLib::LastErrorOfFailure();
    if (code != ERROR_SERVICE_ALREADY_RUNNING) throw OvWinError(code);
}
}  // namespace OvBootstrapHelper
