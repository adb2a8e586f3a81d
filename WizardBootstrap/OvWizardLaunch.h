// Hand-over to the real setup wizard, "SetupWizard.dat" beside the program.
#pragma once

#include "setup_lib/OvPlatform.h"

namespace OvWizardBootstrap
{
// Starts the wizard from the program's own folder with the argument text and waits
// until it ends; its exit code is not used. Throws OvWinError when it cannot start.
void LaunchWizard(const wchar_t* argumentText);

// Starts the program named by its full path (quoted in the command line, and named
// as the application so that nothing is searched), waits without a time limit and
// returns its exit code. Throws OvWinError when the program cannot be started or
// waited for.
DWORD RunAndWait(const wchar_t* programPath, const wchar_t* argumentText);
}  // namespace OvWizardBootstrap
