#include "setup_lib/OvMsiDatabase.h"

#include "setup_lib/OvWinError.h"

#include <winsim/Machine.h>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>

using OvSetupLib::OvMsiDatabase;
using OvSetupLib::OvMsiEnumRelatedProductsWrp;
using OvSetupLib::OvMsiRecord;
using OvSetupLib::OvMsiString;
using OvSetupLib::OvMsiView;
using OvSetupLib::OvWinError;

namespace
{
const wchar_t* const kUpgrade = L"{2E7D1C94-5A3B-4F06-B8C1-9D4E6A2F0B35}";

std::wstring Query(const char* property)
{
    return L"SELECT `Property`.`Value` FROM `Property` WHERE `Property`.`Property`='" + winsim::Widen(property) + L"'";
}

class MsiTest : public ::testing::Test
{
protected:
    winsim::MachineScope machine;

    // Places a fixture package on the simulated media and returns its Windows path.
    std::wstring Package(const char* name)
    {
        std::ifstream in(std::string(OV_MSI_FIXTURE_DIR) + "/" + name + ".msi", std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        EXPECT_FALSE(bytes.str().empty()) << name;
        std::wstring path = L"C:\\Media\\" + winsim::Widen(name) + L".msi";
        winsim::M().WriteFile(path, bytes.str());
        return path;
    }

    DWORD CodeOf(const std::function<void()>& action)
    {
        try {
            action();
        } catch (const OvWinError& e) {
            EXPECT_EQ(e.Message(), L"");
            return e.ErrorCode();
        }
        return 0;
    }
};

TEST_F(MsiTest, ReadsPropertiesAroundTheFirstBuffer)
{
    std::wstring path = Package("long-values");
    struct {
        const char* property;
        std::size_t length;
        wchar_t fill;
    } cases[] = {{"LongValue", 1500, L'v'}, {"Exact1023", 1023, L'w'}, {"Exact1024", 1024, L'x'}};
    for (const auto& c : cases) {
        OvMsiString value = OvSetupLib::ReadPackageValue(path, Query(c.property).c_str());
        EXPECT_EQ(value, std::wstring(c.length, c.fill)) << c.property;
    }
    EXPECT_EQ(OvSetupLib::ReadPackageValue(path, Query("ProductVersion").c_str()), L"1.0.0.0");
    EXPECT_EQ(winsim::M().OpenHandles(), 0);
}

TEST_F(MsiTest, AHugePropertyIsReadWhole)
{
    std::wstring path = Package("huge-value");
    EXPECT_EQ(OvSetupLib::ReadPackageValue(path, Query("HugeValue").c_str()), std::wstring(100000, L'h'));
    EXPECT_EQ(winsim::M().OpenHandles(), 0);
}

TEST_F(MsiTest, OnlyTheLongValueNeedsTheSecondRead)
{
    std::wstring path = Package("long-values");
    // The second read is the only one that can see a failure injected after the first call.
    winsim::M().faults["MsiRecordGetStringW"] = winsim::Fault{ERROR_FUNCTION_FAILED, -1, 1};
    EXPECT_EQ(OvSetupLib::ReadPackageValue(path, Query("Exact1023").c_str()).size(), 1023u);
    winsim::M().faults["MsiRecordGetStringW"] = winsim::Fault{ERROR_FUNCTION_FAILED, -1, 1};
    EXPECT_EQ(CodeOf([&] { OvSetupLib::ReadPackageValue(path, Query("LongValue").c_str()); }),
              static_cast<DWORD>(ERROR_FUNCTION_FAILED));
}

TEST_F(MsiTest, PackageWithoutThePropertyFailsTheRead)
{
    std::wstring path = Package("no-upgrade-code");
    OvMsiDatabase database;
    database.OpenReadOnly(path.c_str());
    OvMsiView view;
    view.Open(database, Query("UpgradeCode").c_str());
    OvMsiRecord record;
    EXPECT_FALSE(view.Fetch(record));
    EXPECT_EQ(record.GetHandle(), 0u);
    EXPECT_EQ(CodeOf([&] { record.GetString(); }), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(MsiTest, OneViewServesTwoQueries)
{
    std::wstring path = Package("maritane-7.0.0.100");
    OvMsiDatabase database;
    database.OpenReadOnly(path.c_str());
    OvMsiView view;
    OvMsiRecord record;
    view.Open(database, Query("ProductVersion").c_str());
    ASSERT_TRUE(view.Fetch(record));
    EXPECT_EQ(record.GetString(), L"7.0.0.100");
    view.Open(database, Query("UpgradeCode").c_str());
    ASSERT_TRUE(view.Fetch(record));
    EXPECT_EQ(record.GetString(), kUpgrade);
    EXPECT_FALSE(view.Fetch(record));
    // database, view and record: nothing of the first query is left behind
    EXPECT_EQ(winsim::M().OpenHandles(), 2);
}

TEST_F(MsiTest, InstallerFailuresCarryTheirCodes)
{
    std::wstring path = Package("maritane-7.0.0.100");
    struct {
        const char* what;
        const char* fault;
        DWORD code;
        std::wstring path;
        std::wstring query;
    } cases[] = {
        {"missing package", nullptr, ERROR_OPEN_FAILED, L"C:\\Media\\absent.msi", Query("ProductVersion")},
        {"bad query", nullptr, ERROR_BAD_QUERY_SYNTAX, path, L"SELECT FROM WHERE"},
        {"open fails", "MsiOpenDatabaseW", 1619, path, Query("ProductVersion")},
        {"view fails", "MsiDatabaseOpenViewW", 1615, path, Query("ProductVersion")},
        {"execute fails", "MsiViewExecute", 1627, path, Query("ProductVersion")},
        {"fetch fails", "MsiViewFetch", 1627, path, Query("ProductVersion")},
        {"read fails", "MsiRecordGetStringW", 1627, path, Query("ProductVersion")},
    };
    for (const auto& c : cases) {
        winsim::M().faults.clear();
        if (c.fault) winsim::M().faults[c.fault] = winsim::Fault{c.code, -1, 0};
        EXPECT_EQ(CodeOf([&] { OvSetupLib::ReadPackageValue(c.path, c.query.c_str()); }), c.code) << c.what;
        EXPECT_EQ(winsim::M().OpenHandles(), 0) << c.what;
    }
}

TEST_F(MsiTest, ViewCloseFailure)
{
    std::wstring path = Package("maritane-7.0.0.100");
    OvMsiDatabase database;
    database.OpenReadOnly(path.c_str());
    {
        OvMsiView view;
        view.Open(database, Query("ProductVersion").c_str());
        winsim::M().faults["MsiViewClose"] = winsim::Fault{ERROR_INVALID_HANDLE_STATE, -1, 0};
        EXPECT_EQ(CodeOf([&] { view.Close(); }), static_cast<DWORD>(ERROR_INVALID_HANDLE_STATE));
        EXPECT_NE(view.GetHandle(), 0u);  // a failed close keeps the handle
        // Destruction drops the failure and still releases the handle.
    }
    EXPECT_EQ(winsim::M().OpenHandles(), 1);
}

// Consecutive queries of one package share its view: the close of the previous query is
// part of the next one, so its failure is raised there and not dropped.
TEST_F(MsiTest, PackageReadsSeveralValuesThroughOneView)
{
    std::wstring path = Package("maritane-7.0.0.100");
    {
        OvSetupLib::OvMsiPackage package(path);
        EXPECT_EQ(package.ReadValue(Query("ProductVersion").c_str()), L"7.0.0.100");
        EXPECT_EQ(package.ReadValue(Query("UpgradeCode").c_str()), kUpgrade);
        // No row: the empty record cannot be read, and the package stays usable.
        EXPECT_EQ(CodeOf([&] { package.ReadValue(Query("Absent").c_str()); }),
                  static_cast<DWORD>(ERROR_INVALID_HANDLE));
        EXPECT_EQ(package.ReadValue(Query("ProductVersion").c_str()), L"7.0.0.100");
        EXPECT_EQ(winsim::M().OpenHandles(), 3);  // the database, the view and the last row
    }
    EXPECT_EQ(winsim::M().OpenHandles(), 0);

    OvSetupLib::OvMsiPackage package(path);
    EXPECT_EQ(package.ReadValue(Query("ProductVersion").c_str()), L"7.0.0.100");
    winsim::M().faults["MsiViewClose"] = winsim::Fault{ERROR_INVALID_HANDLE_STATE, -1, 0};
    EXPECT_EQ(CodeOf([&] { package.ReadValue(Query("UpgradeCode").c_str()); }),
              static_cast<DWORD>(ERROR_INVALID_HANDLE_STATE));
    EXPECT_EQ(CodeOf([] { OvSetupLib::OvMsiPackage absent(L"C:\\Media\\absent.msi"); }),
              static_cast<DWORD>(ERROR_OPEN_FAILED));
}

TEST_F(MsiTest, EmptyWrappersCallNothing)
{
    winsim::M().faults["MsiViewClose"] = winsim::Fault{ERROR_INVALID_HANDLE_STATE, -1, 0};
    {
        OvMsiDatabase database;
        OvMsiView view;
        OvMsiRecord record;
        view.Close();
    }
    EXPECT_EQ(winsim::M().faults["MsiViewClose"].remaining, -1);
    EXPECT_EQ(winsim::M().OpenHandles(), 0);
}

TEST_F(MsiTest, RelatedProductsInTheInstallersOrder)
{
    winsim::M().installed[kUpgrade] = {{L"{AAAAAAAA-0000-0000-0000-000000000001}", L"6.5.0.0", 0},
                                       {L"{AAAAAAAA-0000-0000-0000-000000000002}", L"7.1.0.0", 0}};
    OvMsiEnumRelatedProductsWrp products(kUpgrade);
    ASSERT_FALSE(products.IsAtEnd());
    EXPECT_EQ(products.Items(), (std::vector<OvMsiString>{L"{AAAAAAAA-0000-0000-0000-000000000001}",
                                                          L"{AAAAAAAA-0000-0000-0000-000000000002}"}));
    EXPECT_EQ(products.Current(), L"{AAAAAAAA-0000-0000-0000-000000000001}");
    EXPECT_EQ(products.GetVersionString(), L"6.5.0.0");
}

TEST_F(MsiTest, LongVersionTextIsReadWhole)
{
    std::wstring version(300, L'9');
    winsim::M().installed[kUpgrade] = {{L"{AAAAAAAA-0000-0000-0000-000000000001}", version, 0}};
    EXPECT_EQ(OvMsiEnumRelatedProductsWrp(kUpgrade).GetVersionString(), version);
}

TEST_F(MsiTest, EnumerationFailures)
{
    OvMsiEnumRelatedProductsWrp none(kUpgrade);
    EXPECT_TRUE(none.IsAtEnd());
    EXPECT_EQ(CodeOf([&] { none.Current(); }), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
    EXPECT_EQ(CodeOf([&] { none.GetVersionString(); }), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));

    winsim::M().installed[kUpgrade] = {{L"{AAAAAAAA-0000-0000-0000-000000000001}", L"7.0", ERROR_UNKNOWN_PRODUCT}};
    OvMsiEnumRelatedProductsWrp removed(kUpgrade);
    EXPECT_EQ(CodeOf([&] { removed.GetVersionString(); }), static_cast<DWORD>(ERROR_UNKNOWN_PRODUCT));

    winsim::M().enumError = ERROR_BAD_CONFIGURATION;
    EXPECT_EQ(CodeOf([&] { OvMsiEnumRelatedProductsWrp failing(kUpgrade); }),
              static_cast<DWORD>(ERROR_BAD_CONFIGURATION));
}
}  // namespace
