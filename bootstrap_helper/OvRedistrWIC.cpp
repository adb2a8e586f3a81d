#include "bootstrap_helper/OvRedistrWIC.h"

#include "bootstrap_helper/OvRedistrInstall.h"
#include "bootstrap_helper/OvRedistrText.h"
#include "bootstrap_helper/OvRedistrVersionRule.h"
#include "setup_lib/OvSetupTempFolder.h"

namespace OvBootstrapHelper
{
using OvSetupLib::OvMsiString;

OvMsiString OvRedistrWIC::GetDisplayName()
{
    return RedistrText(515);
}

OvMsiString OvRedistrWIC::GetErrorMessage(const wchar_t* productName)
{
    return RedistrErrorText(516, productName);
}

WORD OvRedistrWIC::GetDialogId()
{
    return 704;
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
    OvMsiString temp = OvSetupLib::GetSetupTempFolder();
    OvMsiString redistr = GetRedistrFolder();
    OvMsiString command;
    command.Format(L"\"%sx64\\wic_x64_enu.exe\" /q /norestart /log:\"%sWIC.log\"", redistr.c_str(), temp.c_str());
    return command;
}
}  // namespace OvBootstrapHelper
