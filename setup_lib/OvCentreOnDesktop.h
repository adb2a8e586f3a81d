// Where the program's dialogs stand: in the middle of the desktop.
#pragma once

#include "setup_lib/OvPlatform.h"

namespace OvSetupLib
{
// Moves the window, keeping its size, so that it is centred on the desktop window.
void CentreOnDesktop(HWND window);
}  // namespace OvSetupLib
