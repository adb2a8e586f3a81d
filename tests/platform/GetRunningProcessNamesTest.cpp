// The process list read through NtQuerySystemInformation: this program is in it, a
// program started under a product's image name appears in it and makes the running
// process condition fail, and after that process ends, a retry passes.
#include "PlatformTest.h"

#include "bootstrap_helper/OvConditionCheckRunningProc.h"

#include <algorithm>
#include <vector>

namespace
{
using OvBootstrapHelper::GetRunningProcessNames;
using OvPlatformTest::PlatformTest;
using OvSetupLib::OvMsiString;

const std::vector<OvMsiString> kProductImages = {L"Orvale.Core.Manager.exe", L"Orvale.Core.Shell.exe",
                                                 L"OrvaleAgent.exe", L"Orvale.Mail.Explorer.exe",
                                                 L"Orvale.Docs.Explorer.exe"};

std::wstring ModulePath()
{
    wchar_t path[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH + 1);
    return path;
}

std::size_t CountNamed(const std::vector<OvMsiString>& names, const wchar_t* name)
{
    return static_cast<std::size_t>(std::count_if(
        names.begin(), names.end(), [name](const OvMsiString& n) { return n.CompareIgnoreCase(name) == 0; }));
}

class RunningProcesses : public PlatformTest
{
};

TEST_F(RunningProcesses, ThisProgramIsListedWithoutIdleAndSystem)
{
    const std::wstring self = ModulePath();
    const std::wstring image = self.substr(self.find_last_of(L'\\') + 1);
    const std::vector<OvMsiString> names = GetRunningProcessNames();
    EXPECT_GE(CountNamed(names, image.c_str()), 1u);
    EXPECT_EQ(CountNamed(names, L"System"), 0u);
    EXPECT_EQ(CountNamed(names, L""), 0u);
    for (const OvMsiString& name : names)
        EXPECT_EQ(name.find(L'\\'), OvMsiString::npos) << "an image name, not a path";
}

TEST_F(RunningProcesses, AProductProcessBlocksUntilItEnds)
{
    // The idle stand-in of the end-to-end tests, under a product's image name.
    const std::wstring self = ModulePath();
    const std::wstring idle = self.substr(0, self.find_last_of(L'\\') + 1) + L"idle.exe";
    const std::wstring agent = Scratch() + L"OrvaleAgent.exe";
    ASSERT_TRUE(CopyFileW(idle.c_str(), agent.c_str(), FALSE)) << "no idle.exe beside the test: " << GetLastError();

    OvBootstrapHelper::OvConditionCheckRunningProc condition(L"locked", kProductImages);
    EXPECT_TRUE(condition.Check()) << "a product process runs before the test starts one";

    std::wstring commandLine = L"\"" + agent + L"\" 30";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(agent.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &process))
        << GetLastError();
    CloseHandle(process.hThread);

    // The new process is listed once it exists; allow it a moment to start.
    std::size_t listed = 0;
    for (int i = 0; i < 50 && listed == 0; ++i) {
        listed = CountNamed(GetRunningProcessNames(), L"OrvaleAgent.exe");
        if (listed == 0) Sleep(100);
    }
    EXPECT_EQ(listed, 1u);
    EXPECT_FALSE(condition.Check());

    TerminateProcess(process.hProcess, 0);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 10000), WAIT_OBJECT_0);
    CloseHandle(process.hProcess);
    EXPECT_EQ(CountNamed(GetRunningProcessNames(), L"OrvaleAgent.exe"), 0u);
    EXPECT_TRUE(condition.Check()) << "Retry after the process ended";
}
}  // namespace
