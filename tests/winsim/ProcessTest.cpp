// The simulated CreateProcessW: how it finds the program file, and what it records.
#include <winsim/Machine.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using winsim::M;

namespace
{
class SimulatedProcessTest : public ::testing::Test
{
protected:
    winsim::MachineScope machine;

    // A program file with its model.
    static void Program(const std::wstring& path, DWORD exitCode = 0)
    {
        M().WriteFile(path, "MZ");
        M().programs[path] = winsim::ProgramModel{exitCode, nullptr};
    }

    // The image that the command line starts, or "" with the error.
    static std::wstring Start(const wchar_t* application, std::wstring commandLine, DWORD* error = nullptr)
    {
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        std::size_t before = M().started.size();
        if (!CreateProcessW(application, commandLine.empty() ? nullptr : &commandLine[0], nullptr, nullptr, FALSE, 0,
                            nullptr, nullptr, &si, &pi)) {
            if (error) *error = GetLastError();
            EXPECT_EQ(M().started.size(), before);
            return L"";
        }
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
        return M().started.back().image;
    }
};

TEST_F(SimulatedProcessTest, FindsTheImageAsWindowsDoes)
{
    struct Case {
        const char* what;
        std::vector<std::wstring> files;
        const wchar_t* commandLine;
        const wchar_t* image;
    };
    const Case cases[] = {
        {"quoted path with blanks",
         {L"C:\\Program.exe", L"C:\\Program Files\\App\\run.exe"},
         L"\"C:\\Program Files\\App\\run.exe\" a b",
         L"C:\\Program Files\\App\\run.exe"},
        {"quoted, .exe appended", {L"C:\\Tools\\run.exe"}, L"\"C:\\Tools\\run\" x", L"C:\\Tools\\run.exe"},
        {"unquoted: a shorter beginning wins",
         {L"C:\\Program.exe", L"C:\\Program Files\\App\\run.exe"},
         L"C:\\Program Files\\App\\run.exe a",
         L"C:\\Program.exe"},
        {"unquoted: a middle beginning wins",
         {L"C:\\Program Files\\App.exe", L"C:\\Program Files\\App Dir\\run.exe"},
         L"C:\\Program Files\\App Dir\\run.exe",
         L"C:\\Program Files\\App.exe"},
        {"unquoted: the whole path when nothing shorter exists",
         {L"C:\\Program Files\\App Dir\\run.dat"},
         L"C:\\Program Files\\App Dir\\run.dat KDRSettings.xml",
         L"C:\\Program Files\\App Dir\\run.dat"},
        {"bare name, .exe appended, program folder first",
         {L"C:\\Media\\Setup\\wusa.exe", L"C:\\Windows\\system32\\wusa.exe"},
         L"wusa C:\\x.msu /quiet",
         L"C:\\Media\\Setup\\wusa.exe"},
        {"bare name: current folder before the system folder",
         {L"C:\\Users\\Admin\\tool.exe", L"C:\\Windows\\system32\\tool.exe"},
         L"tool.exe",
         L"C:\\Users\\Admin\\tool.exe"},
        {"bare name: system folder",
         {L"C:\\Windows\\system32\\wusa.exe"},
         L"wusa.exe",
         L"C:\\Windows\\system32\\wusa.exe"},
        {"bare name: Windows folder", {L"C:\\Windows\\notepad.exe"}, L"notepad", L"C:\\Windows\\notepad.exe"},
        {"a folder is not a program",
         {L"C:\\Media\\Setup\\tool.exe\\inside.txt", L"C:\\Windows\\system32\\tool.exe"},
         L"tool.exe",
         L"C:\\Windows\\system32\\tool.exe"},
    };
    for (const Case& c : cases) {
        winsim::Reset();
        // The search order itself, as a 64-bit process sees it: no System32 redirection.
        M().wow64 = false;
        for (auto& f : c.files)
            Program(f);
        EXPECT_EQ(Start(nullptr, c.commandLine), c.image) << c.what;
        EXPECT_EQ(M().OpenHandles(), 0) << c.what;
    }
}

TEST_F(SimulatedProcessTest, SearchesThePathLast)
{
    M().environment[L"PATH"] = L"D:\\Bin;;E:\\Other\\";
    Program(L"E:\\Other\\helper.exe");
    EXPECT_EQ(Start(nullptr, L"helper"), L"E:\\Other\\helper.exe");
    Program(L"D:\\Bin\\helper.exe");
    EXPECT_EQ(Start(nullptr, L"helper"), L"D:\\Bin\\helper.exe");
    Program(L"C:\\Windows\\helper.exe");
    EXPECT_EQ(Start(nullptr, L"helper"), L"C:\\Windows\\helper.exe");
}

TEST_F(SimulatedProcessTest, TheApplicationNameIsNotSearched)
{
    Program(L"C:\\My.exe");
    Program(L"C:\\Media\\Setup\\tool.exe");
    Program(L"C:\\My Media\\SetupWizard.dat");
    EXPECT_EQ(Start(L"C:\\My Media\\SetupWizard.dat", L"C:\\My Media\\SetupWizard.dat a"),
              L"C:\\My Media\\SetupWizard.dat");
    EXPECT_EQ(M().started.back().application, L"C:\\My Media\\SetupWizard.dat");
    EXPECT_EQ(M().started.back().commandLine, L"C:\\My Media\\SetupWizard.dat a");
    // A relative name is taken from the current folder only; no ".exe" is added.
    DWORD error = 0;
    EXPECT_EQ(Start(L"tool.exe", L"tool.exe", &error), L"");
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(Start(L"C:\\Media\\Setup\\tool", L"x", &error), L"");
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(SimulatedProcessTest, FailuresGiveTheirCodes)
{
    M().WriteFile(L"C:\\Media\\Setup\\SetupWizard.dat", "plain text");
    struct Case {
        const wchar_t* commandLine;
        DWORD code;
    };
    const Case cases[] = {
        {L"C:\\Media\\Setup\\Missing.dat arg", ERROR_FILE_NOT_FOUND},
        {L"\"C:\\No Such\\x.exe\"", ERROR_FILE_NOT_FOUND},
        {L"nothing", ERROR_FILE_NOT_FOUND},
        {L"C:\\Media\\Setup\\SetupWizard.dat", ERROR_BAD_EXE_FORMAT},  // a file without a model
    };
    for (auto& c : cases) {
        DWORD error = 0;
        EXPECT_EQ(Start(nullptr, c.commandLine, &error), L"") << winsim::Narrow(c.commandLine);
        EXPECT_EQ(error, c.code) << winsim::Narrow(c.commandLine);
    }
    DWORD error = 0;
    EXPECT_EQ(Start(nullptr, L"", &error), L"");
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(SimulatedProcessTest, RunsTheModelAndReportsItsExitCode)
{
    std::wstring seen;
    M().programs[L"C:\\Media\\Setup\\SetupWizard.dat"] =
        winsim::ProgramModel{1234, [&seen](winsim::Machine&, const std::wstring& cmd) { seen = cmd; }};
    std::wstring cmd = L"\"C:\\Media\\Setup\\SetupWizard.dat\" KDRSettings.xml";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    EXPECT_EQ(seen, cmd);
    EXPECT_EQ(M().OpenHandles(), 2);
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, INFINITE), WAIT_OBJECT_0);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
    EXPECT_EQ(code, 1234u);
    EXPECT_FALSE(GetExitCodeProcess(pi.hThread, &code));  // a thread is no process
    EXPECT_TRUE(CloseHandle(pi.hProcess));
    EXPECT_TRUE(CloseHandle(pi.hThread));
    EXPECT_EQ(M().OpenHandles(), 0);
}

// A program that runs for a while: waits see it run, its effect happens when it ends.
class RunningProgramTest : public ::testing::Test
{
protected:
    winsim::MachineScope machine;

