// The road of one run, from the command-line text to the process exit code.
#pragma once

#include "setup_lib/OvPlatform.h"

namespace OvWizardBootstrap
{
// 0 when the run went through to the wizard or a reboot is under way, -1 when setup stopped.
int RunSetup(HINSTANCE instance, const wchar_t* commandLine);
}  // namespace OvWizardBootstrap
