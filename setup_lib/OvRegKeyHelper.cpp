#include "setup_lib/OvRegKeyHelper.h"

#include "setup_lib/OvWinError.h"

namespace OvSetupLib
{
bool OvRegKeyHelper::KeyExists(HKEY root, const wchar_t* path)
{
    OvRegKey probe;
    LONG status = RegOpenKeyExW(root, path, 0, KEY_READ | viewFlags_, probe.Receive());
    if (status == ERROR_SUCCESS) return true;
    if (status == ERROR_FILE_NOT_FOUND) return false;
    throw OvWinError(static_cast<DWORD>(status));
}

LONG OvRegKeyHelper::Open(HKEY root, const wchar_t* path, REGSAM desiredAccess)
{
    key_.Reset();
    HKEY opened = nullptr;
    LONG status = RegOpenKeyExW(root, path, 0, desiredAccess | viewFlags_, &opened);
    if (status == ERROR_SUCCESS) key_.Reset(opened);
    return status;
}

LONG OvRegKeyHelper::Create(const OvRegKeyHelper& parent, const wchar_t* subKey, REGSAM desiredAccess)
{
    key_.Reset();
    HKEY created = nullptr;
    LONG status = RegCreateKeyExW(parent.Get(), subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, desiredAccess | viewFlags_,
                                  nullptr, &created, nullptr);
    if (status == ERROR_SUCCESS) key_.Reset(created);
    return status;
}
}  // namespace OvSetupLib