    // Starts the program at `path` with this model; the process handle (thread closed).
    static HANDLE Run(const std::wstring& path, winsim::ProgramModel model, DWORD* id = nullptr)
    {
        M().programs[path] = std::move(model);
        std::wstring cmd = L"\"" + path + L"\"";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        EXPECT_TRUE(CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
        CloseHandle(pi.hThread);
        if (id) *id = pi.dwProcessId;
        return pi.hProcess;
    }
    static DWORD Code(HANDLE process)
    {
        DWORD code = 0;
        EXPECT_TRUE(GetExitCodeProcess(process, &code));
        return code;
    }
};

TEST_F(RunningProgramTest, EndsWhenItsTimeHasPassedAndOnlyThen)
{
    std::vector<ULONGLONG> effects;
    HANDLE p = Run(
        L"C:\\Redistr\\a.exe",
        winsim::ProgramModel{3010, [&](winsim::Machine& m, const std::wstring&) { effects.push_back(m.clock); }, 5000});
    EXPECT_EQ(Code(p), static_cast<DWORD>(STILL_ACTIVE));
    EXPECT_TRUE(effects.empty()) << "the effect waits for the program's end";
    EXPECT_EQ(WaitForSingleObject(p, 4999), WAIT_TIMEOUT);
    EXPECT_EQ(M().clock, 4999u);
    EXPECT_EQ(Code(p), static_cast<DWORD>(STILL_ACTIVE));
    Sleep(1);  // time passing ends it, whoever waits
    EXPECT_EQ(effects, std::vector<ULONGLONG>{5000});
    EXPECT_EQ(Code(p), 3010u);
    EXPECT_EQ(WaitForSingleObject(p, 0), WAIT_OBJECT_0);
    EXPECT_EQ(M().clock, 5000u);
    CloseHandle(p);
}

TEST_F(RunningProgramTest, AnInfiniteWaitRunsTheClockToTheEnd)
{
    std::vector<std::pair<std::string, ULONGLONG>> order;
    auto note = [&order](const char* name) {
        return [&order, name](winsim::Machine& m, const std::wstring&) { order.emplace_back(name, m.clock); };
    };
    HANDLE late = Run(L"C:\\late.exe", winsim::ProgramModel{1, note("late"), 9000});
    HANDLE soon = Run(L"C:\\soon.exe", winsim::ProgramModel{2, note("soon"), 2000});
    HANDLE both[2] = {late, soon};
    EXPECT_EQ(MsgWaitForMultipleObjects(2, both, FALSE, INFINITE, QS_ALLINPUT), WAIT_OBJECT_0 + 1);
    EXPECT_EQ(M().clock, 2000u);
    EXPECT_EQ(WaitForSingleObject(late, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(M().clock, 9000u);
    EXPECT_EQ(order, (std::vector<std::pair<std::string, ULONGLONG>>{{"soon", 2000}, {"late", 9000}}));
    CloseHandle(late);
    CloseHandle(soon);
}

TEST_F(RunningProgramTest, AnInfiniteWaitForAProgramThatNeverEndsIsADeadlock)
{
    HANDLE p = Run(L"C:\\server.exe", winsim::ProgramModel{0, nullptr, winsim::kRunsUntilEnded});
    EXPECT_THROW(WaitForSingleObject(p, INFINITE), winsim::Deadlock);
    EXPECT_THROW(MsgWaitForMultipleObjects(1, &p, FALSE, INFINITE, QS_ALLINPUT), winsim::Deadlock);
    EXPECT_THROW(Sleep(INFINITE), winsim::Deadlock);
    // A bounded wait times out after its whole timeout.
    EXPECT_EQ(WaitForSingleObject(p, 60000), WAIT_TIMEOUT);
    EXPECT_EQ(M().clock, 60000u);
    CloseHandle(p);
}

TEST_F(RunningProgramTest, EndedFromOutsideItsEffectDoesNotHappen)
{
    bool effect = false;
    DWORD id = 0;
    HANDLE p = Run(L"C:\\server.exe",
                   winsim::ProgramModel{0, [&effect](winsim::Machine&, const std::wstring&) { effect = true; },
                                        winsim::kRunsUntilEnded},
                   &id);
    EXPECT_EQ(M().started.back().processId, id);
    EXPECT_TRUE(winsim::EndProcess(id, 42));
    EXPECT_FALSE(winsim::EndProcess(id, 43)) << "it has ended already";
    EXPECT_FALSE(winsim::EndProcess(id + 400, 0)) << "no such process";
    EXPECT_EQ(Code(p), 42u);
    EXPECT_FALSE(effect);

    HANDLE q = Run(L"C:\\other.exe", winsim::ProgramModel{0, nullptr, 100000});
    EXPECT_TRUE(TerminateProcess(q, 9));
    EXPECT_EQ(Code(q), 9u);
    SetLastError(0);
    EXPECT_FALSE(TerminateProcess(q, 10)) << "an ended process cannot be ended again";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(Code(q), 9u);
    EXPECT_THROW(TerminateProcess(GetCurrentProcess(), 5), winsim::ProcessExit);
    CloseHandle(p);
    CloseHandle(q);
}

TEST_F(RunningProgramTest, AWaitToldToFailFailsWithItsCode)
{
    HANDLE p = Run(L"C:\\a.exe", winsim::ProgramModel{0, nullptr, 10});
    M().faults["WaitForSingleObject"] = winsim::Fault{ERROR_ACCESS_DENIED, 1};
    EXPECT_EQ(WaitForSingleObject(p, INFINITE), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(M().clock, 0u) << "a failed wait waits for nothing";
    EXPECT_EQ(WaitForSingleObject(p, INFINITE), WAIT_OBJECT_0);
    CloseHandle(p);
}
}  // namespace
