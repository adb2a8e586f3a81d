// Installation media on the simulated machine: the settings file beside the setup
// folder and real packages built by the fixture step.
#pragma once

#include <winsim/Machine.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace media
{
// The program runs from C:\Media\Setup, so the settings folder is C:\Media\.
inline const wchar_t* SettingsFolder()
{
    return L"C:\\Media\\";
}

inline void PlacePackage(const char* fixture, const std::wstring& relativePath)
{
    std::ifstream in(std::string(OV_MSI_FIXTURE_DIR) + "/" + fixture + ".msi", std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    ASSERT_FALSE(bytes.str().empty()) << fixture;
    winsim::M().WriteFile(SettingsFolder() + relativePath, bytes.str());
}

// One product element; attributes are given as written in the file.
inline std::string Product(const std::string& attributes, const std::string& msiPath)
{
    return "  <product " + attributes + ">\n    <msi kind=\"main\" os=\"x64\">\n      <path value=\"" + msiPath +
           "\" arch=\"x64\"/>\n    </msi>\n  </product>\n";
}

inline void WriteSettings(const wchar_t* name, const std::string& products)
{
    winsim::M().WriteFile(SettingsFolder() + std::wstring(name),
                          "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Settings>\n" + products + "</Settings>\n");
}

// Upgrade codes of the fixture packages.
inline const wchar_t* MainCode()
{
    return L"{9F4E2A61-7B3C-4D58-A1E6-2C8B5D0F3A47}";
}
inline const wchar_t* CompanionCode()
{
    return L"{2E7D1C94-5A3B-4F06-B8C1-9D4E6A2F0B35}";
}

inline void Install(const std::wstring& upgradeCode, const std::wstring& version, int serial = 1)
{
    wchar_t code[39];
    std::swprintf(code, 39, L"{%08X-0000-4000-8000-000000000000}", static_cast<unsigned>(serial));
    winsim::M().installed[upgradeCode].push_back(winsim::InstalledProduct{code, version, 0});
}
}  // namespace media
