#include "bootstrap_helper/OvConditionSingleProductDetector.h"

#include "MediaFixture.h"
#include "setup_lib/OvWinError.h"

#include <gtest/gtest.h>

using OvBootstrapHelper::OvConditionSingleProductDetector;

namespace
{
const wchar_t* const kFirst = L"{5B1E2C47-8D3A-4F61-9C2B-7A4E0D9F1C36}";
const wchar_t* const kSecond = L"{C3A9F051-2E7B-4D88-B146-6F02E8D5A7B9}";
const wchar_t* const kMessage = L"You cannot upgrade Keldora before upgrading Maritane. Please upgrade Maritane first.";

class CompanionTest : public ::testing::Test
{
protected:
    winsim::MachineScope machine;

    static OvConditionSingleProductDetector Make()
    {
        return OvConditionSingleProductDetector({kFirst, kSecond}, kMessage, L"KDRSettings.xml");
    }

    // The first entry's package does not exist: only the second one may be opened.
    static void TwoEntries()
    {
        media::PlacePackage("maritane-7.0.0.100", L"Maritane\\m.msi");
        media::WriteSettings(L"KDRSettings.xml", media::Product("name=\"K\" minver=\"6.0\"", "absent.msi") +
                                                     media::Product("name=\"M\" minver=\"6.0\"", "Maritane\\m.msi"));
    }
};

TEST_F(CompanionTest, InstalledCompanionAgainstTheSecondPackage)
{
    struct {
        const char* what;
        const wchar_t* firstInstalled;   // under the first code, or none
        const wchar_t* secondInstalled;  // under the second code, or none
        bool met;
    } cases[] = {
        {"nothing installed", nullptr, nullptr, true},
        {"older under the second code", nullptr, L"6.5.0.0", false},
        {"revision only older under the first code", L"7.0.0.50", nullptr, true},
        {"newer", L"7.1.0.0", nullptr, true},
        {"first up to date, second older", L"7.0.0.100", L"6.5.0.0", false},
        {"first older, second newer", L"6.9.9.9", L"7.5", false},
        {"both up to date", L"7.0.0.0", L"8.0", true},
    };
    for (const auto& c : cases) {
        winsim::Reset();
        TwoEntries();
        if (c.firstInstalled) media::Install(kFirst, c.firstInstalled, 1);
        if (c.secondInstalled) media::Install(kSecond, c.secondInstalled, 2);
        auto condition = Make();
        EXPECT_EQ(condition.Check(), c.met) << c.what;
        EXPECT_EQ(winsim::M().OpenHandles(), 0) << c.what;
    }
    EXPECT_EQ(Make().GetMessage(L"Keldora"), kMessage);
    EXPECT_FALSE(Make().GetPromptKind().yesNo);
    EXPECT_FALSE(Make().GetPromptKind().retryCancel);
}

TEST_F(CompanionTest, MetWithoutLookingWhenThereIsNoSecondEntry)
{
    // An enumeration failure would throw if anything were looked up.
    winsim::M().enumError = ERROR_BAD_CONFIGURATION;
    EXPECT_TRUE(Make().Check());  // no settings file
    media::WriteSettings(L"KDRSettings.xml", media::Product("name=\"K\" minver=\"6.0\"", "k.msi"));
    EXPECT_TRUE(Make().Check());
    TwoEntries();
    EXPECT_TRUE(OvConditionSingleProductDetector({}, kMessage, L"KDRSettings.xml").Check());
}

TEST_F(CompanionTest, InstallerFailuresLeaveTheCheck)
{
    TwoEntries();
    media::Install(kFirst, L"7.0", 1);
    winsim::M().installed[kFirst].front().versionError = ERROR_UNKNOWN_PRODUCT;
    try {
        Make().Check();
        FAIL() << "expected OvWinError";
    } catch (const OvSetupLib::OvWinError& e) {
        EXPECT_EQ(e.ErrorCode(), static_cast<DWORD>(ERROR_UNKNOWN_PRODUCT));
    }

    winsim::Reset();
    media::WriteSettings(L"KDRSettings.xml", media::Product("name=\"K\" a=\"1\"", "k.msi") +
                                                 media::Product("name=\"M\" a=\"1\"", "absent.msi"));
    media::Install(kSecond, L"7.0", 1);
    try {
        Make().Check();
        FAIL() << "expected OvWinError";
    } catch (const OvSetupLib::OvWinError& e) {
        EXPECT_EQ(e.ErrorCode(), static_cast<DWORD>(ERROR_OPEN_FAILED));
    }
    EXPECT_EQ(winsim::M().OpenHandles(), 0);
}
}  // namespace
