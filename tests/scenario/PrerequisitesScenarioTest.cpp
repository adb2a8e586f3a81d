// The whole road with prerequisites: the question, the installations with their
// progress windows, the reboot with its RunOnce value, and the resumed run.
#include "Scenario.h"

namespace scenario
{
namespace
{
std::wstring RunOnceValue()
{
    auto* v = winsim::M().Value(HKEY_CURRENT_USER, kRunOnceKey, L"OrvaleSetup");
    if (v == nullptr) return L"<none>";
    std::wstring text;
    for (std::size_t i = 0; i + 1 < v->data.size(); i += 2)
        text += static_cast<wchar_t>(v->data[i] | (v->data[i + 1] << 8));
    return text;
}

TEST_F(Scenario, TwoMissingInstalledRebootThenResumeStartsTheWizard)
{
    WicMissing(0, true);
    DotNetMissing(3010, true);
    Answer(IDOK, std::wstring(L"Please install the following prerequisites to proceed with Maritane installation:\n"
                              L"     -Windows Imaging Component\n     -.NET Framework 4.0\n"
                              L"Click OK to install these prerequisites."));
    Answer(IDOK);  // Reboot
    EXPECT_EQ(RunSetup(L"maritane token"), 0);
    EXPECT_TRUE(wizardCommandLines.empty()) << "no wizard while the machine goes down";

    std::vector<std::wstring> expected = {
        L"\"C:\\Media\\Redistr\\x64\\wic_x64_enu.exe\" /q /norestart "
        L"/log:\"C:\\ProgramData\\Orvale\\Setup\\Temp\\WIC.log\"",
        L"\"C:\\Media\\Redistr\\dotNetFx40_Full_x86_x64.exe\" /q /norestart /log "
        L"\"C:\\ProgramData\\Orvale\\Setup\\Temp\\NET40.htm\""};
    EXPECT_EQ(StartedCommandLines(), expected);

    // One progress window per installation, from its own template, gone afterwards; then the reboot question.
    std::vector<WORD> templates;
    for (auto& d : M().dialogs) {
        templates.push_back(d.templateId);
        EXPECT_TRUE(d.modal || d.destroyed) << d.templateId;
    }
    EXPECT_EQ(templates, (std::vector<WORD>{704, 701, 702}));

    // The value holds the command line with its terminating null; the reboot was requested after it.
    auto* v = M().Value(HKEY_CURRENT_USER, kRunOnceKey, L"OrvaleSetup");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->type, static_cast<DWORD>(REG_SZ));
    std::wstring commandLine = std::wstring(kProgram) + L" maritane token";
    EXPECT_EQ(v->data.size(), 2 * (commandLine.size() + 1));
    EXPECT_EQ(RunOnceValue(), commandLine + L'\0');
    ASSERT_EQ(M().exitWindowsRequests.size(), 1u);
    EXPECT_EQ(M().exitWindowsRequests[0], (std::pair<UINT, DWORD>{6u, 0x80040002u}));

