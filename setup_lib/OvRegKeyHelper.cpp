#include "setup_lib/OvRegKeyHelper.h"

#include "setup_lib/OvLogFile.h"
#include "setup_lib/OvWinError.h"

#include <cwchar>
#include <string>

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

LONG OvRegKeyHelper::SetStringValue(const wchar_t* name, const wchar_t* text)
{
    if (text == nullptr) text = L"";
    std::string data = ToUtf16LeBytes(text, std::wcslen(text) + 1);
    return RegSetValueExW(key_.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.data()),
                          static_cast<DWORD>(data.size()));
}
}  // namespace OvSetupLib
