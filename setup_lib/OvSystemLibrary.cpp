#include "setup_lib/OvSystemLibrary.h"

#include "setup_lib/OvWinError.h"

namespace OvSetupLib
{
OvMsiString SystemFilePath(const wchar_t* name)
{
    wchar_t folder[MAX_PATH];
    UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    ThrowLastErrorIf(length == 0);
    if (length >= MAX_PATH) throw OvWinError(ERROR_FILENAME_EXCED_RANGE);
    return OvMsiString(folder, length) + L"\\" + name;
}

HMODULE LoadSystemLibrary(const wchar_t* name)
{
    return ThrowLastErrorIfNull(LoadLibraryExW(SystemFilePath(name).c_str(), nullptr, 0), L"LoadLibrary failed.");
}
}  // namespace OvSetupLib
