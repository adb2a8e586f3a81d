// Broken or hostile input through the real entry point: each has one defined outcome,
// and nothing given on the command line is lost on the way to the wizard.
#include "Scenario.h"
#include "bootstrap_helper/OvProductEntry.h"
#include "setup_lib/OvXmlDocument.h"

#include <filesystem>
#include <functional>

namespace scenario
{
namespace
{
const wchar_t kSettings[] = L"C:\\Media\\KDRSettings.xml";

// The wizard's command line for these arguments after the settings file name.
std::wstring WizardLine(const std::wstring& settingsAndArguments)
{
    return std::wstring(L"\"") + kWizard + L"\" " + settingsAndArguments;
}

// The path element has two attributes: the reader reads a tag's attributes only then.
std::string ProductSettings(const std::string& msiPath)
{
    return "<?xml version=\"1.0\"?>\n<products>\n<product name=\"Keldora\" upgradecode=\"\" minver=\"\">\n<msi>\n"
           "<path value=\"" +
           msiPath + "\" kind=\"package\"/>\n</msi>\n</product>\n</products>\n";
}

// The package path that the settings file gives, as the bootstrapper reads it.
std::wstring ReadMsiPath(const winsim::Machine&)
{
    OvSetupLib::OvXmlDocument document{OvSetupLib::OvMsiString(kSettings)};
    std::vector<OvBootstrapHelper::OvProductEntry> entries = OvBootstrapHelper::ReadProductEntries(document);
    return entries.empty() ? L"<no entry>" : entries[0].msiPath;
}

struct BadInput {
    const char* name;
    std::wstring arguments;
    std::function<void(winsim::Machine&)> arrange;
    int exitCode;
    // The wizard's whole command line; empty when the wizard must not start.
    std::wstring wizard;
    // A text the log must hold; empty when no log may be written.
    std::wstring logged;
    // More that the case must have done, or not done.
    std::function<void(const winsim::Machine&)> also = nullptr;
};

class BadInputs : public Scenario, public ::testing::WithParamInterface<BadInput>
{
};

TEST_P(BadInputs, HaveTheirDefinedOutcome)
{
    const BadInput& c = GetParam();
    if (c.arrange) c.arrange(M());
    EXPECT_EQ(RunSetup(c.arguments), c.exitCode);
    if (c.wizard.empty()) {
        EXPECT_TRUE(wizardCommandLines.empty());
    } else {
        ASSERT_EQ(wizardCommandLines.size(), 1u);
        EXPECT_EQ(wizardCommandLines[0], c.wizard);
    }
    auto log = LogText();
    if (c.logged.empty()) {
        EXPECT_FALSE(log.has_value()) << winsim::Narrow(log.value_or(L""));
    } else {
        ASSERT_TRUE(log.has_value());
        EXPECT_NE(log->find(c.logged), std::wstring::npos) << winsim::Narrow(*log);
    }
    if (c.also) c.also(M());
}

std::vector<BadInput> CommandLines()
{
    const std::wstring longToken(32000, L'a');
    return {
        {"Empty", L"", nullptr, 0, WizardLine(L"KDRSettings.xml"), L""},
        {"OneBlank", L" ", nullptr, 0, WizardLine(L"KDRSettings.xml "), L""},
        {"OnlyBlanks", L"    ", nullptr, 0, WizardLine(L"KDRSettings.xml"), L""},
        {"OneLongToken", longToken, nullptr, 0, WizardLine(L"KDRSettings.xml"), L""},
        {"ALongSecondToken", L"x " + longToken, nullptr, 0, WizardLine(L"KDRSettings.xml " + longToken), L""},
        {"QuotedSelector", L"\"maritane\"", nullptr, 0, WizardLine(L"KDRSettings.xml"), L""},
        {"QuotesAcrossABlank", L"\"a b\"", nullptr, 0, WizardLine(L"KDRSettings.xml b\""), L""},
        {"DottedCapitalI", L"MAR\u0130TANE", nullptr, 0, WizardLine(L"KDRSettings.xml"), L""},
        {"FullWidthLetters", L"\uFF4D\uFF41\uFF52\uFF49\uFF54\uFF41\uFF4E\uFF45", nullptr, 0,
         WizardLine(L"KDRSettings.xml"), L""},
        {"NonAsciiArgument", L"\u00C4rger \u00FCber\u6F22", nullptr, 0, WizardLine(L"KDRSettings.xml \u00FCber\u6F22"),
         L""},
        {"SelectorAndOneBlank", L"maritane ", nullptr, 0, WizardLine(L"MTSettings.xml"), L""},
        {"SelectorAndBlanks", L"maritane   ", nullptr, 0, WizardLine(L"MTSettings.xml"), L""},
        {"SelectorAndATab", L"maritane\t", nullptr, 0, WizardLine(L"KDRSettings.xml"), L""},
    };
}

std::vector<BadInput> SettingsFiles()
{
    auto file = [](std::string bytes) { return [bytes](winsim::Machine& m) { m.WriteFile(kSettings, bytes); }; };
    std::string binary;
    for (int i = 0; i < 4096; ++i)
        binary += static_cast<char>((i * 131 + 7) & 0xFF);
    std::string deep;
    // Deeper than any call stack could follow one frame per level.
    for (int i = 0; i < 100000; ++i)
        deep += "<x>\n";
    // Unreadable files, or readable ones that are malformed, list no product: the
    // installed-products check has nothing to object to.
    return {
        {"EmptySettings", L"", file(""), 0, WizardLine(L"KDRSettings.xml"), L""},
        {"BinarySettings", L"", file(binary), 0, WizardLine(L"KDRSettings.xml"), L""},
        {"TenMegabytesOnOneLine", L"", file(std::string(10u << 20, 'A')), 0, WizardLine(L"KDRSettings.xml"), L""},
        {"NestedAHundredThousandDeep", L"", file(deep), 0, WizardLine(L"KDRSettings.xml"), L""},
        {"FiveThousandCharacterLine", L"",
         file("<products>\n<product name=\"" + std::string(5000, 'n') +
              "\">\n<msi>\n<path value=\"k.msi\"/>\n</msi>\n</product>\n</products>\n"),
         0, WizardLine(L"KDRSettings.xml"), L""},
        {"ASettingsFolderInPlaceOfTheFile", L"",
         [](winsim::Machine& m) { m.WriteFile(L"C:\\Media\\KDRSettings.xml\\x", ""); }, 0,
         WizardLine(L"KDRSettings.xml"), L""},
        // A package path is read where it leads; one that is not there, or a folder, stops
        // setup with the installer's error for it.
        {"PackagePathEscapingTheMedia", L"", file(ProductSettings("..\\..\\Windows\\Temp\\k.msi")), -1, L"",
         L"[ERROR  ] Catch OvWinError. ErrorCode: 110 ",
         [](const winsim::Machine& m) { EXPECT_EQ(ReadMsiPath(m), L"..\\..\\Windows\\Temp\\k.msi"); }},
        {"PackagePathNamingAFolder", L"", file(ProductSettings("Setup")), -1, L"",
         L"[ERROR  ] Catch OvWinError. ErrorCode: 110 ",
         [](const winsim::Machine& m) { EXPECT_EQ(ReadMsiPath(m), L"Setup"); }},
    };
}

std::vector<BadInput> MachineStates()
{
    return {
        // The value's type is not examined: the text "1" reads as 0x31, not 1.
        {"DotNetInstallAsText", L"",
         [](winsim::Machine& m) {
             m.Key(HKEY_LOCAL_MACHINE, kDotNetKey, true).values[L"Install"] =
                 winsim::RegistryValue{REG_SZ, {'1', 0, 0, 0}};
             m.programs[kDotNetInstaller] =
                 winsim::ProgramModel{0, [](winsim::Machine& mm, const std::wstring&) {
                                          mm.Key(HKEY_LOCAL_MACHINE, kDotNetKey, true).values[L"Install"] =
                                              winsim::RegistryValue{REG_DWORD, {1, 0, 0, 0}};
                                      }};
             winsim::UiAnswer ok;
             ok.result = IDOK;
             m.answers.push_back(ok);
         },
         0, WizardLine(L"KDRSettings.xml"), L"",
         [](const winsim::Machine& m) {
             ASSERT_FALSE(m.started.empty());
             EXPECT_EQ(m.started[0].image, kDotNetInstaller);
         }},
        {"DotNetInstallOfEightBytes", L"",
         [](winsim::Machine& m) {
             m.Key(HKEY_LOCAL_MACHINE, kDotNetKey, true).values[L"Install"] =
                 winsim::RegistryValue{REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}};
         },
         -1, L"", L"ErrorCode: 234 "},
        {"TenThousandRunningProcesses", L"",
         [](winsim::Machine& m) {
             for (int i = 0; i < 10000; ++i)
                 m.runningProcesses.push_back(std::wstring(250, static_cast<wchar_t>(L'a' + i % 26)) +
                                              std::to_wstring(i) + L".exe");
         },
         0, WizardLine(L"KDRSettings.xml"), L""},
        {"OneOfTenThousandIsOurs", L"",
         [](winsim::Machine& m) {
             for (int i = 0; i < 10000; ++i)
                 m.runningProcesses.push_back(std::wstring(250, L'p') + std::to_wstring(i) + L".exe");
             m.runningProcesses.push_back(L"ORVALEAGENT.EXE");
             winsim::UiAnswer cancel;
             cancel.result = IDCANCEL;
             m.answers.push_back(cancel);
         },
         -1, L"", L"",
         [](const winsim::Machine& m) {
             ASSERT_EQ(m.messageBoxes.size(), 1u);
             EXPECT_EQ(m.messageBoxes[0].type, 0x15u);
         }},
        // The service never settles after the update: setup ends after its bounded wait.
        {"InstallerServiceStuckPending", L"",
         [](winsim::Machine& m) {
             m.fileVersions[L"msi.dll"] = winsim::FileVersion{4, 0, 6001, 0, true};
             m.services[L"msiserver"].state = SERVICE_STOPPED;
             m.programs[kWusa] =
                 winsim::ProgramModel{0, [](winsim::Machine& mm, const std::wstring&) {
                                          mm.fileVersions[L"msi.dll"] = winsim::FileVersion{4, 5, 6001, 22159, true};
                                          mm.services[L"msiserver"].pending.assign(200000, SERVICE_START_PENDING);
                                      }};
             winsim::UiAnswer ok;
             ok.result = IDOK;
             m.answers.push_back(ok);
         },
         -1, L"", L"ErrorCode: 1053 ",
         [](const winsim::Machine& m) {
             // Ten minutes of polls after the update, then no start.
             EXPECT_EQ(m.services.at(L"msiserver").starts, 0);
             EXPECT_LE(m.sleptMilliseconds, 60u * 10001u + 60u);
             EXPECT_GE(m.sleptMilliseconds, 60u * 10000u);
         }},
        // An unprivileged user prepared the temp folder as a link: no folder, so no log, and
        // a stop box that names the folder.
        {"TempFolderIsALink", L"",
         [](winsim::Machine& m) {
             m.WriteFile(L"C:\\Users\\Public\\bait\\keep", "");
             std::filesystem::create_directories(m.HostPath(L"C:\\ProgramData\\Orvale\\Setup"));
             std::filesystem::create_directory_symlink(m.HostPath(L"C:\\Users\\Public\\bait"),
                                                       m.HostPath(L"C:\\ProgramData\\Orvale\\Setup\\Temp"));
             winsim::UiAnswer ok;
             ok.result = IDOK;
             m.answers.push_back(ok);
         },
         -1, L"", L"",
         [](const winsim::Machine& m) {
             ASSERT_EQ(m.messageBoxes.size(), 1u);
             EXPECT_EQ(m.messageBoxes[0].type, 0x40030u);
             EXPECT_EQ(m.messageBoxes[0].caption, L"Keldora");
             EXPECT_NE(m.messageBoxes[0].text.find(L"C:\\ProgramData\\Orvale\\Setup\\Temp:"), std::wstring::npos);
         }},
    };
}

std::string CaseName(const ::testing::TestParamInfo<BadInput>& info)
{
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(CommandLine, BadInputs, ::testing::ValuesIn(CommandLines()), CaseName);
INSTANTIATE_TEST_SUITE_P(Settings, BadInputs, ::testing::ValuesIn(SettingsFiles()), CaseName);
INSTANTIATE_TEST_SUITE_P(Machine, BadInputs, ::testing::ValuesIn(MachineStates()), CaseName);

TEST_F(Scenario, ALinkedTempFolderGetsNothingWrittenThroughIt)
{
    M().WriteFile(L"C:\\Users\\Public\\bait\\keep", "");
    std::filesystem::create_directories(M().HostPath(L"C:\\ProgramData\\Orvale\\Setup"));
    std::filesystem::create_directory_symlink(M().HostPath(L"C:\\Users\\Public\\bait"),
                                              M().HostPath(L"C:\\ProgramData\\Orvale\\Setup\\Temp"));
    M().programs.erase(kWizard);  // a run that would log its failure
    Answer(IDOK);
    EXPECT_EQ(RunSetup(L""), -1);
    EXPECT_FALSE(M().Exists(L"C:\\Users\\Public\\bait\\StowenBootstrap.log"));
    // The refusal is told, with the folder it concerns and the reason.
    ASSERT_EQ(M().messageBoxes.size(), 1u);
    EXPECT_EQ(M().messageBoxes[0].text,
              L"Setup cannot create or use its folder C:\\ProgramData\\Orvale\\Setup\\Temp:\n"
              L"The create operation stopped after reaching a symbolic link.\r\n");
}
}  // namespace
}  // namespace scenario
