// Proves the end-to-end machinery on a program of known behaviour.
//   boxtest box      one message box (OK/Cancel, question icon); the exit code is the button
//   boxtest dialog   a modeless dialog with a playing SysAnimate32 from this program's own
//                    AVI resource; the exit code is the id of the button that closed it
//   boxtest processors   a box that tells the processor count that the program sees
//   boxtest version      a box that tells the Windows version and product type it sees
//   boxtest load         loads version.dll and msi.dll with the default search, then a box
//   boxtest records      a box that tells the size of the logical-processor records that
//                        this build gets (24 bytes in a 32-bit process, 32 in a 64-bit one)
//                        and the processor cores that they list
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cwchar>
#include <vector>

namespace
{

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        HWND animation = GetDlgItem(dialog, 602);
        SendMessageW(animation, ACM_OPENW, 0, 601);
        SendMessageW(animation, ACM_PLAY, static_cast<WPARAM>(-1), MAKELPARAM(0, -1));
        return TRUE;
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        DestroyWindow(dialog);
        PostQuitMessage(LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

int ShowDialog(HINSTANCE instance)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_ANIMATE_CLASS};
    InitCommonControlsEx(&controls);
    HWND dialog = CreateDialogParamW(instance, MAKEINTRESOURCEW(100), nullptr, DialogProc, 0);
    if (!dialog) return 100;
    ShowWindow(dialog, SW_SHOWNORMAL);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(dialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return static_cast<int>(msg.wParam);
}

int ShowRecords()
{
    DWORD length = 0;
    GetLogicalProcessorInformation(nullptr, &length);
    std::vector<SYSTEM_LOGICAL_PROCESSOR_INFORMATION> records(length / sizeof(SYSTEM_LOGICAL_PROCESSOR_INFORMATION) +
                                                              1);
    length = static_cast<DWORD>(records.size() * sizeof(SYSTEM_LOGICAL_PROCESSOR_INFORMATION));
    wchar_t text[96] = L"GetLogicalProcessorInformation failed";
    if (GetLogicalProcessorInformation(records.data(), &length)) {
        unsigned cores = 0;
        for (DWORD i = 0; i < length / sizeof(SYSTEM_LOGICAL_PROCESSOR_INFORMATION); ++i)
            if (records[i].Relationship == RelationProcessorCore) ++cores;
        swprintf(text, 96, L"records of %u bytes, %u cores", static_cast<unsigned>(sizeof records[0]), cores);
    }
    return MessageBoxW(nullptr, text, L"Box test", MB_OK);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int)
{
    if (commandLine && std::wcscmp(commandLine, L"dialog") == 0) return ShowDialog(instance);
    if (commandLine && std::wcscmp(commandLine, L"version") == 0) {
        OSVERSIONINFOEXW version = {};
        version.dwOSVersionInfoSize = sizeof version;
        wchar_t text[64] = L"version query failed";
        if (GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version)))
            swprintf(text, 64, L"version %lu.%lu type %u", static_cast<unsigned long>(version.dwMajorVersion),
                     static_cast<unsigned long>(version.dwMinorVersion), static_cast<unsigned>(version.wProductType));
        return MessageBoxW(nullptr, text, L"Box test", MB_OK);
    }
    if (commandLine && std::wcscmp(commandLine, L"load") == 0) {
        bool loaded = LoadLibraryW(L"version.dll") != nullptr && LoadLibraryW(L"msi.dll") != nullptr;
        return MessageBoxW(nullptr, loaded ? L"loaded" : L"not loaded", L"Box test", MB_OK);
    }
    if (commandLine && std::wcscmp(commandLine, L"records") == 0) return ShowRecords();
    if (commandLine && std::wcscmp(commandLine, L"processors") == 0) {
        SYSTEM_INFO info = {};
        GetSystemInfo(&info);
        wchar_t text[64];
        swprintf(text, 64, L"processors: %lu", static_cast<unsigned long>(info.dwNumberOfProcessors));
        return MessageBoxW(nullptr, text, L"Box test", MB_OK);
    }
    return MessageBoxW(nullptr, L"First line \u00e9\nSecond line", L"Box test", MB_OKCANCEL | MB_ICONQUESTION);
}
