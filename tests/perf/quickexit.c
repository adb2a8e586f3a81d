/* Stands in for the wizard when start-up is timed: it ends at once with 0. When
   OV_TIMING_MARK names a file, it first writes its command line there, so that a check
   run can see that the hand-over happened and with which arguments. */
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR arguments, int show)
{
    wchar_t mark[MAX_PATH];
    DWORD length = GetEnvironmentVariableW(L"OV_TIMING_MARK", mark, MAX_PATH);
    (void)instance;
    (void)previous;
    (void)arguments;
    (void)show;
    if (length > 0 && length < MAX_PATH) {
        HANDLE file = CreateFileW(mark, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        if (file != INVALID_HANDLE_VALUE) {
            const wchar_t* line = GetCommandLineW();
            DWORD written = 0;
            WriteFile(file, line, (DWORD)(lstrlenW(line) * 2), &written, NULL);
            CloseHandle(file);
        }
    }
    return 0;
}
