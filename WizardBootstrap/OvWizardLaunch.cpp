#include "WizardBootstrap/OvWizardLaunch.h"

#include "setup_lib/OvMsiString.h"
#include "setup_lib/OvProcessLauncher.h"
#include "setup_lib/OvStrings.h"
#include "setup_lib/OvWinError.h"

namespace OvWizardBootstrap
{
using OvSetupLib::OvMsiString;
using OvSetupLib::OvWinError;

OvMsiString WizardPath()
{
    return OvSetupLib::GetProgramFolder() + L"SetupWizard.dat";
}

DWORD LaunchWizard(const wchar_t* argumentText)
{
    return RunAndWait(WizardPath().c_str(), argumentText);
}

OvMsiString QuotedCommandLine(const wchar_t* programPath, const wchar_t* argumentText)
{
    OvMsiString commandLine;
    if (programPath != nullptr) {
        // Quoted, so that a file named by a shorter blank-separated beginning of the
        // path cannot run in the wizard's place.
        commandLine = OvMsiString(L"\"") + programPath + L"\"";
        if (argumentText != nullptr && *argumentText != 0) commandLine += L" ";
    }
    if (argumentText != nullptr) commandLine += argumentText;
    return commandLine;
}

DWORD RunAndWait(const wchar_t* programPath, const wchar_t* argumentText)
{
    return OvSetupLib::RunProcess(programPath, QuotedCommandLine(programPath, argumentText),
                                  OvSetupLib::OvWait::Blocking, L"Failed to start the setup wizard.");
}
}  // namespace OvWizardBootstrap
