#include "WizardBootstrap/OvWizardLaunch.h"

#include "setup_lib/OvMsiString.h"
#include "setup_lib/OvSmartHandle.h"
#include "setup_lib/OvStrings.h"
#include "setup_lib/OvWinError.h"

namespace OvWizardBootstrap
{
using OvSetupLib::OvHandle;
using OvSetupLib::OvMsiString;
using OvSetupLib::OvWinError;

void LaunchWizard(const wchar_t* argumentText)
{
    OvMsiString wizardPath = OvSetupLib::GetProgramFolder() + L"SetupWizard.dat";
    RunAndWait(wizardPath.c_str(), argumentText);
}

DWORD RunAndWait(const wchar_t* programPath, const wchar_t* argumentText)
{
    OvMsiString commandLine;
    if (programPath != nullptr) {
        // Quoted, so that a file named by a shorter blank-separated beginning of the
        // path cannot run in the wizard's place.
        commandLine = OvMsiString(L"\"") + programPath + L"\"";
        if (argumentText != nullptr && *argumentText != 0) commandLine += L" ";
    }
    if (argumentText != nullptr) commandLine += argumentText;

    STARTUPINFOW startupInfo{};
    startupInfo.cb = sizeof(startupInfo);
    PROCESS_INFORMATION processInfo{};
    BOOL created = CreateProcessW(programPath, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                  &startupInfo, &processInfo);
    OvSetupLib::ThrowLastErrorIf(!created, L"Failed to start the setup wizard.");
    // Declared in this order so that the process handle is closed first.
    OvHandle thread(processInfo.hThread);
    OvHandle process(processInfo.hProcess);

    OvSetupLib::ThrowLastErrorIf(WaitForSingleObject(process.Get(), INFINITE) == WAIT_FAILED);
    DWORD exitCode = 0;
    OvSetupLib::ThrowLastErrorIf(!GetExitCodeProcess(process.Get(), &exitCode));
    return exitCode;
}
}  // namespace OvWizardBootstrap