    // The next logon runs the registered command line: everything is present now.
    M().messageBoxes.clear();
    M().started.clear();
    EXPECT_EQ(RunSetup(L"maritane token"), 0);
    EXPECT_TRUE(M().messageBoxes.empty());
    EXPECT_EQ(wizardCommandLines.size(), 1u);
    EXPECT_EQ(wizardCommandLines.back(), std::wstring(L"\"") + kWizard + L"\" MTSettings.xml token");
}

TEST_F(Scenario, CancelInTheRebootDialogEndsWithZeroAndRegistersNothing)
{
    DotNetMissing(3010, true);
    Answer(IDOK);
    Answer(IDCANCEL);
    EXPECT_EQ(RunSetup(L""), 0);
    EXPECT_EQ(RunOnceValue(), L"<none>");
    EXPECT_TRUE(M().exitWindowsRequests.empty());
    EXPECT_TRUE(wizardCommandLines.empty());
}

TEST_F(Scenario, AMissingShutdownPrivilegeIsLoggedBeforeTheDialogAndRegistersNothing)
{
    M().shutdownPrivilegeHeld = false;
    DotNetMissing(3010, true);
    Answer(IDOK);
    EXPECT_EQ(RunSetup(L""), -1);
    EXPECT_EQ(M().messageBoxes.size(), 1u) << "the question only";
    for (auto& d : M().dialogs)
        EXPECT_NE(d.templateId, 702) << "no reboot dialog";
    EXPECT_EQ(RunOnceValue(), L"<none>");
    EXPECT_TRUE(M().exitWindowsRequests.empty());
    EXPECT_TRUE(wizardCommandLines.empty());
    auto log = LogText();
    ASSERT_TRUE(log.has_value());
    EXPECT_NE(log->find(L"ErrorCode: 1300 "), std::wstring::npos) << *log;
}

TEST_F(Scenario, ARebootDialogThatCannotBeCreatedIsLoggedAndEndsWithMinusOne)
{
    M().faults["DialogBoxParamW"] = winsim::Fault{ERROR_NOT_ENOUGH_MEMORY};
    DotNetMissing(3010, true);
    Answer(IDOK);
    EXPECT_EQ(RunSetup(L""), -1);
    EXPECT_EQ(RunOnceValue(), L"<none>");
    EXPECT_TRUE(M().exitWindowsRequests.empty());
    EXPECT_TRUE(wizardCommandLines.empty());
    auto log = LogText();
    ASSERT_TRUE(log.has_value()) << "the failure is logged";
    EXPECT_NE(log->find(L"ErrorCode: 8 "), std::wstring::npos) << *log;
}

TEST_F(Scenario, ARebootBeforeAFailureShowsTheFailureThenTheRebootDialog)
{
    WicMissing(3010, true);
    DotNetMissing(0, false);
    Answer(IDOK);
    Answer(IDOK, std::wstring(L"Setup was unable to install Microsoft .NET Framework 4.0, which is a required "
                              L"prerequisite for Keldora Setup. You need to manually install .NET Framework and "
                              L"re-run Keldora setup."));
    Answer(IDOK);  // Reboot
    EXPECT_EQ(RunSetup(L""), -1);
    ASSERT_EQ(M().messageBoxes.size(), 2u);
    EXPECT_EQ(M().messageBoxes[1].type, 0x40030u);
    ASSERT_FALSE(M().dialogs.empty());
    EXPECT_EQ(M().dialogs.back().templateId, 702);
    EXPECT_EQ(M().exitWindowsRequests.size(), 1u);
    EXPECT_TRUE(wizardCommandLines.empty());
}

TEST_F(Scenario, CancelOnTheQuestionInstallsNothing)
{
    DotNetMissing(0, true);
    Answer(IDCANCEL, std::wstring(L"Please install .NET Framework 4.0 to proceed with Keldora installation.\n"
                                  L"Click OK to install this prerequisite."));
    EXPECT_EQ(RunSetup(L""), -1);
    EXPECT_TRUE(M().started.empty());
}

TEST_F(Scenario, AWindowsInstallerUpdateCompletedByTheRebootIsOfferedTheRebootNotAFailure)
{
    // The update returns 3010 and leaves the old msi.dll in place until the reboot.
    M().fileVersions[L"msi.dll"] = winsim::FileVersion{4, 0, 6001, 0, true};
    M().services[L"msiserver"].state = SERVICE_RUNNING;
    M().programs[kWusa] = winsim::ProgramModel{3010, nullptr};
    DotNetMissing(0, true);
    Answer(IDOK);  // both prerequisites
    Answer(IDOK);  // Reboot
    EXPECT_EQ(RunSetup(L""), 0);
    EXPECT_EQ(M().messageBoxes.size(), 1u) << "no failure box";
    ASSERT_EQ(M().started.size(), 1u) << ".NET waits for the run after the reboot";
    EXPECT_EQ(M().started[0].image, kWusa);
    ASSERT_FALSE(M().dialogs.empty());
    EXPECT_EQ(M().dialogs.back().templateId, 702);
    EXPECT_EQ(RunOnceValue(), std::wstring(kProgram) + L'\0');
    EXPECT_EQ(M().exitWindowsRequests.size(), 1u);
    EXPECT_TRUE(wizardCommandLines.empty());

    // After the reboot the new library is in place: the next run detects it and goes on.
    M().fileVersions[L"msi.dll"] = winsim::FileVersion{4, 5, 6001, 22159, true};
    M().messageBoxes.clear();
    M().started.clear();
    Answer(IDOK, std::wstring(L"Please install .NET Framework 4.0 to proceed with Keldora installation.\n"
                              L"Click OK to install this prerequisite."));
    EXPECT_EQ(RunSetup(L""), 0);
    ASSERT_EQ(M().started.size(), 2u) << ".NET, then the wizard";
    EXPECT_EQ(M().started[0].image, kDotNetInstaller);
    EXPECT_EQ(wizardCommandLines.size(), 1u);
}

TEST_F(Scenario, WindowsInstallerIsUpdatedThroughWusaWithTheServiceStoppedAndStarted)
{
    M().fileVersions[L"msi.dll"] = winsim::FileVersion{4, 0, 6001, 0, true};
    M().services[L"msiserver"].state = SERVICE_RUNNING;
    M().programs[kWusa] =
        winsim::ProgramModel{0, [](winsim::Machine& m, const std::wstring&) {
                                 m.fileVersions[L"msi.dll"] = winsim::FileVersion{4, 5, 6001, 22159, true};
                                 m.services[L"msiserver"].state = SERVICE_STOPPED;
                             }};
    Answer(IDOK);
    EXPECT_EQ(RunSetup(L""), 0);
    ASSERT_GE(M().started.size(), 1u);
    EXPECT_EQ(M().started[0].commandLine,
              L"\"C:\\Windows\\system32\\wusa.exe\" \"C:\\Media\\Redistr\\x64\\Windows6.0-KB942288-v2-x64.msu\" "
              L"/quiet /norestart");
    auto& service = M().services[L"msiserver"];
    EXPECT_EQ(service.controls, std::vector<DWORD>{SERVICE_CONTROL_STOP});
    EXPECT_EQ(service.starts, 1);
    EXPECT_EQ(wizardCommandLines.size(), 1u);
}
}  // namespace
}  // namespace scenario
