#include "setup_lib/OvRegKeyHelper.h"
#include "setup_lib/OvWinError.h"

#include <gtest/gtest.h>
#include <winsim/Machine.h>

using OvSetupLib::OvRegKeyHelper;
using OvSetupLib::OvWinError;
using winsim::M;

namespace
{
const wchar_t* const kKey = L"SOFTWARE\\Orvale\\Probe";

class RegKeyHelperTest : public ::testing::Test
{
protected:
    winsim::MachineScope machine;
    void SetUp() override { M().registry.clear(); }
};

TEST_F(RegKeyHelperTest, KeyExistsLooksInItsView)
{
    M().Key(HKEY_LOCAL_MACHINE, kKey, false);
    EXPECT_TRUE(OvRegKeyHelper(false).KeyExists(HKEY_LOCAL_MACHINE, kKey));
    EXPECT_FALSE(OvRegKeyHelper(true).KeyExists(HKEY_LOCAL_MACHINE, kKey));
    M().Key(HKEY_LOCAL_MACHINE, kKey, true);
    EXPECT_TRUE(OvRegKeyHelper(true).KeyExists(HKEY_LOCAL_MACHINE, kKey));
    EXPECT_FALSE(OvRegKeyHelper(true).KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Orvale\\Missing"));
    EXPECT_EQ(M().OpenHandles(), 0);
}

TEST_F(RegKeyHelperTest, KeyExistsThrowsForADeniedKey)
{
    M().Key(HKEY_CURRENT_USER, kKey).openError = ERROR_ACCESS_DENIED;
    try {
        OvRegKeyHelper(true).KeyExists(HKEY_CURRENT_USER, kKey);
        FAIL() << "no error";
    } catch (const OvWinError& e) {
        EXPECT_EQ(e.ErrorCode(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    }
    EXPECT_EQ(M().OpenHandles(), 0);
}

TEST_F(RegKeyHelperTest, OpenReturnsTheStatusAndHoldsTheKey)
{
    M().Key(HKEY_LOCAL_MACHINE, kKey, true).values[L"V"] = winsim::RegistryValue{REG_DWORD, {7, 0, 0, 0}};
    {
        OvRegKeyHelper k(true);
        EXPECT_EQ(k.Open(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Orvale\\Missing", KEY_READ), ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(k.Get(), nullptr);
        ASSERT_EQ(k.Open(HKEY_LOCAL_MACHINE, kKey, KEY_READ), ERROR_SUCCESS);
        DWORD v = 0, size = sizeof v;
        EXPECT_EQ(RegQueryValueExW(k.Get(), L"V", nullptr, nullptr, reinterpret_cast<LPBYTE>(&v), &size),
                  ERROR_SUCCESS);
        EXPECT_EQ(v, 7u);
        EXPECT_EQ(k.Open(HKEY_LOCAL_MACHINE, kKey, KEY_READ), ERROR_SUCCESS);
        EXPECT_EQ(M().OpenHandles(), 1) << "reopening closes the key held before";
    }
    EXPECT_EQ(M().OpenHandles(), 0);
}

TEST_F(RegKeyHelperTest, CreateMakesTheSubkeyUnderTheParent)
{
    M().Key(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion");
    OvRegKeyHelper parent(true);
    ASSERT_EQ(parent.Open(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion", KEY_WRITE),
              ERROR_SUCCESS);
    OvRegKeyHelper child(false);
    ASSERT_EQ(child.Create(parent, L"RunOnce", KEY_ALL_ACCESS), ERROR_SUCCESS);
    EXPECT_NE(child.Get(), nullptr);
    EXPECT_EQ(M().registry.count(winsim::Machine::RegistryPath(
                  HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", true)),
              1u);
    OvRegKeyHelper orphan(false);
    OvRegKeyHelper none(false);
    EXPECT_EQ(orphan.Create(none, L"RunOnce", KEY_ALL_ACCESS), ERROR_INVALID_HANDLE);
}

// The bytes are spelt out: UTF-16LE units, the terminating null, a unit above 0xFF kept whole;
// a key that is not open gives the registry's own status.
TEST_F(RegKeyHelperTest, SetStringValueStoresUtf16WithItsNull)
{
    OvRegKeyHelper key(false);
    ASSERT_EQ(key.Open(HKEY_CURRENT_USER, L"Software", KEY_WRITE), ERROR_FILE_NOT_FOUND);
    EXPECT_NE(key.SetStringValue(L"V", L"x"), ERROR_SUCCESS);
    M().Key(HKEY_CURRENT_USER, kKey);
    ASSERT_EQ(key.Open(HKEY_CURRENT_USER, kKey, KEY_WRITE), ERROR_SUCCESS);
    ASSERT_EQ(key.SetStringValue(L"V", L"A\u00e9\u20ac"), ERROR_SUCCESS);
    ASSERT_EQ(key.SetStringValue(L"Empty", L""), ERROR_SUCCESS);
    const winsim::RegistryValue* v = M().Value(HKEY_CURRENT_USER, kKey, L"V");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(v->data, (std::vector<BYTE>{0x41, 0x00, 0xE9, 0x00, 0xAC, 0x20, 0x00, 0x00}));
    const winsim::RegistryValue* empty = M().Value(HKEY_CURRENT_USER, kKey, L"Empty");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->data, (std::vector<BYTE>{0x00, 0x00}));
}

TEST(RegistrySimulation, ValueSizesAndViews)
{
    winsim::MachineScope machine;
    M().Key(HKEY_LOCAL_MACHINE, kKey, false).values[L"S"] = winsim::RegistryValue{REG_SZ, {'a', 0, 'b', 0, 0, 0}};
    HKEY k = nullptr;
    // Without a view flag the 32-bit program on 64-bit Windows sees the 32-bit view.
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ, &k), ERROR_SUCCESS);
    BYTE small[4];
    DWORD size = sizeof small, type = 0;
    EXPECT_EQ(RegQueryValueExW(k, L"S", nullptr, &type, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 6u);
    BYTE big[8];
    size = sizeof big;
    EXPECT_EQ(RegQueryValueExW(k, L"S", nullptr, &type, big, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(RegQueryValueExW(k, L"none", nullptr, nullptr, big, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegSetValueExW(k, L"W", 0, REG_DWORD, big, 4), ERROR_ACCESS_DENIED) << "opened for reading only";
    EXPECT_EQ(RegCloseKey(k), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(k), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ | KEY_WOW64_64KEY, &k), ERROR_FILE_NOT_FOUND);
    // A machine without WOW64 has one registry, reached with or without the flag.
    M().wow64 = false;
    M().Key(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Native", true);
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Native", 0, KEY_READ, &k), ERROR_SUCCESS);
    RegCloseKey(k);
    EXPECT_EQ(M().OpenHandles(), 0);
}
}  // namespace
