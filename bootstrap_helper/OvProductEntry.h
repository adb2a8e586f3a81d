// The product entries of a settings file, and where the settings file lies.
#pragma once

#include "setup_lib/OvMsiString.h"
#include "setup_lib/OvXmlDocument.h"

#include <vector>

namespace OvBootstrapHelper
{
struct OvProductEntry {
    OvSetupLib::OvMsiString name;
    OvSetupLib::OvMsiString msiPath;  // relative to the settings folder
    std::vector<OvSetupLib::OvMsiString> upgradeCodes;
    OvSetupLib::OvMsiString minVersion;
    bool allowRevisionUpgrade = false;
};

// The folder above the program's folder, with a trailing backslash. Throws OvWinError.
OvSetupLib::OvMsiString GetSettingsFolder();
// The product elements in document order; none when the document is not loaded. An
// element without an msi element holding a path element is skipped.
std::vector<OvProductEntry> ReadProductEntries(const OvSetupLib::OvXmlDocument& document);
// The product elements of a loaded document in document order, skipped ones included.
std::vector<OvSetupLib::OvXmlElement*> FindProductElements(const OvSetupLib::OvXmlDocument& document);
// The entry of one product element; false when the element is skipped.
bool ReadProductEntry(OvSetupLib::OvXmlElement& product, OvProductEntry& entry);

// The two one-row queries of a package's Property table.
extern const wchar_t* const kProductVersionQuery;
extern const wchar_t* const kUpgradeCodeQuery;
}  // namespace OvBootstrapHelper
