// What the process does for itself before anything else runs: it restricts where
// DLLs are loaded from, refuses DLL redirection, and checks its own path.
#pragma once

#include "setup_lib/OvPlatform.h"

namespace OvWizardBootstrap
{
// Checks the program's own file: 0 when the run may go on, otherwise the Win32 code with
// which the entry point ends the run (a path too long for the program's buffers, or a
// "<program>.local" redirection beside it).
DWORD CheckProgramFile();
}  // namespace OvWizardBootstrap
