#include "WizardBootstrap/OvWizardLaunch.h"

#include "setup_lib/OvWinError.h"

#include <winsim/Machine.h>

#include <gtest/gtest.h>

using OvSetupLib::OvWinError;
using OvWizardBootstrap::LaunchWizard;
using OvWizardBootstrap::RunAndWait;

namespace
{
class WizardLaunchTest : public ::testing::Test
{
protected:
    winsim::MachineScope machine;

    // A wizard file beside the program, with its model.
    static void PlaceWizard(const std::wstring& folder, DWORD exitCode = 0)
    {
        winsim::M().modulePath = folder + L"Setup.exe";
        winsim::M().WriteFile(folder + L"Setup.exe", "MZ");
        winsim::M().WriteFile(folder + L"SetupWizard.dat", "MZ");
        winsim::M().programs[folder + L"SetupWizard.dat"] = winsim::ProgramModel{exitCode, nullptr};
    }

    static DWORD ThrownCode(const wchar_t* argumentText, std::wstring* message = nullptr)
    {
        try {
            LaunchWizard(argumentText);
        } catch (const OvWinError& e) {
            if (message) *message = e.Message();
            return e.ErrorCode();
        }
        return 0;
    }
};

TEST_F(WizardLaunchTest, StartsTheWizardByItsQuotedFullPath)
{
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"C:\\Media\\Setup\\", L"KDRSettings.xml"},
        {L"D:\\Suite Media\\Setup Files\\", L"MTSettings.xml /quiet"},
    };
    for (auto& c : cases) {
        winsim::Reset();
        PlaceWizard(c.first);
        LaunchWizard(c.second);
        ASSERT_EQ(winsim::M().started.size(), 1u) << winsim::Narrow(c.first);
        const winsim::StartedProcess& p = winsim::M().started[0];
        std::wstring wizard = std::wstring(c.first) + L"SetupWizard.dat";
        EXPECT_EQ(p.application, wizard);
        EXPECT_EQ(p.commandLine, L"\"" + wizard + L"\" " + c.second);
        EXPECT_EQ(p.image, wizard);
        EXPECT_EQ(winsim::M().OpenHandles(), 0);
    }
}

TEST_F(WizardLaunchTest, AFileNamedByAShorterBeginningDoesNotRun)
{
    PlaceWizard(L"C:\\My Media\\Setup\\");
    winsim::M().WriteFile(L"C:\\My.exe", "MZ");
    winsim::M().programs[L"C:\\My.exe"] = winsim::ProgramModel{99, nullptr};
    LaunchWizard(L"KDRSettings.xml");
    ASSERT_EQ(winsim::M().started.size(), 1u);
    EXPECT_EQ(winsim::M().started[0].image, L"C:\\My Media\\Setup\\SetupWizard.dat");
}

TEST_F(WizardLaunchTest, AWizardThatCannotStartThrows)
{
    struct Case {
        const char* what;
        bool placeFile;
        bool model;
        DWORD code;
    };
    const Case cases[] = {
        {"missing file", false, false, ERROR_FILE_NOT_FOUND},
        {"not a program", true, false, ERROR_BAD_EXE_FORMAT},
    };
    for (const Case& c : cases) {
        winsim::Reset();
        winsim::M().WriteFile(L"C:\\Media\\Setup\\Setup.exe", "MZ");
        if (c.placeFile) winsim::M().WriteFile(L"C:\\Media\\Setup\\SetupWizard.dat", "text");
        std::wstring message;
        EXPECT_EQ(ThrownCode(L"KDRSettings.xml", &message), c.code) << c.what;
        EXPECT_EQ(message, L"Failed to start the setup wizard.") << c.what;
        EXPECT_TRUE(winsim::M().started.empty()) << c.what;
        EXPECT_EQ(winsim::M().OpenHandles(), 0) << c.what;
    }
}

TEST_F(WizardLaunchTest, AnInjectedStartFailureKeepsItsCode)
{
    PlaceWizard(L"C:\\Media\\Setup\\");
    winsim::M().faults["CreateProcessW"] = {ERROR_ACCESS_DENIED, 1, 0};
    EXPECT_EQ(ThrownCode(L"KDRSettings.xml"), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST_F(WizardLaunchTest, TheWizardsExitCodeIsReturned)
{
    for (DWORD code : {0u, 1u, 3010u, 0xFFFFFFFFu}) {
        winsim::Reset();
        PlaceWizard(L"C:\\Media\\Setup\\", code);
        EXPECT_EQ(RunAndWait(L"C:\\Media\\Setup\\SetupWizard.dat", L"KDRSettings.xml"), code);
        EXPECT_NO_THROW(LaunchWizard(L"KDRSettings.xml")) << code;
        EXPECT_EQ(winsim::M().OpenHandles(), 0);
    }
}

TEST_F(WizardLaunchTest, WaitAndExitCodeFailuresThrowAndCloseTheHandles)
{
    for (const char* function : {"WaitForSingleObject", "GetExitCodeProcess"}) {
        winsim::Reset();
        PlaceWizard(L"C:\\Media\\Setup\\");
        winsim::M().faults[function] = {ERROR_INVALID_HANDLE, 1, 0};
        EXPECT_THROW(RunAndWait(L"C:\\Media\\Setup\\SetupWizard.dat", L"x"), OvWinError) << function;
        EXPECT_EQ(winsim::M().started.size(), 1u) << function;
        EXPECT_EQ(winsim::M().OpenHandles(), 0) << function;
    }
}

TEST_F(WizardLaunchTest, ATruncatedProgramPathIsRefused)
{
    std::wstring folder = L"C:\\" + std::wstring(250, L'a') + L"\\";
    PlaceWizard(folder);
    // The same code as every other use of the program's path (it used to be 122 here).
    EXPECT_EQ(ThrownCode(L"KDRSettings.xml"), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
    EXPECT_TRUE(winsim::M().started.empty());
}

TEST_F(WizardLaunchTest, CommandLineWithoutArguments)
{
    PlaceWizard(L"C:\\Media\\Setup\\");
    RunAndWait(L"C:\\Media\\Setup\\SetupWizard.dat", nullptr);
    RunAndWait(L"C:\\Media\\Setup\\SetupWizard.dat", L"");
    ASSERT_EQ(winsim::M().started.size(), 2u);
    for (auto& p : winsim::M().started)
        EXPECT_EQ(p.commandLine, L"\"C:\\Media\\Setup\\SetupWizard.dat\"");
}
}  // namespace
