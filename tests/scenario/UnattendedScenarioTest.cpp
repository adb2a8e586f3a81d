// Quiet and check runs through the real entry point: no window, the exit code that a
// deployment tool reads for each outcome, the decision log, and the readiness report
// that leaves the machine as it was.
#include "Scenario.h"
#include "bootstrap_helper/MediaFixture.h"

#include <filesystem>
#include <functional>

namespace scenario
{
namespace
{
const wchar_t kDecisions[] = L"C:\\Logs\\decisions.log";
const wchar_t kReport[] = L"C:\\Logs\\ready.json";
const wchar_t kCompanionFirstCode[] = L"{5B1E2C47-8D3A-4F61-9C2B-7A4E0D9F1C36}";
const wchar_t kFirstName[] = L"ORVALESTOWEN-SETUP-1A7C4E92-5B3D-4E06-A8F1-3D9B6C2E7045";
const wchar_t kSecondName[] = L"ORVALESTOWEN-SETUP-8E2F6B13-C4A7-4D59-9E30-B5A81F4D6C27";

class Unattended : public Scenario
{
public:
    void InstallerFails() { DotNetMissing(1603, false); }
    void WizardEnds(DWORD code) { SetWizard(code); }

protected:
    void SetUp() override
    {
        Scenario::SetUp();
        M().WriteFile(L"C:\\Logs\\keep.txt", "");
        // The product's own package, then the companion's, as the products checks read them.
        media::PlacePackage("keldora-7.0.0.100", L"Packages\\own.msi");
        media::PlacePackage("maritane-7.0.0.100", L"Packages\\companion.msi");
        media::WriteSettings(L"KDRSettings.xml",
                             media::Product("name=\"own\" minver=\"6.0\"", "Packages\\own.msi") +
                                 media::Product("name=\"companion\" minver=\"6.0\"", "Packages\\companion.msi"));
    }

    // The decision log's lines without their time stamps and level prefix.
    std::vector<std::wstring> Decisions()
    {
        std::vector<std::wstring> lines;
        auto text = Utf16Text(kDecisions);
        if (!text) return lines;
        std::size_t pos = 0;
        while (pos < text->size()) {
            std::size_t end = text->find(L"\r\n", pos);
            if (end == std::wstring::npos) end = text->size();
            std::wstring line = text->substr(pos, end - pos);
            const std::wstring head = L"[STATUS ] ";
            std::size_t at = line.find(head);
            lines.push_back(at == std::wstring::npos ? line : line.substr(at + head.size()));
            pos = end + 2;
        }
        return lines;
    }

