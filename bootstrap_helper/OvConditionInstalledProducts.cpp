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
    ClearValues();
    const OvMsiString folder = GetSettingsFolder();
    OvSetupLib::OvXmlDocument settings(folder + settingsFileName);
    for (const OvProductEntry& entry : ReadProductEntries(settings)) {
        OvSetupLib::OvMsiPackage packageFile(folder + entry.msiPath);
        const OvMsiString packageVersion = packageFile.ReadValue(kProductVersionQuery);
        const OvVersion package = ParseVersion(packageVersion);
        Note(L"package", entry.msiPath + L" " + packageVersion);
        const OvMsiString ownCode = packageFile.ReadValue(kUpgradeCodeQuery);

        OvSetupLib::OvMsiEnumRelatedProductsWrp own(ownCode);
        if (!own.IsAtEnd()) Note(L"installed", ownCode + L" " + own.GetVersionString());
        if (!own.IsAtEnd() &&
            !JudgeInstalledVersion(own.GetVersionString(), package, entry.minVersion, entry.allowRevisionUpgrade)) {
            return false;
        }
        for (const OvMsiString& code : entry.upgradeCodes) {
            OvSetupLib::OvMsiEnumRelatedProductsWrp related(code);
            if (related.IsAtEnd()) continue;
            Note(L"installed", code + L" " + related.GetVersionString());
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
