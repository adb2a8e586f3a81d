#include "bootstrap_helper/OvConditionSingleProductDetector.h"

#include "bootstrap_helper/OvProductEntry.h"
#include "setup_lib/OvMsiDatabase.h"
#include "setup_lib/OvVersion.h"
#include "setup_lib/OvXmlDocument.h"

namespace OvBootstrapHelper
{
using OvSetupLib::OvMsiString;

OvConditionSingleProductDetector::OvConditionSingleProductDetector(const std::vector<OvMsiString>& upgradeCodes,
                                                                   const OvMsiString& message,
                                                                   const OvMsiString& settingsFileName)
    : upgradeCodes(upgradeCodes), message(message), settingsFileName(settingsFileName)
{}

bool OvConditionSingleProductDetector::Check()
{
    ClearValues();
    const OvMsiString folder = GetSettingsFolder();
    OvSetupLib::OvXmlDocument settings(folder + settingsFileName);
    const std::vector<OvProductEntry> entries = ReadProductEntries(settings);
    if (kCompanionEntryIndex >= entries.size() || upgradeCodes.empty()) return true;
    const OvProductEntry& entry = entries[kCompanionEntryIndex];
    for (const OvMsiString& code : upgradeCodes) {
        OvSetupLib::OvMsiEnumRelatedProductsWrp related(code);
        if (related.IsAtEnd()) continue;
        Note(L"installed", code + L" " + related.GetVersionString());
        const OvSetupLib::OvVersion installed = OvSetupLib::ParseVersion(related.GetVersionString());

        const OvMsiString packageVersion = OvSetupLib::ReadPackageValue(folder + entry.msiPath, kProductVersionQuery);
        const OvSetupLib::OvVersion package = OvSetupLib::ParseVersion(packageVersion);
        Note(L"package", entry.msiPath + L" " + packageVersion);
        if (OvSetupLib::CompareVersions(installed, package, OvSetupLib::kWithoutRevision) < 0) return false;
    }
    return true;
}

OvMsiString OvConditionSingleProductDetector::GetMessage(const wchar_t*)
{
    return message;
}
}  // namespace OvBootstrapHelper
