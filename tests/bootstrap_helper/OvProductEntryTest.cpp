#include "bootstrap_helper/OvProductEntry.h"

#include "MediaFixture.h"
#include "setup_lib/OvWinError.h"

#include <gtest/gtest.h>

using OvBootstrapHelper::GetSettingsFolder;
using OvBootstrapHelper::ReadProductEntries;

namespace
{
class ProductEntryTest : public ::testing::Test
{
protected:
    winsim::MachineScope machine;
};

TEST_F(ProductEntryTest, SettingsFolderIsAboveTheProgramsFolder)
{
    EXPECT_EQ(GetSettingsFolder(), L"C:\\Media\\");
    winsim::M().modulePath = L"D:\\media\\setup\\Setup.exe";
    EXPECT_EQ(GetSettingsFolder(), L"D:\\media\\");
}

// A program path that does not fit is refused with the same code everywhere (it used to be
// the last error of the cut read: 122, or 1359 where the system set none).
TEST_F(ProductEntryTest, AProgramPathThatDoesNotFitIsRefused)
{
    winsim::M().modulePath = L"D:\\" + std::wstring(MAX_PATH, L'a') + L"\\Setup.exe";
    try {
        GetSettingsFolder();
        FAIL() << "no error";
    } catch (const OvSetupLib::OvWinError& e) {
        EXPECT_EQ(e.ErrorCode(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
    }
}

TEST_F(ProductEntryTest, ReadsEachProductInDocumentOrder)
{
    media::WriteSettings(L"S.xml",
                         media::Product("name=\"Keldora\" upgradecode=\"{A};{B}\" AllowRevisionUpgrade=\"True\" "
                                        "minver=\"6.0\"",
                                        "Keldora\\Keldora Server.msi") +
                             "  <group a=\"1\" b=\"2\">\n" + media::Product("name=\"Maritane\" kind=\"c\"", "m.msi") +
                             "  </group>\n" +
                             "  <PRODUCT name=\"Bare\" kind=\"c\">\n    <msi a=\"1\" b=\"2\">\n      <path "
                             "value=\"only.msi\"/>\n    </msi>\n  </PRODUCT>\n");
    OvSetupLib::OvXmlDocument document(L"C:\\Media\\S.xml");
    ASSERT_TRUE(document.IsLoaded());
    auto entries = ReadProductEntries(document);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].name, L"Keldora");
    EXPECT_EQ(entries[0].msiPath, L"Keldora\\Keldora Server.msi");
    EXPECT_EQ(entries[0].upgradeCodes, (std::vector<OvSetupLib::OvMsiString>{L"{A}", L"{B}"}));
    EXPECT_TRUE(entries[0].allowRevisionUpgrade);
    EXPECT_EQ(entries[0].minVersion, L"6.0");
    EXPECT_EQ(entries[1].name, L"Maritane");
    EXPECT_TRUE(entries[1].upgradeCodes.empty());
    EXPECT_FALSE(entries[1].allowRevisionUpgrade);
    EXPECT_EQ(entries[1].minVersion, L"");
    // A path element with its value as the only attribute yields an empty path.
    EXPECT_EQ(entries[2].msiPath, L"");
}

TEST_F(ProductEntryTest, NoEntriesFromAnUnloadedDocument)
{
    OvSetupLib::OvXmlDocument missing(L"C:\\Media\\Absent.xml");
    EXPECT_TRUE(ReadProductEntries(missing).empty());
}
}  // namespace
