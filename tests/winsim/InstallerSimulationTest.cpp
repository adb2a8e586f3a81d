// The simulated installer and version calls keep the result conventions of Windows.
#include <winsim/Machine.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

namespace
{
class InstallerSimulationTest : public ::testing::Test
{
protected:
    winsim::MachineScope machine;
};

const wchar_t* const kUpgrade = L"{2E7D1C94-5A3B-4F06-B8C1-9D4E6A2F0B35}";
const wchar_t* const kProduct = L"{AAAAAAAA-0000-4000-8000-000000000001}";

TEST_F(InstallerSimulationTest, TextOutParametersReportTheNeededLength)
{
    winsim::M().installed[kUpgrade] = {{kProduct, L"7.0.0.100", 0}};
    wchar_t buffer[16] = {L'#', L'#', L'#', L'#'};
    DWORD length = 0;
    EXPECT_EQ(MsiGetProductInfoW(kProduct, L"VersionString", buffer, &length), static_cast<UINT>(ERROR_MORE_DATA));
    EXPECT_EQ(length, 9u);
    EXPECT_EQ(buffer[0], L'#');  // nothing written into a buffer of no characters
    length = 9;
    EXPECT_EQ(MsiGetProductInfoW(kProduct, L"VersionString", buffer, &length), static_cast<UINT>(ERROR_MORE_DATA));
    EXPECT_EQ(std::wstring(buffer), L"7.0.0.10");
    length = 10;
    EXPECT_EQ(MsiGetProductInfoW(kProduct, L"VersionString", buffer, &length), static_cast<UINT>(ERROR_SUCCESS));
    EXPECT_EQ(length, 9u);
    EXPECT_EQ(std::wstring(buffer), L"7.0.0.100");
    EXPECT_EQ(MsiGetProductInfoW(L"{00000000-0000-0000-0000-000000000000}", L"VersionString", buffer, &length),
              static_cast<UINT>(ERROR_UNKNOWN_PRODUCT));
}

TEST_F(InstallerSimulationTest, EnumerationEndsWithNoMoreItems)
{
    winsim::M().installed[kUpgrade] = {{kProduct, L"1.0", 0}};
    wchar_t code[39] = {};
    EXPECT_EQ(MsiEnumRelatedProductsW(kUpgrade, 0, 0, code), static_cast<UINT>(ERROR_SUCCESS));
    EXPECT_EQ(std::wstring(code), kProduct);
    EXPECT_EQ(MsiEnumRelatedProductsW(kUpgrade, 0, 1, code), static_cast<UINT>(ERROR_NO_MORE_ITEMS));
    EXPECT_EQ(MsiEnumRelatedProductsW(L"{BBBBBBBB-0000-4000-8000-000000000001}", 0, 0, code),
              static_cast<UINT>(ERROR_NO_MORE_ITEMS));
    winsim::M().enumError = ERROR_BAD_CONFIGURATION;
    EXPECT_EQ(MsiEnumRelatedProductsW(kUpgrade, 0, 0, code), static_cast<UINT>(ERROR_BAD_CONFIGURATION));
}

TEST_F(InstallerSimulationTest, PackageRecordsAndHandles)
{
    std::ifstream in(std::string(OV_BINARY_DIR) + "/tests/fixtures/msi/maritane-6.5.2.0.msi", std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    ASSERT_FALSE(bytes.str().empty());
    winsim::M().WriteFile(L"C:\\p.msi", bytes.str());

    MSIHANDLE db = 0, view = 0, record = 0;
    ASSERT_EQ(MsiOpenDatabaseW(L"C:\\p.msi", MSIDBOPEN_READONLY, &db), static_cast<UINT>(ERROR_SUCCESS));
    ASSERT_EQ(MsiDatabaseOpenViewW(
                  db, L"SELECT `Property`.`Value` FROM `Property` WHERE `Property`.`Property`='ProductVersion'", &view),
              static_cast<UINT>(ERROR_SUCCESS));
    EXPECT_EQ(MsiViewFetch(view, &record), static_cast<UINT>(ERROR_FUNCTION_FAILED));  // not executed yet
    ASSERT_EQ(MsiViewExecute(view, 0), static_cast<UINT>(ERROR_SUCCESS));
    ASSERT_EQ(MsiViewFetch(view, &record), static_cast<UINT>(ERROR_SUCCESS));
    wchar_t buffer[4];
    DWORD length = 4;
    EXPECT_EQ(MsiRecordGetStringW(record, 1, buffer, &length), static_cast<UINT>(ERROR_MORE_DATA));
    EXPECT_EQ(length, 7u);
    MSIHANDLE none = 0;
    EXPECT_EQ(MsiViewFetch(view, &none), static_cast<UINT>(ERROR_NO_MORE_ITEMS));
    EXPECT_EQ(MsiRecordGetStringW(0, 1, buffer, &length), static_cast<UINT>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(MsiViewClose(view), static_cast<UINT>(ERROR_SUCCESS));
    EXPECT_EQ(winsim::M().OpenHandles(), 3);
    for (MSIHANDLE h : {record, view, db})
        EXPECT_EQ(MsiCloseHandle(h), static_cast<UINT>(ERROR_SUCCESS));
    EXPECT_EQ(MsiCloseHandle(db), static_cast<UINT>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(winsim::M().OpenHandles(), 0);
}

TEST_F(InstallerSimulationTest, VersionBlockHoldsTheFixedFileInformation)
{
    winsim::M().fileVersions[L"msi.dll"] = winsim::FileVersion{4, 5, 6001, 22308, true};
    DWORD ignored = 1;
    DWORD size = GetFileVersionInfoSizeW(L"msi.dll", &ignored);
    ASSERT_GT(size, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(ignored, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(L"msi.dll", 0, size, block.data()));
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<LPVOID*>(&info), &length));
    EXPECT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(info->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(info->dwFileVersionMS, (4u << 16) | 5u);
    EXPECT_EQ(info->dwFileVersionLS, (6001u << 16) | 22308u);

    EXPECT_EQ(GetFileVersionInfoSizeW(L"absent.dll", &ignored), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    winsim::M().fileVersions[L"msi.dll"].hasResource = false;
    EXPECT_EQ(GetFileVersionInfoSizeW(L"msi.dll", &ignored), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_DATA_NOT_FOUND));
}
}  // namespace
