#include "bootstrap_helper/OvConditionInstalledProducts.h"

#include "bootstrap_helper/OvProductEntry.h"
#include "setup_lib/OvMsiDatabase.h"
#include "setup_lib/OvStrings.h"
#include "setup_lib/OvXmlDocument.h"

namespace OvBootstrapHelper
{
using OvSetupLib::CompareVersions;
using OvSetupLib::OvMsiString;
using OvSetupLib::OvVersion;
using OvSetupLib::ParseVersion;

bool IsUpgradeAllowed(const OvVersion& installed, const OvVersion& package, bool allowRevisionUpgrade)
{
    int major = CompareVersions(installed, package, OvSetupLib::kWithoutRevision);
    if (major != 0) return major < 0;
    int revision = CompareVersions(installed, package, OvSetupLib::kWholeVersion);
    if (revision == 0) return true;
    return revision < 0 && allowRevisionUpgrade;
}

OvConditionInstalledProducts::OvConditionInstalledProducts(const OvMsiString& settingsFileName)
    : settingsFileName(settingsFileName), displayVersion(L"6.0")
{}

bool OvConditionInstalledProducts::JudgeInstalledVersion(const OvMsiString& installedText, const OvVersion& package,
                                                         const OvMsiString& minVersion, bool allowRevisionUpgrade)
{
    OvVersion installed = ParseVersion(installedText);
    if (!minVersion.empty() && CompareVersions(installed, ParseVersion(minVersion), OvSetupLib::kWithoutRevision) < 0) {
        belowMinimum = true;
        return false;
    }
    if (!IsUpgradeAllowed(installed, package, allowRevisionUpgrade)) {
        belowMinimum = false;
        return false;
    }
    return true;
}

bool OvConditionInstalledProducts::Check()
{
    bool met = true;
    const OvMsiString folder = GetSettingsFolder();
    OvSetupLib::OvXmlDocument settings(folder + settingsFileName);
    for (const OvProductEntry& entry : ReadProductEntries(settings)) {
        OvSetupLib::OvMsiDatabase database;
        database.OpenReadOnly((folder + entry.msiPath).c_str());
        OvSetupLib::OvMsiView view;
        OvSetupLib::OvMsiRecord record;
        view.Open(database, kProductVersionQuery);
        view.Fetch(record);
        const OvVersion package = ParseVersion(record.GetString());
        view.Open(database, kUpgradeCodeQuery);
        view.Fetch(record);
        const OvMsiString ownCode = record.GetString();

        OvSetupLib::OvMsiEnumRelatedProductsWrp own(ownCode);
        if (!own.IsAtEnd() &&
            !JudgeInstalledVersion(own.GetVersionString(), package, entry.minVersion, entry.allowRevisionUpgrade)) {
            return false;
        }
        for (const OvMsiString& code : entry.upgradeCodes) {
            OvSetupLib::OvMsiEnumRelatedProductsWrp related(code);
            if (related.IsAtEnd()) continue;
            if (!JudgeInstalledVersion(related.GetVersionString(), package, entry.minVersion,
                                       entry.allowRevisionUpgrade)) {
                met = false;
                break;
            }
        }
    }
    return met;
}

OvMsiString OvConditionInstalledProducts::GetMessage(const wchar_t*)
{
    if (belowMinimum) return OvSetupLib::FormatResourceString(517, displayVersion.c_str());
    return OvSetupLib::LoadResourceString(518);
}
}  // namespace OvBootstrapHelper
