// Windows Imaging Component: detected by the version of windowscodecs.dll.
#pragma once

#include "bootstrap_helper/OvRedistrEntity.h"

namespace OvBootstrapHelper
{
class OvRedistrWIC : public OvRedistrEntity
{
public:
    OvRedistrWIC() = default;
    OvSetupLib::OvMsiString GetDisplayName() override;
    OvSetupLib::OvMsiString GetErrorMessage(const wchar_t* productName) override;
    OvSetupLib::OvMsiString GetInstallCommand() override;
    WORD GetDialogId() override;
    bool IsInstalled() override;
};
}  // namespace OvBootstrapHelper
