#include "bootstrap_helper/OvRedistrDotNet.h"

#include "bootstrap_helper/OvRedistrInstall.h"
#include "bootstrap_helper/OvRedistrLogs.h"
#include "bootstrap_helper/OvRedistrResources.h"
#include "bootstrap_helper/OvProductText.h"
#include "setup_lib/OvRegKeyHelper.h"
#include "setup_lib/OvSetupTempFolder.h"
#include "setup_lib/OvStrings.h"
#include "setup_lib/OvWinError.h"

namespace OvBootstrapHelper
{
namespace
{
const wchar_t kFullKey[] = L"SOFTWARE\\Microsoft\\NET Framework Setup\\NDP\\v4\\Full";
}  // namespace

using OvSetupLib::OvMsiString;

OvMsiString OvRedistrDotNet::GetDisplayName()
{
    return OvSetupLib::LoadResourceString(506);
}

OvMsiString OvRedistrDotNet::GetErrorMessage(const wchar_t* productName)
{
    return ProductText(507, productName);
}

WORD OvRedistrDotNet::GetDialogId()
{
    return IDD_PROGRESS_DOTNET;
}

bool OvRedistrDotNet::IsInstalled()
{
    OvSetupLib::OvRegKeyHelper key(true);
    if (key.Open(HKEY_LOCAL_MACHINE, kFullKey, KEY_READ) != ERROR_SUCCESS) return false;
    DWORD value = 0;
    DWORD size = sizeof value;
    LONG status = RegQueryValueExW(key.Get(), L"Install", nullptr, nullptr, reinterpret_cast<LPBYTE>(&value), &size);
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
        throw OvSetupLib::OvWinError(static_cast<DWORD>(status));
    return value == 1;
}

// Read only when asked for, so that a run that reports nothing reads nothing more.
OvMsiString OvRedistrDotNet::GetFoundVersion()
{
    OvSetupLib::OvRegKeyHelper key(true);
    if (key.Open(HKEY_LOCAL_MACHINE, kFullKey, KEY_READ) != ERROR_SUCCESS) return OvMsiString();
    wchar_t text[64] = {};
    DWORD type = 0;
    DWORD bytes = sizeof text - sizeof text[0];
    if (RegQueryValueExW(key.Get(), L"Version", nullptr, &type, reinterpret_cast<LPBYTE>(text), &bytes) !=
            ERROR_SUCCESS ||
        type != REG_SZ) {
        return OvMsiString();
    }
    OvMsiString version(text, bytes / sizeof text[0]);
    while (!version.empty() && version.back() == 0)
        version.pop_back();
    return version;
}

OvMsiString OvRedistrDotNet::GetInstallCommand()
{
    OvMsiString temp = OvSetupLib::GetSetupTempFolder({kDotNetLogName});
    OvMsiString redistr = GetRedistrFolder();
    OvMsiString command;
    command.Format(L"\"%sdotNetFx40_Full_x86_x64.exe\" /q /norestart /log \"%s%s\"", redistr.c_str(), temp.c_str(),
                   kDotNetLogName);
    return command;
}
}  // namespace OvBootstrapHelper
