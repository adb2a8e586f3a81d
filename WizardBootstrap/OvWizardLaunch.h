// Hand-over to the real setup wizard, "SetupWizard.dat" beside the program.
#pragma once

#include "setup_lib/OvMsiString.h"

namespace OvWizardBootstrap
{
// Starts the wizard from the program's own folder with the argument text, waits until
// it ends and returns its exit code. Throws OvWinError when it cannot start.
DWORD LaunchWizard(const wchar_t* argumentText);
// "SetupWizard.dat" in the program's own folder. Throws OvWinError.
OvSetupLib::OvMsiString WizardPath();
// The program's path in quotes, then the argument text when there is one.
OvSetupLib::OvMsiString QuotedCommandLine(const wchar_t* programPath, const wchar_t* argumentText);

// Starts the program named by its full path (quoted in the command line, and named
// as the application so that nothing is searched), waits without a time limit and
// returns its exit code. Throws OvWinError when the program cannot be started or
// waited for.
DWORD RunAndWait(const wchar_t* programPath, const wchar_t* argumentText);
}  // namespace OvWizardBootstrap
