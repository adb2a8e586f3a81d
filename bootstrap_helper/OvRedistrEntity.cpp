#include "bootstrap_helper/OvRedistrEntity.h"

#include "bootstrap_helper/OvRedistrInstall.h"

namespace OvBootstrapHelper
{
namespace
{
// The progress window, destroyed on every way out of the installation.
class ProgressWindow
{
public:
    explicit ProgressWindow(WORD dialogId)
    {
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
    if (IsInstalled()) return true;
    BeforeInstall();
    ProgressWindow progress(GetDialogId());
    OvSetupLib::OvMsiString command = GetInstallCommand();
    DWORD exitCode = RunProcessAndWait(&command[0]);
    bool reboot = exitCode == ERROR_SUCCESS_REBOOT_REQUIRED;
    if (rebootRequired != nullptr) *rebootRequired = reboot;
    if (!IsInstalled()) return false;
    AfterInstall();
    return true;
}
}  // namespace OvBootstrapHelper
