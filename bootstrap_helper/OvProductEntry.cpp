#include "bootstrap_helper/OvProductEntry.h"

#include "setup_lib/OvStrings.h"
#include "setup_lib/OvWinError.h"

namespace OvBootstrapHelper
{
const wchar_t* const kProductVersionQuery =
    L"SELECT `Property`.`Value` FROM `Property` WHERE `Property`.`Property`='ProductVersion'";
const wchar_t* const kUpgradeCodeQuery =
    L"SELECT `Property`.`Value` FROM `Property` WHERE `Property`.`Property`='UpgradeCode'";

OvSetupLib::OvMsiString GetSettingsFolder()
{
    OvSetupLib::OvMsiString above = OvSetupLib::GetProgramFolder() + L"..\\";
    wchar_t full[MAX_PATH] = {};
    DWORD fullLength = GetFullPathNameW(above.c_str(), MAX_PATH, full, nullptr);
    OvSetupLib::ThrowLastErrorIf(fullLength == 0 || fullLength >= MAX_PATH);
    return OvSetupLib::AddTrailingBackslash(full);
}

std::vector<OvSetupLib::OvXmlElement*> FindProductElements(const OvSetupLib::OvXmlDocument& document)
{
    if (!document.IsLoaded() || document.GetRoot() == nullptr) return {};
    return document.GetRoot()->FindElements(L"product");
}

bool ReadProductEntry(OvSetupLib::OvXmlElement& product, OvProductEntry& entry)
{
    std::vector<OvSetupLib::OvXmlElement*> msi = product.FindElements(L"msi");
    if (msi.empty()) return false;
    std::vector<OvSetupLib::OvXmlElement*> path = msi.front()->FindElements(L"path");
    if (path.empty()) return false;
    entry = OvProductEntry();
    OvSetupLib::OvMsiString codes = product.GetAttribute(L"upgradecode");
    if (!codes.empty()) entry.upgradeCodes = OvSetupLib::SplitString(codes.c_str(), L";");
    entry.allowRevisionUpgrade = product.GetAttribute(L"AllowRevisionUpgrade").CompareIgnoreCase(L"true") == 0;
    entry.minVersion = product.GetAttribute(L"minver");
    entry.msiPath = path.front()->GetAttribute(L"value");
    entry.name = product.GetAttribute(L"name");
    return true;
}

std::vector<OvProductEntry> ReadProductEntries(const OvSetupLib::OvXmlDocument& document)
{
    std::vector<OvProductEntry> entries;
    OvProductEntry entry;
    for (OvSetupLib::OvXmlElement* product : FindProductElements(document))
        if (ReadProductEntry(*product, entry)) entries.push_back(entry);
    return entries;
}
}  // namespace OvBootstrapHelper
