// Registry views as OvRegKeyHelper sees them: a key written only in the 32-bit view is
// not seen in the 64-bit view and the other way round; a helper without view flags sees
// the view of its own process (32-bit in a WOW64 process, the 64-bit one otherwise);
// HKEY_CURRENT_USER\Software is one key for both.
#include "PlatformTest.h"

#include "setup_lib/OvRegKeyHelper.h"
#include "setup_lib/OvRedirectionDisabler.h"

namespace
{
using OvPlatformTest::PlatformTest;
using OvSetupLib::OvRegKeyHelper;

const wchar_t* const kOnly32 = L"SOFTWARE\\Orvale\\PlatformProbe32";
const wchar_t* const kOnly64 = L"SOFTWARE\\Orvale\\PlatformProbe64";

class RegistryViews : public PlatformTest
{
protected:
    // Writes the DWORD value "Probe" in a new key of the chosen view.
    static void WriteKey(HKEY root, const wchar_t* path, REGSAM view, DWORD value)
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        EXPECT_EQ(RegSetValueExW(key, L"Probe", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }

    // The value "Probe" through a helper, or 0 when the key does not open.
    static DWORD ReadProbe(bool view64, HKEY root, const wchar_t* path)
    {
        OvRegKeyHelper key(view64);
        if (key.Open(root, path, KEY_READ) != ERROR_SUCCESS) return 0;
        DWORD value = 0;
        DWORD size = sizeof value;
        DWORD type = REG_NONE;
        EXPECT_EQ(RegQueryValueExW(key.Get(), L"Probe", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size),
                  ERROR_SUCCESS);
        EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
        return value;
    }

    void TearDown() override
    {
#ifdef _WIN32
        RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kOnly32, KEY_WOW64_32KEY, 0);
        RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kOnly64, KEY_WOW64_64KEY, 0);
        RegDeleteKeyExW(HKEY_CURRENT_USER, kOnly32, KEY_WOW64_32KEY, 0);
#endif
        PlatformTest::TearDown();
    }
};

TEST_F(RegistryViews, AKeyOfOneViewIsNotSeenInTheOther)
{
    WriteKey(HKEY_LOCAL_MACHINE, kOnly32, KEY_WOW64_32KEY, 32);
    WriteKey(HKEY_LOCAL_MACHINE, kOnly64, KEY_WOW64_64KEY, 64);

    EXPECT_FALSE(OvRegKeyHelper(true).KeyExists(HKEY_LOCAL_MACHINE, kOnly32));
    EXPECT_TRUE(OvRegKeyHelper(true).KeyExists(HKEY_LOCAL_MACHINE, kOnly64));
    EXPECT_EQ(ReadProbe(true, HKEY_LOCAL_MACHINE, kOnly64), 64u);
    EXPECT_EQ(ReadProbe(true, HKEY_LOCAL_MACHINE, kOnly32), 0u);

    // Without view flags: the process's own view.
    const bool wow64 = OvSetupLib::IsWow64();
    EXPECT_EQ(OvRegKeyHelper(false).KeyExists(HKEY_LOCAL_MACHINE, kOnly32), wow64);
    EXPECT_EQ(OvRegKeyHelper(false).KeyExists(HKEY_LOCAL_MACHINE, kOnly64), !wow64);
    EXPECT_EQ(ReadProbe(false, HKEY_LOCAL_MACHINE, wow64 ? kOnly32 : kOnly64), wow64 ? 32u : 64u);
}

TEST_F(RegistryViews, TheUsersSoftwareKeyIsSharedByBothViews)
{
    WriteKey(HKEY_CURRENT_USER, kOnly32, KEY_WOW64_32KEY, 32);
    EXPECT_TRUE(OvRegKeyHelper(true).KeyExists(HKEY_CURRENT_USER, kOnly32));
    EXPECT_EQ(ReadProbe(true, HKEY_CURRENT_USER, kOnly32), 32u);
    EXPECT_EQ(ReadProbe(false, HKEY_CURRENT_USER, kOnly32), 32u);
}

TEST_F(RegistryViews, AMissingKeyIsNoError)
{
    // As the .NET detection meets a machine without it: false and an empty key.
    EXPECT_FALSE(OvRegKeyHelper(true).KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Orvale\\NoSuchKey"));
    OvRegKeyHelper key(true);
    EXPECT_EQ(key.Open(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Orvale\\NoSuchKey", KEY_READ), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key.Get(), nullptr);
}
}  // namespace
