// WOW64 as the program meets it: the process query, file-system redirection of the system
// folder switched off by the disabler and restored on every way out of its scope, and the
// registry keys that both views share. A 32-bit process (winsim, the x86 build) and a
// 64-bit one (the x64 build) give the answers of their kind.
#include "PlatformTest.h"

#include "setup_lib/OvRedirectionDisabler.h"
#include "setup_lib/OvRegKeyHelper.h"

#include <stdexcept>

namespace
{
using OvPlatformTest::PlatformTest;

constexpr WORD kMachineI386 = 0x014C;
constexpr WORD kMachineAmd64 = 0x8664;

std::wstring SystemFile(const wchar_t* name)
{
    wchar_t folder[MAX_PATH] = {};
    UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    EXPECT_GT(length, 0u);
    return std::wstring(folder, length) + L"\\" + name;
}

// The machine field of a program file's PE header, or 0 when the file is no PE file.
WORD PeMachine(const std::wstring& path)
{
    std::string bytes = OvPlatformTest::ReadFileBytes(path);
    auto u16 = [&](std::size_t at) {
        return at + 2 <= bytes.size() ? static_cast<WORD>(static_cast<unsigned char>(bytes[at]) |
                                                          (static_cast<unsigned char>(bytes[at + 1]) << 8))
                                      : static_cast<WORD>(0);
    };
    std::size_t pe = static_cast<std::size_t>(u16(0x3C)) | (static_cast<std::size_t>(u16(0x3E)) << 16);
    if (bytes.size() < 0x40 || bytes.compare(0, 2, "MZ") != 0 || pe + 6 > bytes.size()) return 0;
    if (bytes.compare(pe, 4, std::string("PE\0\0", 4)) != 0) return 0;
    return u16(pe + 4);
}

class Wow64 : public PlatformTest
{
protected:
    void SetUp() override
    {
#ifndef _WIN32
        // What 64-bit Windows holds: the 64-bit kernel32 in System32, the 32-bit one in SysWOW64.
        auto pe = [](WORD machine) {
            std::string bytes(0x100, '\0');
            bytes[0] = 'M';
            bytes[1] = 'Z';
            bytes[0x3C] = static_cast<char>(0x80);
            bytes.replace(0x80, 4, std::string("PE\0\0", 4));
            bytes[0x84] = static_cast<char>(machine & 0xFF);
            bytes[0x85] = static_cast<char>(machine >> 8);
            return bytes;
        };
        winsim::M().WriteFile(L"C:\\Windows\\system32\\kernel32.dll", pe(kMachineAmd64));
        winsim::M().WriteFile(L"C:\\Windows\\SysWOW64\\kernel32.dll", pe(kMachineI386));
#endif
    }

    // What the process reaches under the system folder's name, and what is really there.
    static WORD OwnKind()
    {
        return OvSetupLib::kIs64BitBuild ? kMachineAmd64 : kMachineI386;
    }
    static WORD SystemKind()
    {
        return OvSetupLib::IsWow64() || OvSetupLib::kIs64BitBuild ? kMachineAmd64 : OwnKind();
    }
};

TEST_F(Wow64, TheProcessQueryTellsA32BitProcessOn64BitWindows)
{
    // Every run of these tests is on 64-bit Windows: only a 32-bit process is under WOW64.
    EXPECT_EQ(OvSetupLib::IsWow64(), !OvSetupLib::kIs64BitBuild);
}

TEST_F(Wow64, TheDisablerReachesTheRealSystemFolderAndRestoresRedirection)
{
    const std::wstring kernel32 = SystemFile(L"kernel32.dll");
    ASSERT_EQ(PeMachine(kernel32), OwnKind()) << "the system folder as the process sees it holds its own kind";
    {
        OvSetupLib::OvRedirectionDisabler off;
        EXPECT_EQ(PeMachine(kernel32), SystemKind());
        {
            OvSetupLib::OvRedirectionDisabler again;
            EXPECT_EQ(PeMachine(kernel32), SystemKind());
        }
        // The inner scope gives back what it found: still off.
        EXPECT_EQ(PeMachine(kernel32), SystemKind());
    }
    EXPECT_EQ(PeMachine(kernel32), OwnKind());
}

TEST_F(Wow64, AnExceptionLeavingTheScopeRestoresRedirection)
{
    const std::wstring kernel32 = SystemFile(L"kernel32.dll");
    try {
        OvSetupLib::OvRedirectionDisabler off;
        EXPECT_EQ(PeMachine(kernel32), SystemKind());
        throw std::runtime_error("leaves the scope");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(PeMachine(kernel32), OwnKind());
}

TEST_F(Wow64, AKeyOutsideTheSoftwareTreeIsOneForBothViews)
{
    // HKLM\SYSTEM is not redirected: what one view writes the other reads.
    const wchar_t* const path = L"SYSTEM\\OrvalePlatformProbe";
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    DWORD value = 32;
    EXPECT_EQ(RegSetValueExW(key, L"Probe", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value),
              ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_TRUE(OvSetupLib::OvRegKeyHelper(true).KeyExists(HKEY_LOCAL_MACHINE, path));
    EXPECT_TRUE(OvSetupLib::OvRegKeyHelper(false).KeyExists(HKEY_LOCAL_MACHINE, path));
    EXPECT_EQ(RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path, KEY_WOW64_64KEY, 0), ERROR_SUCCESS);
    EXPECT_FALSE(OvSetupLib::OvRegKeyHelper(false).KeyExists(HKEY_LOCAL_MACHINE, path));
}
}  // namespace
