// The road of the shipped program, a 32-bit process on 64-bit Windows: its version reads
// reach the native system folder without ending the process, the native copies decide,
// and .NET is looked for in the 64-bit registry view.
#include "Scenario.h"

namespace scenario
{
namespace
{
const wchar_t kWow64Msi[] = L"C:\\Windows\\SysWOW64\\msi.dll";
const wchar_t kWow64Codecs[] = L"C:\\Windows\\SysWOW64\\windowscodecs.dll";

TEST_F(Scenario, TheFirstVersionReadDoesNotEndTheProcess)
{
    // Nothing has loaded version.dll when the first detection reads msi.dll's version with
    // redirection off: the program must have loaded it from the system folder before.
    ASSERT_TRUE(M().wow64);
    ASSERT_EQ(GetModuleHandleW(L"version.dll"), nullptr);
    int code = -2;
    EXPECT_NO_THROW(code = RunSetup(L""));
    EXPECT_EQ(code, 0);
    EXPECT_EQ(wizardCommandLines.size(), 1u);
    EXPECT_TRUE(M().delayBound.count("version"));
    EXPECT_FALSE(M().redirectionDisabled);
}

TEST_F(Scenario, TheNativeSystemFolderDecidesWhatIsInstalled)
{
    struct Case {
        const char* what;
        winsim::FileVersion native, wow64;
        bool asked;
    };
    const winsim::FileVersion oldMsi{3, 1, 4000, 0, true}, newMsi{4, 5, 6001, 22308, true};
    const Case cases[] = {
        {"new in System32, old in SysWOW64", newMsi, oldMsi, false},
        {"old in System32, new in SysWOW64", oldMsi, newMsi, true},
    };
    for (const Case& c : cases) {
        winsim::Reset();
        SetWizard(0);
        M().fileVersions[L"msi.dll"] = c.native;
        M().fileVersions[kWow64Msi] = c.wow64;
        if (c.asked) Answer(IDCANCEL);
        EXPECT_EQ(RunSetup(L""), c.asked ? -1 : 0) << c.what;
        EXPECT_EQ(M().messageBoxes.size(), c.asked ? 1u : 0u) << c.what;
        EXPECT_TRUE(M().started.empty() == c.asked) << c.what;
    }
    // The imaging component is read the same way.
    winsim::Reset();
    SetWizard(0);
    M().fileVersions[L"windowscodecs.dll"] = winsim::FileVersion{6, 0, 5840, 16387, true};
    M().fileVersions[kWow64Codecs] = winsim::FileVersion{7, 0, 7601, 17514, true};
    Answer(IDCANCEL);
    EXPECT_EQ(RunSetup(L""), -1);
    ASSERT_EQ(M().messageBoxes.size(), 1u);
    EXPECT_NE(M().messageBoxes[0].text.find(L"Windows Imaging Component"), std::wstring::npos)
        << winsim::Narrow(M().messageBoxes[0].text);
}

TEST_F(Scenario, DotNetIsLookedForInThe64BitViewOnly)
{
    // The value only in the 32-bit view does not count.
    M().registry.erase(winsim::Machine::RegistryPath(HKEY_LOCAL_MACHINE, kDotNetKey, true));
    M().Key(HKEY_LOCAL_MACHINE, kDotNetKey, false).values[L"Install"] = winsim::RegistryValue{REG_DWORD, {1, 0, 0, 0}};
    Answer(IDCANCEL, std::wstring(L"Please install .NET Framework 4.0 to proceed with Keldora installation.\n"
                                  L"Click OK to install this prerequisite."));
    EXPECT_EQ(RunSetup(L""), -1);
    // Only in the 64-bit view: present.
    winsim::Reset();
    SetWizard(0);
    EXPECT_EQ(RunSetup(L""), 0);
    EXPECT_TRUE(M().messageBoxes.empty());
    EXPECT_EQ(wizardCommandLines.size(), 1u);
}
}  // namespace
}  // namespace scenario

namespace scenario
{
namespace
{
TEST_F(Scenario, AnInstallerLibraryThatCannotBeLoadedIsALoggedError)
{
    // Without the load before the first call, the delay-load stub would end the process.
    M().WriteFile(L"C:\\Media\\KDRSettings.xml",
                  "<?xml version=\"1.0\"?>\n<products>\n<product name=\"Keldora\" upgradecode=\"\" minver=\"\">\n"
                  "<msi>\n<path value=\"Keldora.msi\" kind=\"package\"/>\n</msi>\n</product>\n</products>\n");
    M().missingModules.insert(L"msi.dll");
    int code = 0;
    EXPECT_NO_THROW(code = RunSetup(L""));
    EXPECT_EQ(code, -1);
    auto log = LogText();
    ASSERT_TRUE(log.has_value());
    EXPECT_NE(log->find(L"ErrorCode: 126 "), std::wstring::npos) << winsim::Narrow(*log);
}
}  // namespace
}  // namespace scenario
