#include "setup_lib/OvFindFileWrapper.h"

#include "setup_lib/OvStrings.h"
#include "setup_lib/OvWinError.h"

namespace OvSetupLib
{
OvFindFileWrapper::OvFindFileWrapper(const wchar_t* path)
{
    HANDLE found = FindFirstFileW(path != nullptr ? path : L"", &findData_);
    DWORD error = LastErrorOfFailure();
    handle_.Reset(found);
    if (!handle_.IsValid() && error != ERROR_FILE_NOT_FOUND) throw OvWinError(error);
}

bool FileExists(const wchar_t* path)
{
    // A search for a path that ends in a backslash finds nothing, not even a folder.
    OvMsiString pattern = RemoveTrailingBackslash(OvMsiString(path));
    return OvFindFileWrapper(pattern.c_str()).IsFound();
}
}  // namespace OvSetupLib
