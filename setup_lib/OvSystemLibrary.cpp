#include "setup_lib/OvSystemLibrary.h"

#include "setup_lib/OvMsiString.h"
#include "setup_lib/OvWinError.h"

namespace OvSetupLib
{
HMODULE LoadSystemLibrary(const wchar_t* name)
{
    wchar_t folder[MAX_PATH];
    UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    ThrowLastErrorIf(length == 0, L"GetSystemDirectory failed.");
    if (length >= MAX_PATH) throw OvWinError(ERROR_FILENAME_EXCED_RANGE);
    OvMsiString path = OvMsiString(folder, length) + L"\\" + name;
    return ThrowLastErrorIfNull(LoadLibraryExW(path.c_str(), nullptr, 0), L"LoadLibrary failed.");
}
}  // namespace OvSetupLib
