// No installed version that the packages on the media may not replace.
#pragma once

#include "bootstrap_helper/OvConditionEntity.h"
#include "setup_lib/OvVersion.h"

namespace OvBootstrapHelper
{
class OvConditionInstalledProducts : public OvConditionEntity
{
public:
    explicit OvConditionInstalledProducts(const OvSetupLib::OvMsiString& settingsFileName);
    bool Check() override;
    OvSetupLib::OvMsiString GetMessage(const wchar_t* productName) override;
    const wchar_t* GetName() override { return L"installed-products"; }

    // Whether the installed version may be replaced by the package; a failure records
    // whether it was below the minimum.
    bool JudgeInstalledVersion(const OvSetupLib::OvMsiString& installedText, const OvSetupLib::OvVersion& package,
                               const OvSetupLib::OvMsiString& minVersion, bool allowRevisionUpgrade);

private:
    OvSetupLib::OvMsiString settingsFileName;
    OvSetupLib::OvMsiString displayVersion;
    bool belowMinimum = false;
};

// The upgrade rule: may a package of this version replace the installed one?
bool IsUpgradeAllowed(const OvSetupLib::OvVersion& installed, const OvSetupLib::OvVersion& package,
                      bool allowRevisionUpgrade);
}  // namespace OvBootstrapHelper
