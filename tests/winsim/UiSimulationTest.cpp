// The simulated window manager: scripted boxes fail loudly when unscripted, modal
// dialogs run their procedure, the message queue delivers window input.
#include <gtest/gtest.h>
#include <winsim/Machine.h>
#include <winsim/Ui.h>

#include <stdexcept>

using winsim::M;

namespace
{
class UiSimulationTest : public ::testing::Test
{
protected:
    winsim::MachineScope machine;
};

TEST_F(UiSimulationTest, MessageBoxIsAnsweredAndRecorded)
{
    winsim::UiAnswer a;
    a.result = IDYES;
    M().answers.push_back(a);
    EXPECT_EQ(MessageBoxW(nullptr, L"Go on?", L"Keldora", MB_YESNO | MB_ICONQUESTION), IDYES);
    ASSERT_EQ(M().messageBoxes.size(), 1u);
    EXPECT_EQ(M().messageBoxes[0].text, L"Go on?");
    EXPECT_EQ(M().messageBoxes[0].caption, L"Keldora");
    EXPECT_EQ(M().messageBoxes[0].type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
}

TEST_F(UiSimulationTest, UnscriptedOrUnexpectedBoxesFailLoudly)
{
    try {
        MessageBoxW(nullptr, L"Surprise", L"Keldora", MB_OK);
        FAIL() << "no error";
    } catch (const std::logic_error& e) {
        EXPECT_NE(std::string(e.what()).find("Surprise"), std::string::npos);
    }
    winsim::UiAnswer a;
    a.result = IDOK;
    a.expectText = L"Expected";
    M().answers.push_back(a);
    EXPECT_THROW(MessageBoxW(nullptr, L"Other", L"Keldora", MB_OK), std::logic_error);
    EXPECT_THROW(
        DialogBoxParamW(
            nullptr, MAKEINTRESOURCEW(702), nullptr, [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return 0; }, 0),
        std::logic_error);
}

TEST_F(UiSimulationTest, MissingTemplateFailsCreation)
{
    DLGPROC proc = [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return 0; };
    EXPECT_EQ(DialogBoxParamW(nullptr, MAKEINTRESOURCEW(799), nullptr, proc, 0), -1);
    EXPECT_EQ(CreateDialogParamW(nullptr, MAKEINTRESOURCEW(799), nullptr, proc, 0), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_TRUE(M().dialogs.empty());
}

TEST_F(UiSimulationTest, ModelessDialogLifecycle)
{
    static HWND initWindow;
    static LPARAM initParam;
    initWindow = nullptr;
    DLGPROC proc = [](HWND w, UINT m, WPARAM, LPARAM l) -> INT_PTR {
        if (m == WM_INITDIALOG) {
            initWindow = w;
            initParam = l;
            return TRUE;
        }
        return FALSE;
    };
    HWND w = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(703), nullptr, proc, 42);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(initWindow, w);
    EXPECT_EQ(initParam, 42);
    EXPECT_TRUE(IsWindow(w));
    const winsim::DialogRecord& d = M().dialogs.at(0);
    EXPECT_FALSE(d.shown);
    ASSERT_EQ(d.controls.size(), 2u);
    EXPECT_EQ(d.controls[0].id, -1);
    EXPECT_EQ(d.controls[0].className, L"Static");
    EXPECT_EQ(d.controls[0].exStyle, static_cast<DWORD>(WS_EX_TRANSPARENT));
    EXPECT_EQ(d.controls[1].id, 602);
    HWND animation = GetDlgItem(w, 602);
    ASSERT_NE(animation, nullptr);
    EXPECT_EQ(GetDlgItem(w, 9999), nullptr);
    EXPECT_EQ(SendMessageW(animation, ACM_PLAY, 1, 0), FALSE) << "nothing opened yet";
    EXPECT_EQ(SendMessageW(animation, ACM_OPENW, 0, 601), TRUE);
    EXPECT_EQ(SendMessageW(animation, ACM_OPENW, 0, 602), FALSE) << "no such clip";
    ShowWindow(w, SW_SHOWNORMAL);
    EXPECT_TRUE(M().dialogs[0].shown);
    EXPECT_TRUE(DestroyWindow(w));
    EXPECT_FALSE(IsWindow(w));
    EXPECT_FALSE(DestroyWindow(w));
    EXPECT_EQ(M().dialogs[0].answers.back().first, static_cast<UINT>(WM_DESTROY));
}

TEST_F(UiSimulationTest, WaitReportsInputThenTheProcess)
{
    M().programs[L"C:\\Media\\p.exe"] = winsim::ProgramModel{7, nullptr};
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    wchar_t cmd[] = L"C:\\Media\\p.exe";
    ASSERT_TRUE(CreateProcessW(nullptr, cmd, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    M().pendingInput = 2;
    HANDLE h[1] = {pi.hProcess};
    int inputs = 0;
    while (MsgWaitForMultipleObjects(1, h, FALSE, INFINITE, QS_ALLEVENTS) == WAIT_OBJECT_0 + 1) {
        ++inputs;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        ASSERT_LE(inputs, 2);
    }
    EXPECT_EQ(inputs, 2);
    EXPECT_EQ(M().dispatched, 2);
    HANDLE bogus[1] = {reinterpret_cast<HANDLE>(0x7777)};
    EXPECT_EQ(MsgWaitForMultipleObjects(1, bogus, FALSE, INFINITE, QS_ALLEVENTS), WAIT_FAILED);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
}

TEST(DialogUnits, UseTheFixedBaseUnits)
{
    EXPECT_EQ(winsim::DialogUnitsToPixelsX(200), 300);
    EXPECT_EQ(winsim::DialogUnitsToPixelsY(59), 96);
    EXPECT_EQ(winsim::DialogUnitsToPixelsX(222), 333);
    EXPECT_EQ(winsim::DialogUnitsToPixelsY(64), 104);
    EXPECT_EQ(winsim::DialogUnitsToPixelsX(0), 0);
}
}  // namespace

// A box returns only a button it has; Escape gives what the system gives for its style.
TEST(SimulatedMessageBox, AnswersOnlyWithItsButtonsAndEscapeAsTheSystemDoes)
{
    winsim::MachineScope machine;
    struct Case {
        UINT style;
        int escapeGives;  // 0: Escape does nothing, the box waits for a button
    };
    const Case cases[] = {{MB_OK, IDOK},        {MB_OKCANCEL, IDCANCEL},    {0x2, 0},       {0x3, IDCANCEL},
                          {MB_YESNO | 0x20, 0}, {MB_RETRYCANCEL, IDCANCEL}, {0x6, IDCANCEL}};
    for (const Case& c : cases) {
        winsim::UiAnswer escape;
        escape.escape = true;
        M().answers.push_back(escape);
        winsim::UiAnswer button;
        button.result = (c.style & 0xF) == 0x2 ? IDRETRY : IDNO;
        if (c.escapeGives == 0) M().answers.push_back(button);
        const int expected = c.escapeGives != 0 ? c.escapeGives : button.result;
        EXPECT_EQ(MessageBoxW(nullptr, L"text", L"caption", c.style), expected) << "style " << c.style;
        EXPECT_TRUE(M().answers.empty()) << "style " << c.style;
        M().answers.clear();
    }
    winsim::UiAnswer wrong;
    wrong.result = IDCANCEL;
    M().answers.push_back(wrong);
    EXPECT_THROW(MessageBoxW(nullptr, L"text", L"caption", MB_YESNO), std::logic_error) << "a Yes/No box has no Cancel";
    M().answers.clear();
    wrong.result = IDYES;
    M().answers.push_back(wrong);
    EXPECT_THROW(MessageBoxW(nullptr, L"text", L"caption", MB_OK), std::logic_error);
}
