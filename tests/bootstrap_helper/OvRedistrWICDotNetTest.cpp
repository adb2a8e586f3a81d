// The imaging component and .NET Framework 4.0: texts, commands and detections.
#include "bootstrap_helper/OvRedistrDotNet.h"
#include "bootstrap_helper/OvRedistrInstall.h"
#include "bootstrap_helper/OvRedistrWIC.h"
#include "setup_lib/OvWinError.h"

#include "RedistrFolderSeam.h"
#include <gtest/gtest.h>
#include <winsim/Machine.h>

using OvBootstrapHelper::OvRedistrDotNet;
using OvBootstrapHelper::OvRedistrWIC;
using OvSetupLib::OvMsiString;
using OvSetupLib::OvWinError;
using winsim::M;

namespace
{
const wchar_t* const kNetKey = L"SOFTWARE\\Microsoft\\NET Framework Setup\\NDP\\v4\\Full";

class RedistrTest : public ::testing::Test
{
protected:
    winsim::MachineScope machine;
    void SetUp() override
    {
        M().modulePath = L"X:\\Media\\Setup\\Setup.exe";
        OvBootstrapHelper::RecomputeRedistrFolder();
        M().registry.clear();
        M().WriteFile(L"C:\\ProgramData\\desktop.ini", "");  // the common application data folder exists
    }
    void TearDown() override
    {
        winsim::Reset();
        OvBootstrapHelper::RecomputeRedistrFolder();
    }
};

TEST_F(RedistrTest, Texts)
{
    OvRedistrWIC wic;
    OvRedistrDotNet net;
    EXPECT_EQ(wic.GetDisplayName(), OvMsiString(L"Windows Imaging Component"));
    EXPECT_EQ(net.GetDisplayName(), OvMsiString(L".NET Framework 4.0"));
    EXPECT_EQ(wic.GetDialogId(), 704);
    EXPECT_EQ(net.GetDialogId(), 701);
    EXPECT_EQ(wic.GetErrorMessage(L"Maritane"),
              OvMsiString(L"Setup was unable to install Microsoft Windows Imaging Component, which is a required "
                          L"prerequisite for Maritane Setup. You need to manually install Windows Imaging Component "
                          L"and re-run Maritane setup."));
    EXPECT_EQ(net.GetErrorMessage(L"Keldora"),
              OvMsiString(L"Setup was unable to install Microsoft .NET Framework 4.0, which is a required "
                          L"prerequisite for Keldora Setup. You need to manually install .NET Framework and re-run "
                          L"Keldora setup."));
}

TEST_F(RedistrTest, CommandsUseTheirOwnLogSwitches)
{
    EXPECT_EQ(OvRedistrWIC().GetInstallCommand(),
              OvMsiString(L"\"X:\\Media\\Redistr\\x64\\wic_x64_enu.exe\" /q /norestart "
                          L"/log:\"C:\\ProgramData\\Orvale\\Setup\\Temp\\WIC.log\""));
    EXPECT_EQ(OvRedistrDotNet().GetInstallCommand(),
              OvMsiString(L"\"X:\\Media\\Redistr\\dotNetFx40_Full_x86_x64.exe\" /q /norestart "
                          L"/log \"C:\\ProgramData\\Orvale\\Setup\\Temp\\NET40.htm\""));
}

TEST_F(RedistrTest, DotNetDetection)
{
    struct Case {
        const char* name;
        bool key64, key32;
        std::vector<BYTE> data;  // empty: no value
        DWORD type;
        bool installed;
    };
    const Case cases[] = {
        {"value 1", true, false, {1, 0, 0, 0}, REG_DWORD, true},
        {"value 2", true, false, {2, 0, 0, 0}, REG_DWORD, false},
        {"value 0", true, false, {0, 0, 0, 0}, REG_DWORD, false},
        {"no value", true, false, {}, REG_DWORD, false},
        {"no key", false, false, {}, REG_DWORD, false},
        {"32-bit view only", false, true, {1, 0, 0, 0}, REG_DWORD, false},
    };
    for (const auto& c : cases) {
        M().registry.clear();
        for (bool view64 : {true, false}) {
            if (view64 ? !c.key64 : !c.key32) continue;
            winsim::RegistryKey& k = M().Key(HKEY_LOCAL_MACHINE, kNetKey, view64);
            if (!c.data.empty()) k.values[L"Install"] = winsim::RegistryValue{c.type, c.data};
        }
        EXPECT_EQ(OvRedistrDotNet().IsInstalled(), c.installed) << c.name;
        EXPECT_EQ(M().OpenHandles(), 0) << c.name;
    }
}

TEST_F(RedistrTest, DotNetKeyThatCannotBeReadIsAbsent)
{
    M().Key(HKEY_LOCAL_MACHINE, kNetKey, true).openError = ERROR_ACCESS_DENIED;
    EXPECT_FALSE(OvRedistrDotNet().IsInstalled());
}

TEST_F(RedistrTest, DotNetValueTooLongIsAnError)
{
    M().Key(HKEY_LOCAL_MACHINE, kNetKey, true).values[L"Install"] =
        winsim::RegistryValue{REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}};
    try {
        OvRedistrDotNet().IsInstalled();
        FAIL() << "no error";
    } catch (const OvWinError& e) {
        EXPECT_EQ(e.ErrorCode(), static_cast<DWORD>(ERROR_MORE_DATA));
    }
    EXPECT_EQ(M().OpenHandles(), 0);
}

// Needs GetFileVersion.
TEST_F(RedistrTest, ImagingComponentDetection)
{
    M().fileVersions[L"windowscodecs.dll"] = winsim::FileVersion{6, 0, 5840, 16388, true};
    EXPECT_TRUE(OvRedistrWIC().IsInstalled());
    M().fileVersions[L"windowscodecs.dll"] = winsim::FileVersion{6, 0, 5840, 16387, true};
    EXPECT_FALSE(OvRedistrWIC().IsInstalled());
    M().fileVersions.erase(L"windowscodecs.dll");
    EXPECT_FALSE(OvRedistrWIC().IsInstalled());
}
}  // namespace