    bool ShowedNothing() const { return winsim::M().messageBoxes.empty() && winsim::M().dialogs.empty(); }
};

// One row of the exit-code table: the machine, the options and the code.
struct CodeCase {
    const char* name;
    std::function<void(Unattended&, winsim::Machine&)> arrange;
    const wchar_t* options;
    int code;
    bool wizard;  // the wizard ran
};

void PrintTo(const CodeCase& c, std::ostream* os)
{
    *os << c.name;
}

std::vector<CodeCase> CodeCases()
{
    auto oneProcessor = [](Unattended&, winsim::Machine& m) { m.processors = {{0x1, RelationProcessorCore}}; };
    return {
        {"Done", [](Unattended&, winsim::Machine&) {}, L"/bootstrap:quiet", 0, true},
        {"ProcessorWarningGoesOn", oneProcessor, L"/bootstrap:quiet", 0, true},
        {"StrictStopsOnTheProcessorWarning", oneProcessor, L"/bootstrap:quiet /bootstrap:strict", 1602, false},
        {"AnotherSetupRunning",
         [](Unattended&, winsim::Machine& m) {
             m.namedObjects[kFirstName] = {};
             m.namedObjects[kSecondName] = {};
         },
         L"/bootstrap:quiet", 1618, false},
        {"NotAdministrator", [](Unattended&, winsim::Machine& m) { m.isAdmin = false; }, L"/bootstrap:quiet", 740,
         false},
        {"Not64Bit", [](Unattended&, winsim::Machine& m) { m.wow64 = false; }, L"/bootstrap:quiet", 1633, false},
        {"Vista",
         [](Unattended&, winsim::Machine& m) {
             m.osMinor = 0;
             m.productType = VER_NT_WORKSTATION;
         },
         L"/bootstrap:quiet", 1633, false},
        {"NewerVersionInstalled",
         [](Unattended&, winsim::Machine&) { media::Install(media::MainCode(), L"7.5.0.0", 7); }, L"/bootstrap:quiet",
         1638, false},
        {"CompanionFirst", [](Unattended&, winsim::Machine&) { media::Install(kCompanionFirstCode, L"6.5.0.0", 8); },
         L"/bootstrap:quiet", 17001, false},
        {"ProductRunning", [](Unattended&, winsim::Machine& m) { m.runningProcesses.push_back(L"OrvaleAgent.exe"); },
         L"/bootstrap:quiet", 17002, false},
        {"PrerequisiteFailed", [](Unattended& u, winsim::Machine&) { u.InstallerFails(); }, L"/bootstrap:quiet", 17003,
         false},
        {"BadCommandLine", [](Unattended&, winsim::Machine&) {}, L"/bootstrap:quiet /bootstrap:bogus", 1639, false},
        {"SystemError", [](Unattended&, winsim::Machine& m) { m.programs.erase(kWizard); }, L"/bootstrap:quiet", 1603,
         false},
        {"WizardCodePassedOn", [](Unattended& u, winsim::Machine&) { u.WizardEnds(42); }, L"/bootstrap:quiet", 42,
         true},
    };
}

class ExitCodes : public Unattended, public ::testing::WithParamInterface<CodeCase>
{
};

TEST_P(ExitCodes, EachOutcomeHasItsCodeAndNoWindow)
{
    const CodeCase& c = GetParam();
    c.arrange(*this, M());
    EXPECT_EQ(RunSetup(c.options), c.code);
    EXPECT_TRUE(ShowedNothing()) << M().messageBoxes.size() << " boxes, " << M().dialogs.size() << " dialogs";
    EXPECT_EQ(wizardCommandLines.size(), c.wizard ? 1u : 0u);
    EXPECT_TRUE(M().exitWindowsRequests.empty());
}

INSTANTIATE_TEST_SUITE_P(Table, ExitCodes, ::testing::ValuesIn(CodeCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// Interactive runs keep -1 for the same stops, and show their box.
TEST_F(Unattended, AnInteractiveRunWithABadOptionShowsOneBoxAndStops)
{
    Answer(IDOK);
    EXPECT_EQ(RunSetup(L"maritane /bootstrap:wait=soon"), -1);
    ASSERT_EQ(M().messageBoxes.size(), 1u);
    EXPECT_EQ(M().messageBoxes[0].text,
              L"The command line option /bootstrap:wait=soon is unknown, repeated or has a value that is not valid.");
    EXPECT_EQ(M().messageBoxes[0].caption, L"Maritane");
    EXPECT_EQ(M().messageBoxes[0].type, 0x40030u);
    EXPECT_TRUE(M().namedObjects.empty());
    EXPECT_TRUE(M().started.empty());
}

TEST_F(Unattended, ARebootNeededWithoutRestartIs3010AndRegistersNothing)
{
    DotNetMissing(3010, true);
    EXPECT_EQ(RunSetup(L"/bootstrap:quiet"), 3010);
    EXPECT_TRUE(ShowedNothing());
    EXPECT_TRUE(wizardCommandLines.empty());
    EXPECT_TRUE(M().exitWindowsRequests.empty());
    EXPECT_EQ(M().Value(HKEY_CURRENT_USER, kRunOnceKey, L"OrvaleSetup"), nullptr);
}

TEST_F(Unattended, RestartRegistersTheOptionsAsGivenAndReboots)
{
    DotNetMissing(3010, true);
    const std::wstring arguments = L"/bootstrap:QUIET keldora /bootstrap:restart";
    EXPECT_EQ(RunSetup(arguments), 1641);
    EXPECT_TRUE(ShowedNothing());
    ASSERT_EQ(M().exitWindowsRequests.size(), 1u);
    const winsim::RegistryValue* value = M().Value(HKEY_CURRENT_USER, kRunOnceKey, L"OrvaleSetup");
    ASSERT_NE(value, nullptr);
    std::wstring text;
    for (std::size_t i = 0; i + 1 < value->data.size() && (value->data[i] | value->data[i + 1]); i += 2)
        text += static_cast<wchar_t>(value->data[i] | (value->data[i + 1] << 8));
    EXPECT_EQ(text, std::wstring(kProgram) + L" " + arguments);
}

TEST_F(Unattended, ARunningProductProcessIsLookedForAgainUntilTheWaitIsOver)
{
    M().runningProcesses.push_back(L"OrvaleAgent.exe");
    EXPECT_EQ(RunSetup(L"/bootstrap:quiet /bootstrap:wait=12"), 17002);
    // Looked at after 5, 10 and 12 seconds.
    EXPECT_EQ(M().sleeps, 3);
    EXPECT_EQ(M().sleptMilliseconds, 12000u);

    // The process ends during the wait: setup goes on.
    winsim::Reset();
    SetWizard(0);
    wizardCommandLines.clear();
    M().runningProcesses.push_back(L"OrvaleAgent.exe");
    int looks = 0;
    M().onSleep = [&looks](winsim::Machine& m) {
        if (++looks == 2) m.runningProcesses.pop_back();
    };
    EXPECT_EQ(RunSetup(L"/bootstrap:quiet /bootstrap:wait=60"), 0);
    EXPECT_EQ(wizardCommandLines.size(), 1u);
    EXPECT_EQ(M().sleeps, 2);
}

TEST_F(Unattended, TheDecisionLogSaysWhatHappenedInOrder)
{
    M().processors = {{0x1, RelationProcessorCore}};
    DotNetMissing(3010, true);
    EXPECT_EQ(RunSetup(std::wstring(L"/bootstrap:quiet /bootstrap:log=") + kDecisions), 3010);
    const std::vector<std::wstring> lines = Decisions();
    const std::vector<std::wstring> starts = {
        L"Command line: /bootstrap:quiet /bootstrap:log=C:\\Logs\\decisions.log",
        L"Condition single-setup: met (another-setup=not running)",
        L"Condition administrator: met (administrators-member=yes)",
        L"Condition 64-bit-windows: met (64-bit=yes)",
        L"Condition windows-version: met (version=6.1.7601, product-type=server, minimum=6.0)",
        L"Condition processor-cores: not met (processors=1, minimum=2)",
        L"Message: CPU does not meet minimum system requirements.",
        L"Answer: Yes (unattended)",
        L"Condition installed-products: met",
        L"Condition companion-first: met",
        L"Condition product-processes: met",
        L"Prerequisite Windows Installer 4.5 detected: present (version ",
        L"Prerequisite Windows Imaging Component detected: present (version ",
        L"Prerequisite .NET Framework 4.0 detected: missing",
        L"Answer to the prerequisite question: OK (unattended)",
        L"Installer of .NET Framework 4.0: \"C:\\Media\\Redistr\\dotNetFx40_Full_x86_x64.exe\" /q /norestart",
        L"Installer of .NET Framework 4.0 ended: exit code 3010 after ",
        L"Prerequisite .NET Framework 4.0 after installation: present",
        L"Reboot: needed; not started without /bootstrap:restart",
        L"Exit code: 3010",
    };
    ASSERT_EQ(lines.size(), starts.size());
    for (std::size_t i = 0; i < starts.size(); ++i)
        EXPECT_EQ(lines[i].rfind(starts[i], 0), 0u) << winsim::Narrow(lines[i]);
    // The same head as the error log: a time stamp, then the level.
    auto text = Utf16Text(kDecisions);
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(text->find(L" [STATUS ] Command line: "), 24u);
}

TEST_F(Unattended, AnInteractiveRunLogsTheAnswersGiven)
{
    M().processors = {{0x1, RelationProcessorCore}};
    Answer(IDYES);
    SetWizard(7);
    EXPECT_EQ(RunSetup(std::wstring(L"/bootstrap:log=") + kDecisions + L" keldora token"), 0);
    ASSERT_EQ(wizardCommandLines.size(), 1u);
    EXPECT_EQ(wizardCommandLines[0], L"\"C:\\Media\\Setup\\SetupWizard.dat\" KDRSettings.xml token");
    const std::vector<std::wstring> lines = Decisions();
    auto has = [&lines](const std::wstring& line) {
        for (const auto& l : lines)
            if (l == line) return true;
        return false;
    };
    EXPECT_TRUE(has(L"Answer: Yes"));
    EXPECT_TRUE(has(L"Wizard: \"C:\\Media\\Setup\\SetupWizard.dat\" KDRSettings.xml token"));
    EXPECT_TRUE(has(L"Wizard ended: exit code 7"));
    EXPECT_TRUE(has(L"Exit code: 0"));
}

TEST_F(Unattended, ALogThatIsALinkIsNotFollowed)
{
    M().WriteFile(L"C:\\Logs\\target.txt", "precious");
    std::filesystem::create_symlink(M().HostPath(L"C:\\Logs\\target.txt"), M().HostPath(kDecisions));
    EXPECT_EQ(RunSetup(std::wstring(L"/bootstrap:quiet /bootstrap:log=") + kDecisions), 0);
    EXPECT_EQ(M().ReadFile(L"C:\\Logs\\target.txt"), std::optional<std::string>("precious"));
    EXPECT_FALSE(Decisions().empty());
}

TEST_F(Unattended, ALogThatCannotBeWrittenStopsBeforeAnythingChanges)
{
    EXPECT_EQ(RunSetup(L"/bootstrap:quiet /bootstrap:log=C:\\NoSuchFolder\\decisions.log"), 1603);
    EXPECT_TRUE(M().started.empty());
    EXPECT_TRUE(M().namedObjects.empty());
    auto log = LogText();
    ASSERT_TRUE(log.has_value());
    EXPECT_NE(log->find(L"ErrorCode: 3 "), std::wstring::npos) << winsim::Narrow(*log);
}

// Three conditions fail at once: the report lists all three, and the run changes nothing.
TEST_F(Unattended, TheReadinessReportListsEveryFailureAndChangesNothing)
{
    M().isAdmin = false;
    M().processors = {{0x1, RelationProcessorCore}};
    M().runningProcesses.push_back(L"Orvale.Core.Shell.exe");
    DotNetMissing(0, true);
    M().Key(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager")
        .values[L"PendingFileRenameOperations"] = winsim::RegistryValue{REG_MULTI_SZ, {0, 0, 0, 0}};
    const auto registryBefore = M().registry.size();
    const bool tempBefore = M().Exists(L"C:\\ProgramData\\Orvale\\Setup\\Temp");

    EXPECT_EQ(RunSetup(std::wstring(L"/bootstrap:check /bootstrap:report=") + kReport), 740);
    EXPECT_TRUE(ShowedNothing());
    EXPECT_TRUE(M().started.empty());
    EXPECT_TRUE(M().namedObjects.empty());
    EXPECT_TRUE(M().exitWindowsRequests.empty());
    EXPECT_EQ(M().registry.size(), registryBefore);
    EXPECT_EQ(M().Value(HKEY_CURRENT_USER, kRunOnceKey, L"OrvaleSetup"), nullptr);
    EXPECT_EQ(M().Exists(L"C:\\ProgramData\\Orvale\\Setup\\Temp"), tempBefore);

    auto report = M().ReadFile(kReport);
    ASSERT_TRUE(report.has_value());
    const std::string& json = *report;
    for (const char* expected :
         {"\"ready\": false", "\"exitCode\": 740", "\"rebootPending\": true",
          "{\"name\": \"administrator\", \"met\": false, \"message\": \"Local Administrator privileges are required "
          "to install this package.\", \"values\": {\"administrators-member\": \"no\"}}",
          "{\"name\": \"processor-cores\", \"met\": false", "\"values\": {\"processors\": \"1\", \"minimum\": \"2\"}",
          "{\"name\": \"product-processes\", \"met\": false", "\"values\": {\"running\": \"Orvale.Core.Shell.exe\"}",
          "{\"name\": \"single-setup\", \"met\": true",
          "{\"name\": \".NET Framework 4.0\", \"present\": false, \"version\": \"\", \"command\": "
          "\"\\\"C:\\\\Media\\\\Redistr\\\\dotNetFx40_Full_x86_x64.exe\\\" /q /norestart"}) {
        EXPECT_NE(json.find(expected), std::string::npos) << expected << "\n" << json;
    }
}

TEST_F(Unattended, AReadyServerGivesZeroAndTheProcessorWarningStopsOnlyAStrictCheck)
{
    M().processors = {{0x1, RelationProcessorCore}};
    EXPECT_EQ(RunSetup(std::wstring(L"/bootstrap:check /bootstrap:report=") + kReport), 0);
    auto report = M().ReadFile(kReport);
    ASSERT_TRUE(report.has_value());
    EXPECT_NE(report->find("\"ready\": true"), std::string::npos) << *report;
    EXPECT_NE(report->find("\"allConditionsMet\": false"), std::string::npos) << *report;
    EXPECT_NE(report->find("\"rebootPending\": false"), std::string::npos) << *report;
    EXPECT_TRUE(wizardCommandLines.empty());
    EXPECT_EQ(RunSetup(L"/bootstrap:check /bootstrap:strict"), 1602);
}

TEST_F(Unattended, AReportInAFolderThatDoesNotExistIsASystemError)
{
    EXPECT_EQ(RunSetup(L"/bootstrap:check /bootstrap:report=C:\\NoSuchFolder\\ready.json"), 1603);
    EXPECT_TRUE(ShowedNothing());
    EXPECT_FALSE(M().Exists(L"C:\\NoSuchFolder"));
}
}  // namespace
}  // namespace scenario
