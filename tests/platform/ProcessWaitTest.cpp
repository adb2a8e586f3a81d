// Waiting for a started program as the installer and wizard waits do: a program that
// still runs is not signalled, a wait for it times out and its exit code reads
// STILL_ACTIVE; once it ends, by itself or ended, the wait returns at once with its code.
// The program is the idle stand-in of the end-to-end tests (it ends after the seconds
// given as its argument); over winsim a model of it runs for that simulated time.
#include "PlatformTest.h"

#include <string>

namespace
{
using OvPlatformTest::PlatformTest;

class ProcessWaits : public PlatformTest
{
protected:
    // Starts idle.exe for `seconds`; the process handle, or null with the test failed.
    HANDLE StartIdle(unsigned seconds)
    {
        wchar_t self[MAX_PATH + 1] = {};
        GetModuleFileNameW(nullptr, self, MAX_PATH + 1);
        std::wstring path = self;
        path = path.substr(0, path.find_last_of(L'\\') + 1) + L"idle.exe";
#ifndef _WIN32
        // idle.exe sleeps for its argument in seconds and ends with 0.
        winsim::M().programs[path] = winsim::ProgramModel{0, nullptr, seconds * 1000};
#endif
        std::wstring commandLine = L"\"" + path + L"\" " + std::to_wstring(seconds);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        BOOL created = CreateProcessW(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                      &startup, &process);
        EXPECT_TRUE(created) << "idle.exe beside the test could not start: " << GetLastError();
        if (!created) return nullptr;
        CloseHandle(process.hThread);
        return process.hProcess;
    }

    static DWORD ExitCode(HANDLE process)
    {
        DWORD code = 0xDEAD;
        EXPECT_TRUE(GetExitCodeProcess(process, &code)) << GetLastError();
        return code;
    }
};

TEST_F(ProcessWaits, ARunningProgramTimesOutUntilItIsEnded)
{
    HANDLE process = StartIdle(30);
    ASSERT_NE(process, nullptr);
    EXPECT_EQ(WaitForSingleObject(process, 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(process, 200), WAIT_TIMEOUT);
    EXPECT_EQ(MsgWaitForMultipleObjects(1, &process, FALSE, 100, QS_ALLINPUT), WAIT_TIMEOUT);
    EXPECT_EQ(ExitCode(process), static_cast<DWORD>(STILL_ACTIVE));

    EXPECT_TRUE(TerminateProcess(process, 7)) << GetLastError();
    EXPECT_EQ(WaitForSingleObject(process, 10000), WAIT_OBJECT_0);
    EXPECT_EQ(ExitCode(process), 7u);
    // Ending it again changes nothing. Windows refuses with ERROR_ACCESS_DENIED, and so does
    // winsim; Wine's TerminateProcess succeeds, so only the exit code is asserted on both.
    TerminateProcess(process, 8);
    EXPECT_EQ(ExitCode(process), 7u);
    // Signalled for good: every later wait returns at once.
    EXPECT_EQ(WaitForSingleObject(process, 0), WAIT_OBJECT_0);
    EXPECT_EQ(MsgWaitForMultipleObjects(1, &process, FALSE, 0, QS_ALLINPUT), WAIT_OBJECT_0);
    EXPECT_TRUE(CloseHandle(process));
}

TEST_F(ProcessWaits, AProgramThatEndsByItselfEndsTheWait)
{
    HANDLE process = StartIdle(1);
    ASSERT_NE(process, nullptr);
    EXPECT_EQ(ExitCode(process), static_cast<DWORD>(STILL_ACTIVE));
    EXPECT_EQ(MsgWaitForMultipleObjects(1, &process, FALSE, 30000, QS_ALLINPUT), WAIT_OBJECT_0);
    EXPECT_EQ(ExitCode(process), 0u);
#ifndef _WIN32
    // The wait lasted as long as the program ran, not its whole timeout.
    EXPECT_EQ(winsim::M().clock, 1000u);
#endif
    EXPECT_TRUE(CloseHandle(process));
}

TEST_F(ProcessWaits, AWaitOnAHandleThatIsNotOpenFails)
{
    HANDLE process = StartIdle(1);
    ASSERT_NE(process, nullptr);
    ASSERT_TRUE(CloseHandle(process));
    SetLastError(0);
    EXPECT_EQ(WaitForSingleObject(process, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    SetLastError(0);
    EXPECT_EQ(MsgWaitForMultipleObjects(1, &process, FALSE, 0, QS_ALLINPUT), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    DWORD code = 0;
    SetLastError(0);
    EXPECT_FALSE(GetExitCodeProcess(process, &code));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}
}  // namespace
