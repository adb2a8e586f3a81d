// Reboot and resume: the reboot question, the RunOnce registration and the forced reboot.
#pragma once

#include "setup_lib/OvPlatform.h"

namespace OvWizardBootstrap
{
// Returns only after the platform accepted the reboot request; ends the process
// with exit code 0 when the user does not choose Reboot. Throws OvWinError.
void OfferReboot();
// What the dialog's Reboot does: the RunOnce value, then the forced reboot. Returns only
// after the platform accepted the request. Throws OvWinError.
void RequestReboot();
// Writes the RunOnce value that starts this command line again at the next logon.
void RegisterRunOnce();
INT_PTR CALLBACK RebootDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
}  // namespace OvWizardBootstrap
