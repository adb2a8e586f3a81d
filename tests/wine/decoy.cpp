// A decoy of a system DLL for the DLL search checks: built as version.dll and msi.dll,
// it exports nothing and only leaves a mark, C:\decoy-loaded.txt, naming itself, when a
// process loads it.
#include <windows.h>

#include "stubcommon.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        wchar_t path[MAX_PATH + 1] = {};
        DWORD length = GetModuleFileNameW(instance, path, MAX_PATH);
        stub::AppendLine(L"C:\\decoy-loaded.txt", std::wstring(path, length));
    }
    return TRUE;
}
