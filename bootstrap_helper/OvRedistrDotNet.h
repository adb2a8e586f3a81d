// .NET Framework 4.0: detected by its setup value in the 64-bit registry view.
#pragma once

#include "bootstrap_helper/OvRedistrEntity.h"

namespace OvBootstrapHelper
{
class OvRedistrDotNet : public OvRedistrEntity
{
public:
    OvRedistrDotNet() = default;
    OvSetupLib::OvMsiString GetDisplayName() override;
    OvSetupLib::OvMsiString GetErrorMessage(const wchar_t* productName) override;
    OvSetupLib::OvMsiString GetInstallCommand() override;
    WORD GetDialogId() override;
    bool IsInstalled() override;
    OvSetupLib::OvMsiString GetFoundVersion() override;
};
}  // namespace OvBootstrapHelper
