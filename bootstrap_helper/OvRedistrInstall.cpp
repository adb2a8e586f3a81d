#include "bootstrap_helper/OvRedistrInstall.h"

#include "bootstrap_helper/OvRedistrResources.h"
#include "setup_lib/OvCentreOnDesktop.h"
#include "setup_lib/OvStrings.h"
#include "setup_lib/OvWinError.h"

namespace OvBootstrapHelper
{
using OvSetupLib::OvMsiString;
using OvSetupLib::OvWinError;

namespace
{
OvMsiString ComputeRedistrFolder()
{
    OvMsiString relative = OvSetupLib::GetProgramFolder() + L"..\\Redistr\\";
    wchar_t full[MAX_PATH];
    DWORD length = GetFullPathNameW(relative.c_str(), MAX_PATH, full, nullptr);
    OvSetupLib::ThrowLastErrorIf(length == 0);
    if (length >= MAX_PATH) throw OvWinError(ERROR_FILENAME_EXCED_RANGE);
    return OvMsiString(full, length);
}

// The folder, or the failure met while computing it: the program must not end in a
// static initialiser, so the error waits for the first use after the entry point.
struct RedistrFolder {
    OvMsiString folder;
    bool failed = false;
    OvWinError error{0};

    RedistrFolder() { Compute(); }
    void Compute()
    {
        try {
            folder = ComputeRedistrFolder();
            failed = false;
        } catch (const OvWinError& e) {
            folder.clear();
            failed = true;
            error = e;
        }
    }
};

RedistrFolder& Folder()
{
    static RedistrFolder folder;
    return folder;
}

// Computed before the entry point runs.
const bool kFolderComputedAtStart = (Folder(), true);

// One brush for the life of the progress dialog (one is open at a time).
HBRUSH g_background = nullptr;
}  // namespace

OvMsiString GetRedistrFolder()
{
    (void)kFolderComputedAtStart;
    const RedistrFolder& f = Folder();
    if (f.failed) throw f.error;
    return f.folder;
}

// For host tests, which run many simulated programs in one process (tests/bootstrap_helper/
// RedistrFolderSeam.h declares it): the folder again from the current module path.
void RecomputeRedistrFolder()
{
    Folder().Compute();
}

INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
        case WM_INITDIALOG: {
            HWND animation = GetDlgItem(dialog, IDC_PROGRESS_ANIMATION);
            SendMessageW(animation, ACM_OPENW, 0, IDR_PROGRESS_AVI);
            SendMessageW(animation, ACM_PLAY, 1, 0x00010000);
            OvSetupLib::CentreOnDesktop(dialog);
            return TRUE;
        }
        case WM_CTLCOLORDLG:
            if (g_background == nullptr) g_background = CreateSolidBrush(RGB(212, 208, 200));
            return reinterpret_cast<INT_PTR>(g_background);
        case WM_CTLCOLORSTATIC:
            SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
            return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
        case WM_DESTROY:
            if (g_background != nullptr) {
                DeleteObject(g_background);
                g_background = nullptr;
            }
            return FALSE;
        default:
            return FALSE;
    }
}
}  // namespace OvBootstrapHelper
