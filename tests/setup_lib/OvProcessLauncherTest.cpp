// The launcher of the installers and the wizard: both waits end with the program's
// exit code, every failure is raised with its code, and no handle stays open.
#include "setup_lib/OvProcessLauncher.h"
#include "setup_lib/OvWinError.h"

#include <gtest/gtest.h>
#include <winsim/Machine.h>

using OvSetupLib::OvMsiString;
using OvSetupLib::OvWait;
using OvSetupLib::OvWinError;
using OvSetupLib::RunProcess;
using winsim::M;

namespace
{
const wchar_t* const kProgram = L"C:\\Media\\Redistr\\pkg.exe";

class ProcessLauncher : public ::testing::TestWithParam<OvWait>
{
protected:
    winsim::MachineScope machine;

    // The code and text of the error the run raised; 0 when it raised none.
    static DWORD FailureOf(OvMsiString* message = nullptr)
    {
        try {
            DWORD code = RunProcess(nullptr, kProgram, GetParam(), L"Failed to create process.");
            ADD_FAILURE() << "no error; exit code " << code;
        } catch (const OvWinError& e) {
            if (message != nullptr) *message = e.Message();
            return e.ErrorCode();
        }
        return 0;
    }
};

TEST_P(ProcessLauncher, ReturnsTheExitCodeAndClosesItsHandles)
{
    for (DWORD code : {0u, 1603u, 3010u, 0xFFFFFFFFu}) {
        winsim::Reset();
        M().programs[kProgram] = winsim::ProgramModel{code, nullptr};
        EXPECT_EQ(RunProcess(nullptr, kProgram, GetParam(), L"x"), code);
        EXPECT_EQ(M().OpenHandles(), 0);
    }
    ASSERT_EQ(M().started.size(), 1u);
    EXPECT_EQ(M().started[0].commandLine, kProgram);
}

// An installer that takes its time: the wait lasts until it ends, then its code is read.
TEST_P(ProcessLauncher, WaitsForAProgramThatRunsAWhile)
{
    M().programs[kProgram] = winsim::ProgramModel{3010, nullptr, 90000};
    EXPECT_EQ(RunProcess(nullptr, kProgram, GetParam(), L"x"), 3010u);
    EXPECT_GE(M().clock, 90000u);
    EXPECT_EQ(M().OpenHandles(), 0);
}

TEST_P(ProcessLauncher, EachFailingStepIsRaisedWithItsCodeAndHandlesClosed)
{
    struct Step {
        const char* function;
        DWORD code;
        const wchar_t* message;
    };
    const char* wait = GetParam() == OvWait::Blocking ? "WaitForSingleObject" : "MsgWaitForMultipleObjects";
    for (const Step& step : {Step{"CreateProcessW", ERROR_ACCESS_DENIED, L"Failed to create process."},
                             Step{wait, ERROR_INVALID_HANDLE, L"Failed to wait for process."},
                             Step{"GetExitCodeProcess", ERROR_ACCESS_DENIED, L"Failed to get process exit code."}}) {
        winsim::Reset();
        // Running for ten minutes: a failed wait must not be taken for its end.
        M().programs[kProgram] = winsim::ProgramModel{0, nullptr, 600000};
        M().faults[step.function] = winsim::Fault{step.code};
        OvMsiString message;
        EXPECT_EQ(FailureOf(&message), step.code) << step.function;
        EXPECT_EQ(message, OvMsiString(step.message)) << step.function;
        EXPECT_EQ(M().OpenHandles(), 0) << step.function;
    }
}

TEST_P(ProcessLauncher, AProgramThatCannotBeFoundIsRaised)
{
    EXPECT_EQ(FailureOf(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(M().started.empty());
}

INSTANTIATE_TEST_SUITE_P(BothWaits, ProcessLauncher, ::testing::Values(OvWait::Blocking, OvWait::PumpingMessages),
                         [](const ::testing::TestParamInfo<OvWait>& info) {
                             return info.param == OvWait::Blocking ? "Blocking" : "PumpingMessages";
                         });

// A program that sends to the caller's windows (a broadcast, or a reader of the
// progress window) is answered while it runs; a wait deaf to sent messages never ends.
TEST(ProcessLauncherPumping, AnswersMessagesSentWhileTheProgramRuns)
{
    winsim::MachineScope machine;
    M().programs[kProgram] = winsim::ProgramModel{3010, nullptr};
    M().sentByProgram = 2;
    EXPECT_EQ(RunProcess(nullptr, kProgram, OvWait::PumpingMessages, L"x"), 3010u);
    EXPECT_EQ(M().sentAnswered, 2);
    EXPECT_EQ(M().sentByProgram, 0);
    EXPECT_EQ(M().OpenHandles(), 0);
}
}  // namespace
