#include "bootstrap_helper/OvConditionInstalledProducts.h"

#include "MediaFixture.h"
#include "setup_lib/OvWinError.h"

#include <gtest/gtest.h>

#include <functional>

using OvBootstrapHelper::IsUpgradeAllowed;
using OvBootstrapHelper::OvConditionInstalledProducts;
using OvSetupLib::ParseVersion;

namespace
{
const wchar_t* const kSettings = L"KDRSettings.xml";
const wchar_t* const k517 = L"To upgrade, you must be running version 6.0 or later.";
const wchar_t* const k518 =
    L"Another version of this product is already installed. Installation of this version cannot continue. To "
    L"configure or remove the existing version of this product, use Add/Remove Programs on the Control Panel.";

class InstalledProductsTest : public ::testing::Test
{
protected:
    winsim::MachineScope machine;
};

TEST(UpgradeRule, InstalledAgainstPackage)
{
    struct {
        const wchar_t* installed;
        const wchar_t* package;
        bool allowRevision;
        bool allowed;
    } cases[] = {
        {L"6.5.0.100", L"6.5.0.200", true, true},
        {L"6.5.0.100", L"6.5.0.200", false, false},
        {L"6.5.0.200", L"6.5.0.100", true, false},
        {L"6.5.0.200", L"6.5.0.100", false, false},
        {L"6.1", L"6.5", false, true},
        {L"7.0", L"6.5", true, false},
        {L"6.5.0.0", L"6.5.0.0", false, true},
        {L"6.5.1.0", L"6.5.0.900", true, false},
        {L"6.5.0.900", L"6.5.1.0", false, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsUpgradeAllowed(ParseVersion(c.installed), ParseVersion(c.package), c.allowRevision), c.allowed)
            << winsim::Narrow(c.installed) << " by " << winsim::Narrow(c.package) << " revision " << c.allowRevision;
    }
}

TEST_F(InstalledProductsTest, JudgesTheFirstProductOfThePackagesOwnCode)
{
    struct {
        const char* what;
        std::vector<std::wstring> installed;  // under the package's own upgrade code, in order
        std::string attributes;
        bool met;
        const wchar_t* message;
    } cases[] = {
        {"nothing installed", {}, "name=\"K\" minver=\"6.0\"", true, nullptr},
        {"older, above the minimum", {L"6.5.0.0"}, "name=\"K\" minver=\"6.0\"", true, nullptr},
        {"below the minimum", {L"5.5.0.0"}, "name=\"K\" minver=\"6.0\"", false, k517},
        {"below a higher minimum still names 6.0", {L"6.0.0.0"}, "name=\"K\" minver=\"6.5.0.0\"", false, k517},
        {"minimum ignores the revision", {L"6.0.0.1"}, "name=\"K\" minver=\"6.0.0.9\"", true, nullptr},
        {"same version", {L"7.0.0.100"}, "name=\"K\" minver=\"6.0\"", true, nullptr},
        {"newer revision", {L"7.0.0.200"}, "name=\"K\" minver=\"6.0\"", false, k518},
        {"older revision, allowed", {L"7.0.0.50"}, "name=\"K\" AllowRevisionUpgrade=\"true\"", true, nullptr},
        {"older revision, allowed in capitals",
         {L"7.0.0.50"},
         "name=\"K\" AllowRevisionUpgrade=\"TRUE\"",
         true,
         nullptr},
        {"older revision, not allowed", {L"7.0.0.50"}, "name=\"K\" minver=\"6.0\"", false, k518},
        {"older revision, other value", {L"7.0.0.50"}, "name=\"K\" AllowRevisionUpgrade=\"yes\"", false, k518},
        {"newer minor", {L"7.1.0.0"}, "name=\"K\" minver=\"6.0\"", false, k518},
        {"only the first installed counts", {L"6.5.0.0", L"7.1.0.0"}, "name=\"K\" minver=\"6.0\"", true, nullptr},
        {"no minimum", {L"1.0"}, "name=\"K\" kind=\"x\"", true, nullptr},
    };
    for (const auto& c : cases) {
        winsim::Reset();
        media::PlacePackage("keldora-7.0.0.100", L"Packages\\keldora.msi");
        media::WriteSettings(kSettings, media::Product(c.attributes, "Packages\\keldora.msi"));
        int serial = 1;
        for (const auto& v : c.installed)
            media::Install(media::MainCode(), v, serial++);
        OvConditionInstalledProducts condition(kSettings);
        EXPECT_EQ(condition.Check(), c.met) << c.what;
        if (c.message) {
            EXPECT_EQ(condition.GetMessage(L"Keldora"), c.message) << c.what;
        }
        EXPECT_EQ(winsim::M().OpenHandles(), 0) << c.what;
    }
}

TEST_F(InstalledProductsTest, FurtherUpgradeCodesAfterTheOwnOne)
{
    const wchar_t* first = L"{11111111-1111-4111-8111-111111111111}";
    const wchar_t* second = L"{22222222-2222-4222-8222-222222222222}";
    media::PlacePackage("keldora-7.0.0.100", L"k.msi");
    media::WriteSettings(kSettings, media::Product("name=\"K\" upgradecode=\"" + winsim::Narrow(first) + ";" +
                                                       winsim::Narrow(second) + "\" minver=\"6.0\"",
                                                   "k.msi"));
    media::Install(media::MainCode(), L"7.0.0.100", 1);
    media::Install(second, L"7.2", 2);
    OvConditionInstalledProducts condition(kSettings);
    EXPECT_FALSE(condition.Check());
    EXPECT_EQ(condition.GetMessage(nullptr), k518);
}

// An editor or a copy in progress holds the settings file open for writing, sharing it:
// the check still reads it, as the C runtime's text-mode open would.
TEST_F(InstalledProductsTest, ASettingsFileHeldOpenByAnotherProgramIsStillRead)
{
    media::PlacePackage("keldora-7.0.0.100", L"k.msi");
    media::WriteSettings(kSettings, media::Product("name=\"K\" minver=\"6.0\"", "k.msi"));
    media::Install(media::MainCode(), L"7.2.0.0");
    winsim::M().openElsewhere[std::wstring(media::SettingsFolder()) + kSettings] = {GENERIC_READ | GENERIC_WRITE,
                                                                                    FILE_SHARE_READ | FILE_SHARE_WRITE};
    OvConditionInstalledProducts condition(kSettings);
    EXPECT_FALSE(condition.Check()) << "the newer installed version was not seen";
    EXPECT_EQ(condition.GetMessage(nullptr), k518);
}

TEST_F(InstalledProductsTest, MessageReflectsTheLastFailingJudgement)
{
    // The first entry fails under a further code with 517 and goes on; the second fails
    // under its own code with 518 and ends the check.
    const wchar_t* further = L"{33333333-3333-4333-8333-333333333333}";
    media::PlacePackage("keldora-7.0.0.100", L"k.msi");
    media::PlacePackage("maritane-7.0.0.100", L"m.msi");
    media::WriteSettings(
        kSettings,
        media::Product("name=\"K\" upgradecode=\"" + winsim::Narrow(further) + "\" minver=\"6.0\"", "k.msi") +
            media::Product("name=\"M\" minver=\"6.0\"", "m.msi"));
    media::Install(further, L"5.0", 1);
    media::Install(media::CompanionCode(), L"7.1", 2);
    OvConditionInstalledProducts condition(kSettings);
    EXPECT_FALSE(condition.Check());
    EXPECT_EQ(condition.GetMessage(nullptr), k518);

    // Reversed: the own-code failure of the first entry ends at once with its message,
    // and the second package is never opened.
    winsim::Reset();
    media::PlacePackage("keldora-7.0.0.100", L"k.msi");
    media::WriteSettings(kSettings, media::Product("name=\"K\" minver=\"6.0\"", "k.msi") +
                                        media::Product("name=\"M\" minver=\"6.0\"", "absent.msi"));
    media::Install(media::MainCode(), L"5.0", 1);
    OvConditionInstalledProducts second(kSettings);
    EXPECT_FALSE(second.Check());
    EXPECT_EQ(second.GetMessage(nullptr), k517);
}

TEST_F(InstalledProductsTest, SettingsWithoutProductsOrFile)
{
    OvConditionInstalledProducts condition(kSettings);
    EXPECT_TRUE(condition.Check());  // no file
    media::WriteSettings(kSettings, "  <other a=\"1\" b=\"2\"/>\n");
    EXPECT_TRUE(condition.Check());
    // A product without a package path is skipped.
    media::WriteSettings(kSettings, "  <product name=\"K\" minver=\"6.0\">\n  </product>\n");
    EXPECT_TRUE(condition.Check());
    // A settings file that fails to load gives no entries, even if products were read.
    winsim::M().WriteFile(L"C:\\Media\\KDRSettings.xml",
                          "<Settings>\n" + media::Product("name=\"K\" minver=\"6.0\"", "absent.msi") + "\tbad\n");
    EXPECT_TRUE(condition.Check());
}

TEST_F(InstalledProductsTest, InstallerFailuresLeaveTheCheck)
{
    struct {
        const char* what;
        const char* package;
        std::function<void()> arrange;
        DWORD code;
    } cases[] = {
        {"package missing", nullptr, [] {}, ERROR_OPEN_FAILED},
        {"package without upgrade code", "no-upgrade-code", [] {}, ERROR_INVALID_HANDLE},
        {"enumeration fails", "keldora-7.0.0.100", [] { winsim::M().enumError = ERROR_BAD_CONFIGURATION; },
         ERROR_BAD_CONFIGURATION},
        {"version read fails", "keldora-7.0.0.100",
         [] {
             media::Install(media::MainCode(), L"7.0", 1);
             winsim::M().installed[media::MainCode()].front().versionError = ERROR_UNKNOWN_PRODUCT;
         },
         ERROR_UNKNOWN_PRODUCT},
        {"view close fails", "keldora-7.0.0.100",
         [] {
             winsim::M().faults["MsiViewClose"] = winsim::Fault{ERROR_INVALID_HANDLE_STATE, -1, 0};
         },
         ERROR_INVALID_HANDLE_STATE},
    };
    for (const auto& c : cases) {
        winsim::Reset();
        if (c.package) media::PlacePackage(c.package, L"k.msi");
        media::WriteSettings(kSettings, media::Product("name=\"K\" minver=\"6.0\"", "k.msi"));
        c.arrange();
        OvConditionInstalledProducts condition(kSettings);
        try {
            condition.Check();
            ADD_FAILURE() << c.what << ": expected OvWinError";
        } catch (const OvSetupLib::OvWinError& e) {
            EXPECT_EQ(e.ErrorCode(), c.code) << c.what;
        }
        EXPECT_EQ(winsim::M().OpenHandles(), 0) << c.what;
    }
}
}  // namespace
