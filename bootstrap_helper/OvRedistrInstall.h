// What the redistributables share: the folder of their packages on the media, the
// progress window's dialog procedure.
#pragma once

#include "setup_lib/OvMsiString.h"

namespace OvBootstrapHelper
{
// The folder "Redistr" beside the program's folder, ending in a backslash. It is
// computed once before the entry point runs; when that failed, this throws the
// OvWinError that the computation met.
OvSetupLib::OvMsiString GetRedistrFolder();

// The procedure of the progress dialogs: centred, animated, painted in the clip's
// background colour.
INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
}  // namespace OvBootstrapHelper
