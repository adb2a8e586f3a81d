#include "setup_lib/OvCentreOnDesktop.h"

namespace OvSetupLib
{
void CentreOnDesktop(HWND window)
{
    RECT desktop{}, own{};
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(window, &own);
    const LONG left = (desktop.right - desktop.left - (own.right - own.left)) / 2;
    const LONG top = (desktop.bottom - desktop.top - (own.bottom - own.top)) / 2;
    SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE);
}
}  // namespace OvSetupLib
