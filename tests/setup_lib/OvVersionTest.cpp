#include "setup_lib/OvVersion.h"

#include "setup_lib/OvWinError.h"

#include <winsim/Machine.h>

#include <gtest/gtest.h>

#include <functional>

using OvSetupLib::CompareVersions;
using OvSetupLib::OvVersion;
using OvSetupLib::ParseVersion;

namespace
{
struct ParseCase {
    const wchar_t* text;
    std::int32_t major, minor, build, revision;
};

TEST(ParseVersion, ReadsEveryPartOfEachText)
{
    const ParseCase cases[] = {
        {L"2.10.0.5", 2, 10, 0, 5},
        {L"6.5", 6, 5, 0, 0},
        {L"", 0, 0, 0, 0},
        {L".5", 0, 5, 0, 0},
        {L"1..2", 1, 0, 2, 0},
        {L"1.", 1, 0, 0, 0},
        {L" 3.x", 3, 0, 0, 0},
        {L"10a.-1.+7.0", 10, -1, 7, 0},
        {L"2147483648.-2147483649.99999999999.1", 2147483647, -2147483647 - 1, 2147483647, 1},
        {L"1.2.3.4.5", 1, 2, 3, 4},
        {L"1.2.3.4..", 1, 2, 3, 4},
        {L"9.8.7.6.999999.5", 9, 8, 7, 6},
        {L"...", 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        OvVersion v = ParseVersion(c.text);
        EXPECT_EQ(v.major, c.major) << "text '" << winsim::Narrow(c.text) << "'";
        EXPECT_EQ(v.minor, c.minor) << "text '" << winsim::Narrow(c.text) << "'";
        EXPECT_EQ(v.build, c.build) << "text '" << winsim::Narrow(c.text) << "'";
        EXPECT_EQ(v.revision, c.revision) << "text '" << winsim::Narrow(c.text) << "'";
    }
}

struct CompareCase {
    const wchar_t* a;
    const wchar_t* b;
    int count;
    int sign;  // -1, 0, 1
};

int Sign(int v)
{
    return v < 0 ? -1 : (v > 0 ? 1 : 0);
}

TEST(CompareVersions, FirstDifferingPartDecidesAsSignedNumbers)
{
    const CompareCase cases[] = {
        {L"6.5.0.100", L"6.5.0.200", 3, 0},  // the revision does not count with three parts
        {L"6.5.0.100", L"6.5.0.200", 4, -1},
        {L"6.4.9.999", L"6.5", 3, -1},
        {L"7.0", L"6.5", 3, 1},
        {L"6.1", L"6.5", 4, -1},
        {L"1.-1", L"1.0", 4, -1},  // a negative part compares below 0
        {L"2147483648", L"2147483647", 4, 0},
        {L"1.2.3.4", L"1.2.3.4", 4, 0},
        {L"1.3", L"1.2.9.9", 3, 1},
        {L"0.0.1", L"0.0.0.9", 3, 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Sign(CompareVersions(ParseVersion(c.a), ParseVersion(c.b), c.count)), c.sign)
            << winsim::Narrow(c.a) << " vs " << winsim::Narrow(c.b) << " over " << c.count;
        EXPECT_EQ(Sign(CompareVersions(ParseVersion(c.b), ParseVersion(c.a), c.count)), -c.sign)
            << winsim::Narrow(c.b) << " vs " << winsim::Narrow(c.a) << " over " << c.count;
    }
}

class GetFileVersionTest : public ::testing::Test
{
protected:
    winsim::MachineScope machine;
};

TEST_F(GetFileVersionTest, ReadsTheFileVersionNotTheProductVersion)
{
    winsim::M().fileVersions[L"msi.dll"] = winsim::FileVersion{4, 5, 6001, 22308, true};
    OvSetupLib::OvFileVersion v = OvSetupLib::GetFileVersion(L"msi.dll");
    EXPECT_EQ(v.major, 4);
    EXPECT_EQ(v.minor, 5);
    EXPECT_EQ(v.build, 6001);
    EXPECT_EQ(v.revision, 22308);
}

TEST_F(GetFileVersionTest, RedirectionIsOffDuringTheReadAndRestoredAfter)
{
    winsim::M().wow64 = true;
    winsim::M().faults["GetFileVersionInfoW"] = winsim::Fault{ERROR_ACCESS_DENIED, 1, 0};
    try {
        OvSetupLib::GetFileVersion(L"msi.dll");
        FAIL() << "expected OvWinError";
    } catch (const OvSetupLib::OvWinError& e) {
        EXPECT_EQ(e.ErrorCode(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
        EXPECT_EQ(e.Message(), L"GetFileVersionInfo failed.");
    }
    EXPECT_EQ(winsim::M().redirectionDisableCalls, 1);
    EXPECT_FALSE(winsim::M().redirectionDisabled);
    OvSetupLib::GetFileVersion(L"msi.dll");
    EXPECT_EQ(winsim::M().redirectionDisableCalls, 2);
    EXPECT_FALSE(winsim::M().redirectionDisabled);
}

struct FileErrorCase {
    const char* what;
    std::function<void()> arrange;
    DWORD code;
    const wchar_t* message;
};

TEST_F(GetFileVersionTest, FailuresCarryTheCodeAndTheStepsMessage)
{
    const FileErrorCase cases[] = {
        {"missing file", [] { winsim::M().fileVersions.erase(L"msi.dll"); }, ERROR_FILE_NOT_FOUND,
         L"GetFileVersionInfo failed."},
        {"no version resource", [] { winsim::M().fileVersions[L"msi.dll"].hasResource = false; },
         ERROR_RESOURCE_DATA_NOT_FOUND, L"GetFileVersionInfo failed."},
        {"root block query fails",
         [] {
             winsim::M().faults["VerQueryValueW"] = winsim::Fault{ERROR_RESOURCE_TYPE_NOT_FOUND, -1, 0};
         },
         ERROR_RESOURCE_TYPE_NOT_FOUND, L"VerQueryValue failed."},
        {"redirection cannot be switched off",
         [] {
             winsim::M().faults["Wow64DisableWow64FsRedirection"] = winsim::Fault{ERROR_INVALID_FUNCTION, -1, 0};
         },
         ERROR_INVALID_FUNCTION, L"Wow64DisableWow64FsRedirection failed."},
    };
    for (const auto& c : cases) {
        winsim::Reset();
        c.arrange();
        try {
            OvSetupLib::GetFileVersion(L"msi.dll");
            ADD_FAILURE() << c.what << ": expected OvWinError";
        } catch (const OvSetupLib::OvWinError& e) {
            EXPECT_EQ(e.ErrorCode(), c.code) << c.what;
            EXPECT_EQ(e.Message(), c.message) << c.what;
        }
        EXPECT_FALSE(winsim::M().redirectionDisabled) << c.what;
    }
}

TEST_F(GetFileVersionTest, FullPathLooksUpItsOwnRecord)
{
    winsim::M().fileVersions[L"C:\\Media\\Setup\\windowscodecs.dll"] = winsim::FileVersion{6, 0, 6000, 16386, true};
    EXPECT_EQ(OvSetupLib::GetFileVersion(L"c:\\media\\setup\\WINDOWSCODECS.DLL").major, 6);
    EXPECT_EQ(OvSetupLib::GetFileVersion(L"windowscodecs.dll").minor, 1);
}
}  // namespace
