// The companion product is upgraded first: products installed under the given upgrade
// codes are not older than the package of the settings file's second product entry.
#pragma once

#include "bootstrap_helper/OvConditionEntity.h"

#include <vector>

namespace OvBootstrapHelper
{
// The place of the entry whose package the condition compares with: the second.
constexpr std::size_t kCompanionEntryIndex = 1;

class OvConditionSingleProductDetector : public OvConditionEntity
{
public:
    OvConditionSingleProductDetector(const std::vector<OvSetupLib::OvMsiString>& upgradeCodes,
                                     const OvSetupLib::OvMsiString& message,
                                     const OvSetupLib::OvMsiString& settingsFileName);
    bool Check() override;
    OvSetupLib::OvMsiString GetMessage(const wchar_t* productName) override;
    const wchar_t* GetName() override { return L"companion-first"; }

private:
    std::vector<OvSetupLib::OvMsiString> upgradeCodes;
    OvSetupLib::OvMsiString message;
    OvSetupLib::OvMsiString settingsFileName;
};
}  // namespace OvBootstrapHelper
