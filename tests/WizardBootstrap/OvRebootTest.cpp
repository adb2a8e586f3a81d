// The reboot question, the RunOnce registration and the reboot request.
#include "WizardBootstrap/OvReboot.h"
#include "setup_lib/OvWinError.h"

#include <gtest/gtest.h>
#include <winsim/Machine.h>

#include <string>
#include <vector>

using OvSetupLib::OvMsiString;
using OvSetupLib::OvWinError;
using winsim::M;

namespace
{
const wchar_t* const kCurrentVersion = L"Software\\Microsoft\\Windows\\CurrentVersion";
const wchar_t* const kRunOnce = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

// UTF-16LE bytes of a text followed by one null unit.
std::vector<BYTE> Utf16WithNull(const std::wstring& s)
{
    std::vector<BYTE> b;
    for (wchar_t c : s) {
        b.push_back(static_cast<BYTE>(c & 0xFF));
        b.push_back(static_cast<BYTE>((c >> 8) & 0xFF));
    }
    b.push_back(0);
    b.push_back(0);
    return b;
}

winsim::UiAnswer Press(int id)
{
    winsim::UiAnswer a;
    a.result = id;
    return a;
}

winsim::UiAnswer Escape()
{
    winsim::UiAnswer a;
    a.escape = true;
    return a;
}

int EndsWith(void (*f)())
{
    try {
        f();
    } catch (const winsim::ProcessExit& e) {
        return e.code;
    }
    ADD_FAILURE() << "the process did not end";
    return -100;
}

class RebootTest : public ::testing::Test
{
protected:
    winsim::MachineScope machine;
    void SetUp() override { M().commandLine = L"\"C:\\Media\\Setup\\Setup.exe\" maritane /pass"; }
    winsim::RegistryValue* Stored() { return M().Value(HKEY_CURRENT_USER, kRunOnce, L"OrvaleSetup"); }
};

TEST_F(RebootTest, CancelAndEscapeEndTheProcessWithZeroAndWriteNothing)
{
    for (winsim::UiAnswer a : {Press(IDCANCEL), Escape()}) {
        M().answers.push_back(a);
        EXPECT_EQ(EndsWith(OvWizardBootstrap::OfferReboot), 0);
        EXPECT_EQ(Stored(), nullptr);
        EXPECT_TRUE(M().exitWindowsRequests.empty());
        ASSERT_FALSE(M().dialogs.empty());
        EXPECT_EQ(M().dialogs.back().templateId, 702);
        EXPECT_EQ(M().dialogs.back().endResult, IDCANCEL);
    }
    EXPECT_EQ(M().OpenHandles(), 0);
}

TEST_F(RebootTest, RebootRegistersTheCommandLineThenRequestsTheReboot)
{
    M().answers.push_back(Press(IDOK));
    OvWizardBootstrap::OfferReboot();
    ASSERT_NE(Stored(), nullptr);
    EXPECT_EQ(Stored()->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(Stored()->data, Utf16WithNull(L"\"C:\\Media\\Setup\\Setup.exe\" maritane /pass"));
    EXPECT_EQ(M().exitWindowsRequests, (std::vector<std::pair<UINT, DWORD>>{{6u, 0x80040002u}}));
    EXPECT_TRUE(M().shutdownPrivilegeEnabled);
    ASSERT_EQ(M().dialogs.size(), 1u);
    const winsim::DialogRecord& d = M().dialogs[0];
    EXPECT_TRUE(d.modal);
    EXPECT_EQ(d.owner, nullptr);
    EXPECT_EQ(d.endResult, 1);
    // 222 x 64 dialog units are 333 x 104 pixels, centred on 1024 x 768.
    EXPECT_EQ(d.rect.left, (1024 - 333) / 2);
    EXPECT_EQ(d.rect.top, (768 - 104) / 2);
    EXPECT_EQ(d.rect.right - d.rect.left, 333);
    EXPECT_EQ(d.rect.bottom - d.rect.top, 104);
    EXPECT_EQ(M().OpenHandles(), 0);
}

TEST_F(RebootTest, RefusedRequestKeepsTheValueAndThrows)
{
    M().answers.push_back(Press(IDOK));
    M().exitWindowsFails = true;
    try {
        OvWizardBootstrap::OfferReboot();
        FAIL() << "no error";
    } catch (const OvWinError& e) {
        EXPECT_EQ(e.ErrorCode(), static_cast<DWORD>(ERROR_PRIVILEGE_NOT_HELD));
        EXPECT_EQ(e.Message(), OvMsiString(L"ExitWindowsEx failed."));
    }
    EXPECT_NE(Stored(), nullptr);
}

TEST_F(RebootTest, PrivilegeFailuresShowNoDialog)
{
    const std::pair<const char*, const wchar_t*> cases[] = {
        {"OpenProcessToken", L"OpenProcessToken failed."},
        {"LookupPrivilegeValueW", L"LookupPrivilegeValue failed."},
        {"AdjustTokenPrivileges", L"AdjustTokenPrivileges failed"},
    };
    for (const auto& c : cases) {
        winsim::Reset();
        M().faults[c.first] = winsim::Fault{ERROR_ACCESS_DENIED};
        try {
            OvWizardBootstrap::OfferReboot();
            ADD_FAILURE() << "no error for " << c.first;
        } catch (const OvWinError& e) {
            EXPECT_EQ(e.ErrorCode(), static_cast<DWORD>(ERROR_ACCESS_DENIED)) << c.first;
            EXPECT_EQ(e.Message(), OvMsiString(c.second)) << c.first;
        }
        EXPECT_TRUE(M().dialogs.empty()) << c.first;
        EXPECT_TRUE(M().exitWindowsRequests.empty()) << c.first;
        EXPECT_EQ(M().OpenHandles(), 0) << c.first << ": the token is closed";
    }
}

TEST_F(RebootTest, ATokenWithoutTheShutdownPrivilegeFailsBeforeTheDialog)
{
    // AdjustTokenPrivileges succeeds then, and reports 1300 in the last error.
    M().shutdownPrivilegeHeld = false;
    M().answers.push_back(Press(IDOK));
    try {
        OvWizardBootstrap::OfferReboot();
        ADD_FAILURE() << "no error";
    } catch (const OvWinError& e) {
        EXPECT_EQ(e.ErrorCode(), static_cast<DWORD>(ERROR_NOT_ALL_ASSIGNED));
        EXPECT_EQ(e.Message(), OvMsiString(L"AdjustTokenPrivileges failed"));
    }
    EXPECT_TRUE(M().dialogs.empty());
    EXPECT_EQ(Stored(), nullptr);
    EXPECT_TRUE(M().exitWindowsRequests.empty());
    EXPECT_FALSE(M().shutdownPrivilegeEnabled);
    EXPECT_EQ(M().OpenHandles(), 0);
}

TEST_F(RebootTest, ADialogThatCannotBeCreatedIsAnErrorNotACancel)
{
    M().faults["DialogBoxParamW"] = winsim::Fault{ERROR_NOT_ENOUGH_MEMORY};
    try {
        OvWizardBootstrap::OfferReboot();
        ADD_FAILURE() << "no error";
    } catch (const OvWinError& e) {
        EXPECT_EQ(e.ErrorCode(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
        EXPECT_EQ(e.Message(), OvMsiString(L"DialogBoxParam failed."));
    } catch (const winsim::ProcessExit& e) {
        ADD_FAILURE() << "the process ended with " << e.code;
    }
    EXPECT_EQ(Stored(), nullptr);
    EXPECT_TRUE(M().exitWindowsRequests.empty());
    EXPECT_EQ(M().OpenHandles(), 0);
}

TEST_F(RebootTest, SecondRegistrationReplacesTheValue)
{
    M().commandLine = L"Setup.exe first";
    OvWizardBootstrap::RegisterRunOnce();
    M().commandLine = L"Setup.exe";
    OvWizardBootstrap::RegisterRunOnce();
    ASSERT_NE(Stored(), nullptr);
    EXPECT_EQ(Stored()->data, Utf16WithNull(L"Setup.exe"));
}

TEST_F(RebootTest, RegistrationFailures)
{
    struct Case {
        const char* name;
        void (*arrange)();
        DWORD code;
    };
    const Case cases[] = {
        {"probe denied", [] { M().Key(HKEY_CURRENT_USER, kCurrentVersion).openError = ERROR_ACCESS_DENIED; },
         ERROR_ACCESS_DENIED},
        {"no CurrentVersion key", [] { M().registry.clear(); }, ERROR_INVALID_HANDLE},
        {"RunOnce cannot be opened", [] { M().Key(HKEY_CURRENT_USER, kRunOnce).openError = ERROR_ACCESS_DENIED; },
         ERROR_ACCESS_DENIED},
        {"value cannot be written", [] { M().faults["RegSetValueExW"] = winsim::Fault{ERROR_NOT_ENOUGH_MEMORY}; },
         ERROR_NOT_ENOUGH_MEMORY},
    };
    for (const auto& c : cases) {
        winsim::Reset();
        c.arrange();
        try {
            OvWizardBootstrap::RegisterRunOnce();
            ADD_FAILURE() << "no error: " << c.name;
        } catch (const OvWinError& e) {
            EXPECT_EQ(e.ErrorCode(), c.code) << c.name;
            EXPECT_TRUE(e.Message().empty()) << c.name;
        }
        EXPECT_EQ(M().Value(HKEY_CURRENT_USER, kRunOnce, L"OrvaleSetup"), nullptr) << c.name;
        EXPECT_EQ(M().OpenHandles(), 0) << c.name;
    }
}

TEST_F(RebootTest, DialogProcedureAnswers)
{
    struct Case {
        const char* name;
        std::vector<winsim::UiAnswer> script;
        std::vector<LRESULT> commandAnswers;
        INT_PTR result;
    };
    const Case cases[] = {
        {"Reboot", {Press(IDOK)}, {1}, 1},
        {"Cancel", {Press(IDCANCEL)}, {0}, 2},
        {"Escape", {Escape()}, {0}, 2},
        {"other command first", {Press(3), Press(IDOK)}, {0, 1}, 1},
    };
    for (const auto& c : cases) {
        winsim::Reset();
        for (auto& a : c.script)
            M().answers.push_back(a);
        INT_PTR r = DialogBoxParamW(nullptr, MAKEINTRESOURCEW(702), nullptr, OvWizardBootstrap::RebootDialogProc, 0);
        EXPECT_EQ(r, c.result) << c.name;
        std::vector<LRESULT> answers;
        for (auto& a : M().dialogs.at(0).answers) {
            if (a.first == WM_INITDIALOG) {
                EXPECT_EQ(a.second, 1) << c.name;
            }
            if (a.first == WM_COMMAND) answers.push_back(a.second);
        }
        EXPECT_EQ(answers, c.commandAnswers) << c.name;
    }
    EXPECT_EQ(OvWizardBootstrap::RebootDialogProc(nullptr, WM_CLOSE, 0, 0), 0);
}
}  // namespace
