#include "WizardBootstrap/OvReboot.h"

#include "WizardBootstrap/resource.h"

#include "setup_lib/OvCentreOnDesktop.h"
#include "setup_lib/OvExitWindow.h"
#include "setup_lib/OvRegKeyHelper.h"
#include "setup_lib/OvWinError.h"

namespace OvWizardBootstrap
{
namespace
{
// Once the shutdown privilege is enabled: the RunOnce value, then the forced reboot.
void RebootAndResume()
{
    RegisterRunOnce();
    OvSetupLib::ThrowLastErrorIf(
        !ExitWindowsEx(EWX_REBOOT | EWX_FORCE,
                       SHTDN_REASON_FLAG_PLANNED | SHTDN_REASON_MAJOR_APPLICATION | SHTDN_REASON_MINOR_INSTALLATION),
        L"ExitWindowsEx failed.");
}
}  // namespace

void OfferReboot()
{
    OvSetupLib::OvExitWindow privilege;
    INT_PTR choice =
        DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_REBOOT), nullptr, RebootDialogProc, 0);
    // -1 is a dialog that could not be made: nobody declined the reboot, which is still pending.
    OvSetupLib::ThrowLastErrorIf(choice == -1, L"DialogBoxParam failed.");
    if (choice != IDOK) OvExitProcess(0);
    RebootAndResume();
}

void RequestReboot()
{
    OvSetupLib::OvExitWindow privilege;
    RebootAndResume();
}

void RegisterRunOnce()
{
    const wchar_t* const currentVersion = L"Software\\Microsoft\\Windows\\CurrentVersion";
    OvSetupLib::OvRegKeyHelper parent(true);
    OvSetupLib::OvRegKeyHelper runOnce(false);
    if (parent.KeyExists(HKEY_CURRENT_USER, currentVersion)) {
        OvSetupLib::ThrowIfError(parent.Open(HKEY_CURRENT_USER, currentVersion, KEY_WRITE));
        OvSetupLib::ThrowIfError(runOnce.Create(parent, L"RunOnce", KEY_ALL_ACCESS));
    }
    OvSetupLib::ThrowIfError(runOnce.SetStringValue(L"OrvaleSetup", GetCommandLineW()));
}

INT_PTR CALLBACK RebootDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
        case WM_INITDIALOG:
            OvSetupLib::CentreOnDesktop(dialog);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                EndDialog(dialog, static_cast<INT_PTR>(wParam));
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) EndDialog(dialog, static_cast<INT_PTR>(wParam));
            return FALSE;
        default:
            return FALSE;
    }
}
}  // namespace OvWizardBootstrap
