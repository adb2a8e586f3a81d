// Windows Installer 4.5: detected by the version of msi.dll, installed from the
// media with the Windows Installer service stopped around the update.
#pragma once

#include "bootstrap_helper/OvRedistrEntity.h"

namespace OvBootstrapHelper
{
class OvRedistrWI45 : public OvRedistrEntity
{
public:
    OvRedistrWI45() = default;
    OvSetupLib::OvMsiString GetDisplayName() override;
    OvSetupLib::OvMsiString GetErrorMessage(const wchar_t* productName) override;
    OvSetupLib::OvMsiString GetInstallCommand() override;
    WORD GetDialogId() override;
    bool IsInstalled() override;
    void BeforeInstall() override;
    void AfterInstall() override;
};
}  // namespace OvBootstrapHelper
