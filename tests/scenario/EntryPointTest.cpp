// The entry point from the command line to the exit code: product choice, the
// wizard's command line, and what is logged.
#include "Scenario.h"

namespace scenario
{
namespace
{
struct SelectionCase {
    const wchar_t* arguments;
    const wchar_t* wizardArguments;
};

class ProductSelection : public Scenario, public ::testing::WithParamInterface<SelectionCase>
{
};

TEST_P(ProductSelection, StartsTheWizardWithTheProductsSettingsFile)
{
    EXPECT_EQ(RunSetup(GetParam().arguments), 0);
    ASSERT_EQ(M().started.size(), 1u);
    // The wizard is named by its full path, so nothing is searched, and quoted for its arguments.
    EXPECT_EQ(M().started[0].application, kWizard);
    EXPECT_EQ(M().started[0].commandLine, std::wstring(L"\"") + kWizard + L"\" " + GetParam().wizardArguments);
    EXPECT_TRUE(M().messageBoxes.empty());
    EXPECT_FALSE(LogText().has_value()) << "a normal run writes no log";
    EXPECT_TRUE(M().Exists(L"C:\\ProgramData\\Orvale\\Setup\\Temp"));
}

INSTANTIATE_TEST_SUITE_P(
    EntryPoint, ProductSelection,
    ::testing::Values(SelectionCase{L"", L"KDRSettings.xml"}, SelectionCase{L"maritane", L"MTSettings.xml"},
                      SelectionCase{L"MARITANE extra", L"MTSettings.xml extra"},
                      SelectionCase{L"keldora", L"KDRSettings.xml"}, SelectionCase{L"x y", L"KDRSettings.xml y"},
                      SelectionCase{L"a b c", L"KDRSettings.xml"}, SelectionCase{L"a  b", L"KDRSettings.xml"},
                      SelectionCase{L"maritanex", L"KDRSettings.xml"},
                      SelectionCase{L"maritane  x", L"MTSettings.xml"}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST_F(Scenario, TheWizardsOwnExitCodeDoesNotChangeTheResult)
{
    SetWizard(1603);
    EXPECT_EQ(RunSetup(L""), 0);
    EXPECT_EQ(wizardCommandLines.size(), 1u);
}

TEST_F(Scenario, AMissingWizardIsLoggedAndFails)
{
    M().programs.erase(kWizard);
    EXPECT_EQ(RunSetup(L""), -1);
    auto log = LogText();
    ASSERT_TRUE(log.has_value());
    // Time stamp (24 characters), a blank, the level, then the line.
    ASSERT_GT(log->size(), 25u);
    EXPECT_EQ(log->substr(24),
              L" [ERROR  ] Catch OvWinError. ErrorCode: 2 Error: The system cannot find the file specified.\r\n\r\n");
}

TEST_F(Scenario, TheWizardInAFolderWithBlanksIsNotHijacked)
{
    const wchar_t* program = L"C:\\My Media\\Setup\\Setup.exe";
    const wchar_t* wizard = L"C:\\My Media\\Setup\\SetupWizard.dat";
    M().programs[wizard] = M().programs[kWizard];
    M().programs.erase(kWizard);
    M().programs[L"C:\\My.exe"] = winsim::ProgramModel{0, nullptr};
    M().modulePath = program;
    M().commandLine = program;
    EXPECT_EQ(RunEntryPoint(L""), 0);
    ASSERT_EQ(M().started.size(), 1u);
    EXPECT_EQ(M().started[0].image, wizard);
}

TEST_F(Scenario, AnErrorFromTheRunnerIsLoggedWithItsCodeAndText)
{
    // The process list cannot be read: the running-process condition throws.
    M().faults["NtQuerySystemInformation"] = winsim::Fault{0xC0000022u, -1, 0};
    EXPECT_EQ(RunSetup(L""), -1);
    EXPECT_TRUE(wizardCommandLines.empty());
    auto log = LogText();
    ASSERT_TRUE(log.has_value());
    // An NTSTATUS has no system text: the line ends after "Error: ", and the code is unsigned.
    EXPECT_EQ(log->substr(24), L" [ERROR  ] Catch OvWinError. ErrorCode: 3221225506 Error: \r\n");
}

// A call that failed without setting an error is logged with a code of its own, never 0.
TEST_F(Scenario, AFailureWithoutASystemErrorIsNotLoggedAsCodeZero)
{
    M().faults["VerQueryValueW"] = winsim::Fault{ERROR_SUCCESS};
    EXPECT_EQ(RunSetup(L""), -1);
    auto log = LogText();
    ASSERT_TRUE(log.has_value());
    EXPECT_EQ(log->substr(24),
              L" [ERROR  ] Catch OvWinError. ErrorCode: 1359 Error: An internal error occurred.\r\n\r\n");
}

// Refused before any condition is evaluated: logged with its code, and -1.
TEST_F(Scenario, ARedirectedOrOverlongProgramPathIsRefused)
{
    M().WriteFile(L"C:\\Media\\Setup\\Setup.exe.local", "");
    EXPECT_EQ(RunSetup(L""), -1);
    EXPECT_TRUE(M().messageBoxes.empty());
    EXPECT_TRUE(M().started.empty());
    ASSERT_TRUE(LogText().has_value());
    EXPECT_EQ(LogText()->substr(24), L" [ERROR  ] Catch OvWinError. ErrorCode: 5 Error: Access is denied.\r\n\r\n");

    winsim::Reset();
    SetWizard(0);
    M().modulePath = L"C:\\" + std::wstring(250, L'm') + L"\\Setup\\Setup.exe";
    M().isAdmin = false;  // would show a box if a condition were evaluated
    EXPECT_EQ(RunEntryPoint(L""), -1);
    EXPECT_TRUE(M().messageBoxes.empty());
    ASSERT_TRUE(LogText().has_value());
    EXPECT_NE(LogText()->find(L"ErrorCode: 206 Error: The filename or extension is too long."), std::wstring::npos);
}

// Without its folder setup has no log to write to: it says so in a stop box that names the
// folder and the system's reason, for each product with its own caption.
TEST_F(Scenario, ASetupThatCannotMakeItsFolderSaysSo)
{
    for (const auto& [arguments, caption] : {std::pair<const wchar_t*, const wchar_t*>{L"", L"Keldora"},
                                             std::pair<const wchar_t*, const wchar_t*>{L"maritane", L"Maritane"}}) {
        winsim::Reset();
        SetWizard(0);
        M().faults["CreateDirectoryW"] = winsim::Fault{ERROR_ACCESS_DENIED};
        Answer(IDOK);
        EXPECT_EQ(RunSetup(arguments), -1) << caption;
        ASSERT_EQ(M().messageBoxes.size(), 1u) << caption;
        const winsim::MessageBoxRecord& box = M().messageBoxes[0];
        EXPECT_EQ(box.caption, caption);
        EXPECT_EQ(box.type, 0x40030u);
        EXPECT_EQ(box.owner, nullptr);
        EXPECT_EQ(box.text,
                  L"Setup cannot create or use its folder C:\\ProgramData\\Orvale:\n"
                  L"Access is denied.\r\n");
        EXPECT_TRUE(M().started.empty()) << caption;
        EXPECT_FALSE(LogText().has_value()) << caption;
    }
}

TEST_F(Scenario, ASecondRunAppendsToTheLog)
{
    M().programs.erase(kWizard);
    EXPECT_EQ(RunSetup(L""), -1);
    EXPECT_EQ(RunSetup(L""), -1);
    auto bytes = M().ReadFile(kLog);
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(bytes->substr(0, 2), std::string("\xFF\xFE"));
    EXPECT_EQ(bytes->find(std::string("\xFF\xFE"), 2), std::string::npos);
    auto log = LogText();
    EXPECT_NE(log->find(L"Catch OvWinError", log->find(L"Catch OvWinError") + 1), std::wstring::npos);
}
}  // namespace
}  // namespace scenario
