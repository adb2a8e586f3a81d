// The exit codes of a quiet or check run, the codes deployment tools already read.
// Interactive runs keep 0 and -1.
#pragma once

#include "WizardBootstrap/OvBootstrapRunner.h"

namespace OvWizardBootstrap
{
constexpr DWORD kExitDone = 0;
constexpr DWORD kExitRebootNeeded = 3010;     // done; run again after the reboot
constexpr DWORD kExitRebootStarted = 1641;    // the reboot was started
constexpr DWORD kExitSetupRunning = 1618;     // another setup is running: try again later
constexpr DWORD kExitStoppedByOption = 1602;  // /bootstrap:strict made the processor warning a stop
constexpr DWORD kExitSystemError = 1603;      // logged in the error log
constexpr DWORD kExitBadCommandLine = 1639;
constexpr DWORD kExitPlatform = 1633;         // the Windows version or 64-bit Windows
constexpr DWORD kExitNotAdministrator = 740;  // the elevation the installers need
constexpr DWORD kExitProductVersion = 1638;   // an installed version that may not be replaced
constexpr DWORD kExitCompanionFirst = 17001;  // the companion product is to be upgraded first
constexpr DWORD kExitProductRunning = 17002;  // a product process still runs
constexpr DWORD kExitPrerequisiteFailed = 17003;

// The code for what stopped a run; kExitDone when nothing did.
DWORD StopExitCode(const OvStopCause& cause);
}  // namespace OvWizardBootstrap
