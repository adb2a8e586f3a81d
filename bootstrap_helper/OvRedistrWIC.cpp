#include "bootstrap_helper/OvRedistrWIC.h"

#include "bootstrap_helper/OvRedistrInstall.h"
#include "bootstrap_helper/OvRedistrLogs.h"
#include "bootstrap_helper/OvRedistrResources.h"
#include "bootstrap_helper/OvProductText.h"
#include "bootstrap_helper/OvRedistrVersionRule.h"
#include "setup_lib/OvSetupTempFolder.h"
#include "setup_lib/OvStrings.h"

namespace OvBootstrapHelper
{
using OvSetupLib::OvMsiString;

OvMsiString OvRedistrWIC::GetDisplayName()
{
    return OvSetupLib::LoadResourceString(515);
}

OvMsiString OvRedistrWIC::GetErrorMessage(const wchar_t* productName)
{
    return ProductText(516, productName);
}

WORD OvRedistrWIC::GetDialogId()
{
    return IDD_PROGRESS_WIC;
}

bool OvRedistrWIC::IsInstalled()
{
    OvSetupLib::OvFileVersion version{};
    const bool read = ReadSystemLibraryVersion(L"windowscodecs.dll", version);
    foundVersion = read ? FileVersionText(version) : OvMsiString();
    return read && IsWICVersion(version);
}

OvMsiString OvRedistrWIC::GetInstallCommand()
{
    OvMsiString temp = OvSetupLib::GetSetupTempFolder({kWICLogName});
    OvMsiString redistr = GetRedistrFolder();
    OvMsiString command;
    command.Format(L"\"%sx64\\wic_x64_enu.exe\" /q /norestart /log:\"%s%s\"", redistr.c_str(), temp.c_str(),
                   kWICLogName);
    return command;
}
}  // namespace OvBootstrapHelper
