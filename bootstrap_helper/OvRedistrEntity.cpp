#include "bootstrap_helper/OvRedistrEntity.h"

#include "bootstrap_helper/OvRedistrInstall.h"
#include "setup_lib/OvProcessLauncher.h"

namespace OvBootstrapHelper
{
namespace
{
// The progress window, destroyed on every way out of the installation.
class ProgressWindow
{
public:
    ProgressWindow(WORD dialogId, bool shown)
    {
        if (!shown) return;
        // The animation control's class must exist before a template names it.
        INITCOMMONCONTROLSEX controls{};
        controls.dwSize = sizeof controls;
        controls.dwICC = ICC_ANIMATE_CLASS;
        InitCommonControlsEx(&controls);
        window_ = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(dialogId), nullptr, ProgressDialogProc, 0);
        if (window_ != nullptr) ShowWindow(window_, SW_SHOWNORMAL);
    }
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;
    ~ProgressWindow()
    {
        if (window_ != nullptr) DestroyWindow(window_);
    }

private:
    HWND window_ = nullptr;
};
}  // namespace

bool OvRedistrEntity::Install(bool* rebootRequired)
{
    lastInstall = OvInstallRecord{};
    if (IsInstalled()) return true;
    BeforeInstall();
    ProgressWindow progress(GetDialogId(), progressShown);
    // Messages sent by other threads wake the wait too: otherwise every program that sends
    // to the progress window (a screen reader, an installer's broadcast) blocks until the
    // installer ends, or for good when the installer itself is the sender.
    const OvSetupLib::OvMsiString command = GetInstallCommand();
    const ULONGLONG started = GetTickCount64();
    DWORD exitCode =
        OvSetupLib::RunProcess(nullptr, command, OvSetupLib::OvWait::PumpingMessages, L"Failed to create process.");
    lastInstall = OvInstallRecord{command, exitCode, static_cast<DWORD>(GetTickCount64() - started), true};
    bool reboot = exitCode == ERROR_SUCCESS_REBOOT_REQUIRED;
    if (rebootRequired != nullptr) *rebootRequired = reboot;
    if (!IsInstalled()) return false;
    AfterInstall();
    return true;
}
}  // namespace OvBootstrapHelper
