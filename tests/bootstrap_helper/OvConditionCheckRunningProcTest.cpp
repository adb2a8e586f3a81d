#include "bootstrap_helper/OvConditionCheckRunningProc.h"

#include "setup_lib/OvWinError.h"

#include <winsim/Machine.h>

#include <gtest/gtest.h>

#include <functional>

using OvBootstrapHelper::GetRunningProcessNames;
using OvBootstrapHelper::OvConditionCheckRunningProc;
using OvSetupLib::OvMsiString;

namespace
{
const std::vector<OvMsiString> kImages{L"Orvale.Core.Manager.exe", L"Orvale.Core.Shell.exe", L"OrvaleAgent.exe",
                                       L"Orvale.Mail.Explorer.exe", L"Orvale.Docs.Explorer.exe"};

class RunningProcTest : public ::testing::Test
{
protected:
    winsim::MachineScope machine;
    OvConditionCheckRunningProc condition{L"files are locked", kImages};
};

TEST_F(RunningProcTest, WholeNamesIgnoringCase)
{
    struct {
        const char* what;
        std::vector<std::wstring> running;
        bool met;
    } cases[] = {
        {"system, idle and unlisted", {L"", L"System", L"smss.exe", L"explorer.exe"}, true},
        {"listed name", {L"", L"System", L"Orvale.Core.Shell.exe"}, false},
        {"other letter case", {L"", L"System", L"orvaleagent.exe"}, false},
        {"capitals", {L"ORVALE.DOCS.EXPLORER.EXE"}, false},
        {"listed name with a further extension", {L"OrvaleAgent.exe.bak"}, true},
        {"listed name without its first word", {L"Core.Manager.exe"}, true},
        {"contains a listed name", {L"MyOrvaleAgent.exe"}, true},
        {"nothing running", {}, true},
    };
    for (const auto& c : cases) {
        winsim::M().runningProcesses = c.running;
        EXPECT_EQ(condition.Check(), c.met) << c.what;
    }
}

TEST_F(RunningProcTest, RetryAfterTheProcessEnds)
{
    winsim::M().runningProcesses = {L"", L"System", L"orvaleagent.exe"};
    EXPECT_FALSE(condition.Check());
    winsim::M().runningProcesses = {L"", L"System"};
    EXPECT_TRUE(condition.Check());
    EXPECT_TRUE(condition.GetPromptKind().retryCancel);
    EXPECT_FALSE(condition.GetPromptKind().yesNo);
    EXPECT_EQ(condition.GetMessage(L"Keldora"), L"files are locked");
}

TEST_F(RunningProcTest, NamesInRecordOrderWithoutIdleAndSystem)
{
    winsim::M().runningProcesses = {L"", L"SYSTEM", L"a.exe", L"system", L"B.exe", std::wstring(200, L'n')};
    EXPECT_EQ(GetRunningProcessNames(), (std::vector<OvMsiString>{L"a.exe", L"B.exe", std::wstring(200, L'n')}));
    EXPECT_EQ(winsim::M().OpenHandles(), 0);
}

TEST_F(RunningProcTest, FailuresThrow)
{
    struct {
        const char* what;
        std::function<void()> arrange;
        DWORD code;
    } cases[] = {
        {"library missing", [] { winsim::M().missingModules.insert(L"ntdll.dll"); }, ERROR_MOD_NOT_FOUND},
        {"function missing", [] { winsim::M().missingProcs.insert("ntdll!NtQuerySystemInformation"); },
         ERROR_PROC_NOT_FOUND},
        {"query status",
         [] {
             winsim::M().faults["NtQuerySystemInformation"] = winsim::Fault{0xC0000017u, -1, 0};
         },
         0xC0000017u},
        {"second query status",
         [] {
             winsim::M().faults["NtQuerySystemInformation"] = winsim::Fault{0xC0000022u, -1, 1};
         },
         0xC0000022u},
    };
    for (const auto& c : cases) {
        winsim::Reset();
        c.arrange();
        OvConditionCheckRunningProc fresh(L"m", kImages);
        try {
            fresh.Check();
            ADD_FAILURE() << c.what << ": expected OvWinError";
        } catch (const OvSetupLib::OvWinError& e) {
            EXPECT_EQ(e.ErrorCode(), c.code) << c.what;
        }
    }
}
}  // namespace
