// Windows Installer 4.5: its command by Windows version, the service stop and start
// around the update, and its detection.
#include "bootstrap_helper/OvRedistrInstall.h"
#include "bootstrap_helper/OvRedistrWI45.h"
#include "setup_lib/OvWinError.h"

#include "RedistrFolderSeam.h"
#include <gtest/gtest.h>
#include <winsim/Machine.h>

using OvBootstrapHelper::OvRedistrWI45;
using OvSetupLib::OvMsiString;
using OvSetupLib::OvWinError;
using winsim::M;

namespace
{
class WI45Test : public ::testing::Test
{
protected:
    winsim::MachineScope machine;
    OvRedistrWI45 wi45;
    void SetUp() override
    {
        M().modulePath = L"X:\\Media\\Setup\\Setup.exe";
        OvBootstrapHelper::RecomputeRedistrFolder();
        M().WriteFile(L"C:\\ProgramData\\desktop.ini", "");  // the common application data folder exists
    }
    void TearDown() override
    {
        winsim::Reset();
        OvBootstrapHelper::RecomputeRedistrFolder();
    }
    winsim::ServiceModel& Msi() { return M().services[L"msiserver"]; }
};

TEST_F(WI45Test, Texts)
{
    EXPECT_EQ(wi45.GetDisplayName(), OvMsiString(L"Windows Installer 4.5"));
    EXPECT_EQ(wi45.GetErrorMessage(L"Keldora"),
              OvMsiString(L"Setup was unable to install Microsoft Windows Installer 4.5, which is a required "
                          L"prerequisite for Keldora Setup. You need to manually install Windows Installer 4.5 and "
                          L"re-run Keldora setup."));
    EXPECT_EQ(wi45.GetDialogId(), 703);
}

TEST_F(WI45Test, CommandForWindows6RunsWusaFromTheSystemFolder)
{
    M().osMajor = 6;
    M().osMinor = 0;
    EXPECT_EQ(wi45.GetInstallCommand(),
              OvMsiString(L"\"C:\\Windows\\system32\\wusa.exe\" "
                          L"\"X:\\Media\\Redistr\\x64\\Windows6.0-KB942288-v2-x64.msu\" /quiet /norestart"));
}

TEST_F(WI45Test, CommandForWindows5RunsThePackageWithItsLog)
{
    M().osMajor = 5;
    M().osMinor = 2;
    EXPECT_EQ(wi45.GetInstallCommand(),
              OvMsiString(L"\"X:\\Media\\Redistr\\x64\\WindowsServer2003-KB942288-v4-x64.exe\" /quiet /norestart "
                          L"/log:\"C:\\ProgramData\\Orvale\\Setup\\Temp\\WI45.log\""));
}

TEST_F(WI45Test, OtherWindowsVersionsAreNotSupported)
{
    for (DWORD major : {4u, 7u, 10u}) {
        M().osMajor = major;
        try {
            wi45.GetInstallCommand();
            ADD_FAILURE() << "no error for " << major;
        } catch (const OvWinError& e) {
            EXPECT_EQ(e.ErrorCode(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
            EXPECT_EQ(e.Message(), OvMsiString(L"Unsupported OS version."));
        }
    }
}

TEST_F(WI45Test, ThirtyTwoBitWindowsHasNoPackage)
{
    M().wow64 = false;
    for (DWORD major : {5u, 6u}) {
        M().osMajor = major;
        try {
            wi45.GetInstallCommand();
            ADD_FAILURE() << "no error for " << major;
        } catch (const OvWinError& e) {
            EXPECT_EQ(e.ErrorCode(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
            EXPECT_EQ(e.Message(), OvMsiString(L"Unsupported OS version."));
        }
    }
}

TEST_F(WI45Test, VersionQueryFailure)
{
    M().faults["GetVersionExW"] = winsim::Fault{ERROR_INVALID_PARAMETER};
    try {
        wi45.GetInstallCommand();
        FAIL() << "no error";
    } catch (const OvWinError& e) {
        EXPECT_EQ(e.ErrorCode(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
        EXPECT_EQ(e.Message(), OvMsiString(L"Failed to execute GetVersionEx function."));
    }
}

// ---- the service around the update ----

struct StopCase {
    const char* name;
    DWORD state;
    std::deque<DWORD> pending;
    int expectedQueries;
    int expectedSleeps;
};

class WI45Stop : public ::testing::TestWithParam<StopCase>
{
protected:
    winsim::MachineScope machine;
};

TEST_P(WI45Stop, SendsOneStopRequest)
{
    const StopCase& c = GetParam();
    winsim::ServiceModel& s = M().services[L"msiserver"];
    s.state = c.state;
    s.pending = c.pending;
    OvRedistrWI45 wi45;
    EXPECT_NO_THROW(wi45.BeforeInstall());
    EXPECT_EQ(s.controls, (std::vector<DWORD>{SERVICE_CONTROL_STOP}));
    EXPECT_EQ(s.queries, c.expectedQueries);
    EXPECT_EQ(M().sleeps, c.expectedSleeps);
    EXPECT_EQ(M().sleptMilliseconds, 60u * static_cast<DWORD>(c.expectedSleeps));
    EXPECT_EQ(s.starts, 0);
    EXPECT_EQ(M().OpenHandles(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    States, WI45Stop,
    ::testing::Values(StopCase{"running", SERVICE_RUNNING, {}, 1, 0}, StopCase{"stopped", SERVICE_STOPPED, {}, 1, 0},
                      // At most one further query, then the request regardless.
                      StopCase{"pending", SERVICE_RUNNING, {SERVICE_START_PENDING, SERVICE_START_PENDING}, 2, 1},
                      StopCase{"pending once", SERVICE_RUNNING, {SERVICE_START_PENDING}, 2, 1}),
    [](const ::testing::TestParamInfo<StopCase>& i) {
        std::string n = i.param.name;
        for (auto& ch : n)
            if (ch == ' ') ch = '_';
        return n;
    });

TEST_F(WI45Test, StopFailureCarriesTheSystemText)
{
    Msi().state = SERVICE_RUNNING;
    Msi().stopError = ERROR_ACCESS_DENIED;
    try {
        wi45.BeforeInstall();
        FAIL() << "no error";
    } catch (const OvWinError& e) {
        EXPECT_EQ(e.ErrorCode(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
        // The system's own text for the code, as FormatMessageW gives it.
        EXPECT_EQ(e.Message(), OvMsiString(L"Access is denied.\r\n"));
    }
    EXPECT_EQ(M().OpenHandles(), 0);
}

TEST_F(WI45Test, ServiceThatCannotBeOpenedIsAnError)
{
    Msi().openError = ERROR_ACCESS_DENIED;
    try {
        wi45.BeforeInstall();
        FAIL() << "no error";
    } catch (const OvWinError& e) {
        EXPECT_EQ(e.ErrorCode(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    }
    EXPECT_EQ(M().OpenHandles(), 0);
}

TEST_F(WI45Test, StartWaitsForASteadyStateThenStarts)
{
    Msi().state = SERVICE_STOPPED;
    Msi().pending = {SERVICE_STOP_PENDING, SERVICE_STOP_PENDING, SERVICE_STOP_PENDING};
    wi45.AfterInstall();
    EXPECT_EQ(Msi().queries, 4);
    EXPECT_EQ(M().sleeps, 3);
    EXPECT_EQ(Msi().starts, 1);
    EXPECT_EQ(Msi().state, static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_EQ(M().OpenHandles(), 0);
}

TEST_F(WI45Test, TheStartAfterTheUpdateWaitsBoundedForAStuckService)
{
    struct Case {
        const char* name;
        std::size_t pendingQueries;
        bool times_out;
    };
    const DWORD bound = OvBootstrapHelper::OvRedistrWI45::kAfterInstallQueries;
    const Case cases[] = {
        {"settles at the last query", bound, false},
        {"still pending at the last query", bound + 1, true},
        {"never settles in any reasonable time", 10 * bound, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Msi() = winsim::ServiceModel{};
        M().sleeps = 0;
        Msi().state = SERVICE_STOPPED;
        Msi().pending.assign(c.pendingQueries, SERVICE_STOP_PENDING);
        try {
            wi45.AfterInstall();
            EXPECT_FALSE(c.times_out) << "no error";
            EXPECT_EQ(Msi().starts, 1);
        } catch (const OvWinError& e) {
            EXPECT_TRUE(c.times_out) << e.ErrorCode();
            EXPECT_EQ(e.ErrorCode(), static_cast<DWORD>(ERROR_SERVICE_REQUEST_TIMEOUT));
            EXPECT_EQ(Msi().starts, 0);
        }
        // One first query and at most the bound more, 60 ms apart: ten minutes.
        EXPECT_EQ(Msi().queries, static_cast<int>(bound) + 1);
        EXPECT_EQ(M().sleeps, static_cast<int>(bound));
        EXPECT_EQ(M().OpenHandles(), 0);
    }
}

TEST_F(WI45Test, StartOfAServiceAlreadyRunningIsSuccess)
{
    Msi().state = SERVICE_RUNNING;
    EXPECT_NO_THROW(wi45.AfterInstall());
    EXPECT_EQ(Msi().starts, 1);
    EXPECT_EQ(M().OpenHandles(), 0);
}

// A stop asked while the service is still starting or already stopping is refused with
// 1061: setup waits for the stopped state (asking again once it runs) instead of ending.
TEST_F(WI45Test, AStopRefusedInAPendingStateWaitsForTheStoppedState)
{
    struct {
        const char* what;
        DWORD state;
        std::deque<DWORD> pending;
        std::vector<DWORD> controls;
    } cases[] = {
        {"still starting, then running",
         SERVICE_RUNNING,
         {SERVICE_START_PENDING, SERVICE_START_PENDING, SERVICE_START_PENDING, SERVICE_START_PENDING},
         {SERVICE_CONTROL_STOP, SERVICE_CONTROL_STOP}},
        {"already stopping",
         SERVICE_STOPPED,
         {SERVICE_STOP_PENDING, SERVICE_STOP_PENDING, SERVICE_STOP_PENDING, SERVICE_STOP_PENDING},
         {SERVICE_CONTROL_STOP}},
    };
    for (const auto& c : cases) {
        winsim::Reset();
        Msi().state = c.state;
        Msi().pending = c.pending;
        EXPECT_NO_THROW(wi45.BeforeInstall()) << c.what;
        EXPECT_EQ(Msi().controls, c.controls) << c.what;
        EXPECT_EQ(Msi().state, static_cast<DWORD>(SERVICE_STOPPED)) << c.what;
        EXPECT_TRUE(Msi().pending.empty()) << c.what;
        EXPECT_EQ(M().OpenHandles(), 0) << c.what;
    }
}

// ---- detection and the whole sequence (these need GetFileVersion) ----

TEST_F(WI45Test, DetectionByMsiVersion)
{
    M().fileVersions[L"msi.dll"] = winsim::FileVersion{4, 5, 0, 0, true};
    EXPECT_TRUE(wi45.IsInstalled());
    M().fileVersions[L"msi.dll"] = winsim::FileVersion{4, 0, 6001, 0, true};
    EXPECT_FALSE(wi45.IsInstalled());
    M().fileVersions[L"msi.dll"] = winsim::FileVersion{4, 5, 0, 0, false};
    EXPECT_FALSE(wi45.IsInstalled()) << "no version data (no resources, 1812) counts as absent";
    M().fileVersions[L"msi.dll"] = winsim::FileVersion{4, 5, 0, 0, false, true};
    EXPECT_FALSE(wi45.IsInstalled()) << "no version data (resources without a version, 1813) counts as absent";
    M().fileVersions.erase(L"msi.dll");
    EXPECT_FALSE(wi45.IsInstalled()) << "a missing file counts as absent";
}

TEST_F(WI45Test, UpdateStopsAndRestartsTheService)
{
    M().osMajor = 6;
    M().fileVersions[L"msi.dll"] = winsim::FileVersion{4, 0, 6001, 0, true};
    Msi().state = SERVICE_RUNNING;
    M().programs[L"C:\\Windows\\SysWOW64\\wusa.exe"] =
        winsim::ProgramModel{3010, [](winsim::Machine& m, const std::wstring&) {
                                 m.fileVersions[L"msi.dll"] = winsim::FileVersion{4, 5, 6001, 22159, true};
                             }};
    bool reboot = false;
    EXPECT_TRUE(wi45.Install(&reboot));
    EXPECT_TRUE(reboot);
    EXPECT_EQ(Msi().controls, (std::vector<DWORD>{SERVICE_CONTROL_STOP}));
    EXPECT_EQ(Msi().starts, 1);
    ASSERT_EQ(M().started.size(), 1u);
    // Named in System32, reached in SysWOW64: the setup is a 32-bit process.
    EXPECT_EQ(M().started[0].commandLine.substr(0, 30), L"\"C:\\Windows\\system32\\wusa.exe\"");
    EXPECT_EQ(M().started[0].image, L"C:\\Windows\\SysWOW64\\wusa.exe");
}

TEST_F(WI45Test, OldLibraryLeftInPlaceMeansNoRestart)
{
    M().osMajor = 6;
    M().fileVersions[L"msi.dll"] = winsim::FileVersion{4, 0, 6001, 0, true};
    Msi().state = SERVICE_RUNNING;
    M().programs[L"C:\\Windows\\SysWOW64\\wusa.exe"] = winsim::ProgramModel{3010, nullptr};
    bool reboot = false;
    EXPECT_FALSE(wi45.Install(&reboot));
    EXPECT_TRUE(reboot);
    EXPECT_EQ(Msi().starts, 0);
}
}  // namespace
