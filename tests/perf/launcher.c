/* The least a bootstrapper can do: start the wizard beside it, with the settings file
   name, and wait for it. Start-up timing compares Setup.exe against this. Built a second
   time with OV_LOAD_INSTALLER_LIBRARY, it also loads the Windows Installer library first,
   as every bootstrapper that reads its packages must: that shows what the library alone
   costs on the system under test. */
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR arguments, int show)
{
    wchar_t path[MAX_PATH];
    wchar_t commandLine[MAX_PATH + 32];
    DWORD length = GetModuleFileNameW(NULL, path, MAX_PATH);
    STARTUPINFOW startup;
    PROCESS_INFORMATION process;
    (void)instance;
    (void)previous;
    (void)arguments;
    (void)show;
    if (length == 0 || length >= MAX_PATH) return 1;
#ifdef OV_LOAD_INSTALLER_LIBRARY
    if (LoadLibraryW(L"msi.dll") == NULL) return 1;
#endif
    while (length > 0 && path[length - 1] != L'\\')
        --length;
    path[length] = L'\0';
    if (length + sizeof "SetupWizard.dat" > MAX_PATH) return 1;
    lstrcatW(path, L"SetupWizard.dat");
    wsprintfW(commandLine, L"\"%s\" KDRSettings.xml", path);
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    if (!CreateProcessW(path, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) return 1;
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}
