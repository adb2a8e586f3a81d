// Each product's own list of conditions through the real entry point, with real packages
// on the media: the companion product's installed-products check with its own settings
// file, the conditions it leaves out, and the whole order of both lists.
#include "Scenario.h"
#include "bootstrap_helper/MediaFixture.h"

#include <functional>

namespace scenario
{
namespace
{
const wchar_t kNewer[] =
    L"Another version of this product is already installed. Installation of this version cannot continue. To "
    L"configure or remove the existing version of this product, use Add/Remove Programs on the Control Panel.";
const wchar_t kBelowMinimum[] = L"To upgrade, you must be running version 6.0 or later.";
// The companion-first condition looks for installed versions of the companion product under these.
const wchar_t kCompanionFirstCode[] = L"{5B1E2C47-8D3A-4F61-9C2B-7A4E0D9F1C36}";

// Two products in a settings file: the product's own package, then the companion's, which
// the companion-first condition compares with what is installed under its codes.
void LaySettings(const wchar_t* file, const char* ownPackage)
{
    media::PlacePackage(ownPackage, L"Packages\\own.msi");
    media::PlacePackage("maritane-7.0.0.100", L"Packages\\companion.msi");
    media::WriteSettings(file, media::Product("name=\"own\" minver=\"6.0\"", "Packages\\own.msi") +
                                   media::Product("name=\"companion\" minver=\"6.0\"", "Packages\\companion.msi"));
}

TEST_F(Scenario, MaritaneRefusesANewerInstalledMaritaneAndOneBelowItsMinimum)
{
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {{L"7.2.0.0", kNewer}, {L"5.5.0.0", kBelowMinimum}};
    for (const auto& [installed, text] : cases) {
        winsim::Reset();
        SetWizard(0);
        wizardCommandLines.clear();
        LaySettings(L"MTSettings.xml", "maritane-7.0.0.100");
        media::Install(media::CompanionCode(), installed);
        Answer(IDOK, std::wstring(text));
        EXPECT_EQ(RunSetup(L"maritane"), -1) << winsim::Narrow(installed);
        ASSERT_EQ(M().messageBoxes.size(), 1u);
        EXPECT_EQ(M().messageBoxes[0].caption, L"Maritane");
        EXPECT_EQ(M().messageBoxes[0].type, 0x40030u);
        EXPECT_TRUE(wizardCommandLines.empty());
        EXPECT_FALSE(LogText().has_value());
    }
}

TEST_F(Scenario, MaritaneLeavesOutTheConditionsOfKeldoraAlone)
{
    // Faults that only Keldora's list looks at: one processor, a product process running,
    // and an older companion product installed than the one on the media.
    auto plant = [this] {
        M().processors = {{0x1, RelationProcessorCore}};
        M().runningProcesses.push_back(L"OrvaleAgent.exe");
        LaySettings(L"KDRSettings.xml", "keldora-7.0.0.100");
        LaySettings(L"MTSettings.xml", "maritane-7.0.0.100");
        media::Install(kCompanionFirstCode, L"6.5.0.0");
    };
    plant();
    EXPECT_EQ(RunSetup(L"maritane"), 0);
    EXPECT_TRUE(M().messageBoxes.empty());
    ASSERT_EQ(wizardCommandLines.size(), 1u);
    EXPECT_EQ(wizardCommandLines[0], std::wstring(L"\"") + kWizard + L"\" MTSettings.xml");

    // The same faults stop Keldora, each in its turn: the planted faults are real.
    const wchar_t* const keldoraBoxes[] = {
        L"CPU does not meet minimum system requirements. Less than 2 processor cores (or 2 vCPU) detected. Data "
        L"processing perfomance may be affected. Continue anyway?",
        L"You cannot upgrade Keldora before upgrading Maritane. Please upgrade Maritane first.",
        L"Keldora setup cannot proceed because some files are locked. Please close the user interface, and try "
        L"again. Click 'Retry' to retry or 'Cancel' to exit the setup."};
    winsim::Reset();
    SetWizard(0);
    wizardCommandLines.clear();
    plant();
    Answer(IDYES, std::wstring(keldoraBoxes[0]));
    Answer(IDOK, std::wstring(keldoraBoxes[1]));
    EXPECT_EQ(RunSetup(L""), -1);
    EXPECT_EQ(M().messageBoxes.size(), 2u);
    winsim::Reset();
    SetWizard(0);
    plant();
    winsim::M().installed.clear();
    Answer(IDYES, std::wstring(keldoraBoxes[0]));
    Answer(IDCANCEL, std::wstring(keldoraBoxes[2]));
    EXPECT_EQ(RunSetup(L""), -1);
    EXPECT_EQ(M().messageBoxes.size(), 2u);
}

TEST_F(Scenario, AnUpgradeCodeThatIsNotAGuidStopsSetupWithItsLoggedError)
{
    media::PlacePackage("keldora-7.0.0.100", L"Packages\\own.msi");
    media::WriteSettings(L"KDRSettings.xml", media::Product("name=\"own\" upgradecode=\"Keldora-2013\" minver=\"6.0\"",
                                                            "Packages\\own.msi"));
    EXPECT_EQ(RunSetup(L""), -1);
    EXPECT_TRUE(M().messageBoxes.empty());
    EXPECT_TRUE(wizardCommandLines.empty());
    auto log = LogText();
    ASSERT_TRUE(log.has_value());
    EXPECT_NE(log->find(L"ErrorCode: 87 Error: The parameter is incorrect."), std::wstring::npos) << *log;
}

// The names that mark a running setup stay held while the wizard runs: a second Setup.exe
// started meanwhile is told that one instance is allowed, and the first goes on.
TEST_F(Scenario, ASecondSetupDuringTheWizardIsRefused)
{
    int secondResult = 100;
    M().programs[kWizard] = winsim::ProgramModel{0, [this, &secondResult](winsim::Machine& m, const std::wstring&) {
                                                     winsim::UiAnswer ok;
                                                     ok.result = IDOK;
                                                     ok.expectText = L"Only one instance of Keldora Setup is allowed.";
                                                     m.answers.push_back(ok);
                                                     secondResult = RunEntryPoint(L"");
                                                 }};
    EXPECT_EQ(RunSetup(L""), 0);
    EXPECT_EQ(secondResult, -1);
    ASSERT_EQ(M().messageBoxes.size(), 1u);
    EXPECT_EQ(M().messageBoxes[0].type, 0x40030u);
    // Once the first setup has ended, its names are gone.
    EXPECT_TRUE(M().namedObjects.empty());
}

// Every condition of a product failing at once, then one fewer each run from the first:
// each run shows the box of the first condition still failing, so the boxes come in the
// list's order.
struct Fault {
    const char* name;
    std::function<void(winsim::Machine&)> plant;
    const wchar_t* text;
};

std::vector<Fault> Faults(bool companion)
{
    const wchar_t* const product = companion ? L"Maritane" : L"Keldora";
    static std::wstring notSupported[2];
    notSupported[companion] = std::wstring(L"Your operating system is not supported by ") + product +
                              L". See documentation for more details.";
    static std::wstring oneInstance[2];
    oneInstance[companion] = std::wstring(L"Only one instance of ") + product + L" Setup is allowed.";
    std::vector<Fault> all = {
        {"single instance",
         [](winsim::Machine& m) {
             m.namedObjects[L"ORVALESTOWEN-SETUP-1A7C4E92-5B3D-4E06-A8F1-3D9B6C2E7045"] = {};
             m.namedObjects[L"ORVALESTOWEN-SETUP-8E2F6B13-C4A7-4D59-9E30-B5A81F4D6C27"] = {};
         },
         oneInstance[companion].c_str()},
        {"administrator", [](winsim::Machine& m) { m.isAdmin = false; },
         L"Local Administrator privileges are required to install this package."},
        {"64-bit Windows", [](winsim::Machine& m) { m.wow64 = false; }, notSupported[companion].c_str()},
        {"Windows version",
         [](winsim::Machine& m) {
             m.osMajor = 6;
             m.osMinor = 0;
             m.productType = VER_NT_WORKSTATION;
         },
         notSupported[companion].c_str()},
    };
    if (!companion)
        all.push_back({"processors",
                       [](winsim::Machine& m) {
                           m.processors = {{0x1, RelationProcessorCore}};
                       },
                       L"CPU does not meet minimum system requirements. Less than 2 processor cores (or 2 vCPU) "
                       L"detected. Data processing perfomance may be affected. Continue anyway?"});
    all.push_back({"installed products",
                   [companion](winsim::Machine&) {
                       media::Install(companion ? media::CompanionCode() : media::MainCode(), L"7.5.0.0", 7);
                   },
                   kNewer});
    if (!companion) {
        all.push_back({"companion first", [](winsim::Machine&) { media::Install(kCompanionFirstCode, L"6.5.0.0", 8); },
                       L"You cannot upgrade Keldora before upgrading Maritane. Please upgrade Maritane first."});
        all.push_back({"running process",
                       [](winsim::Machine& m) { m.runningProcesses.push_back(L"Orvale.Core.Shell.exe"); },
                       L"Keldora setup cannot proceed because some files are locked. Please close the user interface, "
                       L"and try again. Click 'Retry' to retry or 'Cancel' to exit the setup."});
    }
    return all;
}

TEST_F(Scenario, EachProductsConditionsComeInTheirOrder)
{
    for (bool companion : {false, true}) {
        const std::vector<Fault> faults = Faults(companion);
        EXPECT_EQ(faults.size(), companion ? 5u : 8u);
        for (std::size_t first = 0; first < faults.size(); ++first) {
            SCOPED_TRACE(std::string(companion ? "Maritane, " : "Keldora, ") + faults[first].name);
            winsim::Reset();
            SetWizard(0);
            LaySettings(companion ? L"MTSettings.xml" : L"KDRSettings.xml",
                        companion ? "maritane-7.0.0.100" : "keldora-7.0.0.100");
            for (std::size_t i = first; i < faults.size(); ++i)
                faults[i].plant(M());
            // A stop box is closed, the processor question answered No, Retry/Cancel with Cancel.
            winsim::UiAnswer answer;
            answer.result = std::wstring(faults[first].text).find(L"Continue anyway") != std::wstring::npos ? IDNO
                            : std::wstring(faults[first].text).find(L"'Retry'") != std::wstring::npos       ? IDCANCEL
                                                                                                            : IDOK;
            answer.expectText = std::wstring(faults[first].text);
            M().answers.push_back(answer);
            EXPECT_EQ(RunSetup(companion ? L"maritane" : L""), -1);
            EXPECT_EQ(M().messageBoxes.size(), 1u);
        }
    }
}
}  // namespace
}  // namespace scenario
