// The shared installation sequence and the progress window, over a small
// redistributable whose detections and steps the test scripts.
#include "bootstrap_helper/OvRedistrEntity.h"
#include "bootstrap_helper/OvRedistrInstall.h"
#include "setup_lib/OvWinError.h"

#include "RedistrFolderSeam.h"
#include <gtest/gtest.h>
#include <winsim/Machine.h>
#include <winsim/Ui.h>

#include <vector>

using OvBootstrapHelper::OvRedistrEntity;
using OvSetupLib::OvMsiString;
using OvSetupLib::OvWinError;
using winsim::M;

namespace
{
const wchar_t* const kInstaller = L"C:\\Media\\Redistr\\pkg.exe";

class ScriptedRedistr : public OvRedistrEntity
{
public:
    std::vector<bool> detections;  // answers of IsInstalled, in order
    std::size_t asked = 0;
    int before = 0;
    int after = 0;
    bool afterThrows = false;
    OvMsiString command = L"\"C:\\Media\\Redistr\\pkg.exe\" /q";
    // The window state seen while the installer's command was asked for.
    bool windowOpenForCommand = false;

    OvMsiString GetDisplayName() override { return L"Pkg"; }
    OvMsiString GetErrorMessage(const wchar_t*) override { return L"failed"; }
    OvMsiString GetInstallCommand() override
    {
        windowOpenForCommand = !M().dialogs.empty() && !M().dialogs.back().destroyed;
        return command;
    }
    WORD GetDialogId() override { return 703; }
    bool IsInstalled() override { return detections.at(asked++); }
    void BeforeInstall() override { ++before; }
    void AfterInstall() override
    {
        ++after;
        if (afterThrows) throw OvWinError(5, L"after");
    }
};

struct InstallCase {
    const char* name;
    bool presentBefore;
    bool presentAfter;
    DWORD exitCode;
    bool installerExists;
    bool afterThrows;
    // expected
    bool result;
    bool throws;
    bool flag;  // the out-parameter afterwards; it starts true to see "untouched"
    bool ran;
    int afterCalls;
};

const InstallCase kCases[] = {
    {"already present", true, true, 0, true, false, true, false, true, false, 0},
    {"3010 and detected", false, true, 3010, true, false, true, false, true, true, 1},
    {"3010 still missing", false, false, 3010, true, false, false, false, true, true, 0},
    {"0 still missing", false, false, 0, true, false, false, false, false, true, 0},
    {"0 and detected", false, true, 0, true, false, true, false, false, true, 1},
    {"1641 is no reboot request", false, true, 1641, true, false, true, false, false, true, 1},
    {"missing installer file", false, false, 0, false, false, false, true, true, false, 0},
    {"AfterInstall throws", false, true, 3010, true, true, false, true, true, true, 1},
};

class InstallTable : public ::testing::TestWithParam<InstallCase>
{
protected:
    winsim::MachineScope machine;
};

TEST_P(InstallTable, FollowsTheSequence)
{
    const InstallCase& c = GetParam();
    if (c.installerExists) M().programs[kInstaller] = winsim::ProgramModel{c.exitCode, nullptr};
    ScriptedRedistr r;
    r.detections = {c.presentBefore, c.presentAfter};
    r.afterThrows = c.afterThrows;
    bool flag = true;
    if (!c.installerExists) {
        try {
            r.Install(&flag);
            FAIL() << "no error";
        } catch (const OvWinError& e) {
            EXPECT_EQ(e.ErrorCode(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
            EXPECT_EQ(e.Message(), OvMsiString(L"Failed to create process."));
        }
    } else if (c.throws) {
        try {
            r.Install(&flag);
            FAIL() << "no error";
        } catch (const OvWinError& e) {
            EXPECT_EQ(e.ErrorCode(), 5u);
            EXPECT_EQ(e.Message(), OvMsiString(L"after"));
        }
    } else {
        EXPECT_EQ(r.Install(&flag), c.result);
    }
    EXPECT_EQ(flag, c.flag);
    EXPECT_EQ(M().started.size(), c.ran ? 1u : 0u);
    EXPECT_EQ(r.after, c.afterCalls);
    EXPECT_EQ(M().OpenHandles(), 0);
    if (c.presentBefore) {
        EXPECT_EQ(r.before, 0);
        EXPECT_TRUE(M().dialogs.empty());
        EXPECT_EQ(r.asked, 1u);
        return;
    }
    EXPECT_EQ(r.before, 1);
    ASSERT_EQ(M().dialogs.size(), 1u);
    EXPECT_TRUE(r.windowOpenForCommand);
    EXPECT_EQ(M().dialogs[0].templateId, 703);
    EXPECT_FALSE(M().dialogs[0].modal);
    EXPECT_TRUE(M().dialogs[0].destroyed) << "the progress window must be gone on every way out";
    EXPECT_EQ(M().brushesCreated, M().brushesDeleted);
}

INSTANTIATE_TEST_SUITE_P(Install, InstallTable, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<InstallCase>& i) {
                             std::string n = i.param.name;
                             for (auto& ch : n)
                                 if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return n;
                         });

class InstallTest : public ::testing::Test
{
protected:
    winsim::MachineScope machine;
};

TEST_F(InstallTest, NullFlagIsAllowed)
{
    M().programs[kInstaller] = winsim::ProgramModel{3010, nullptr};
    ScriptedRedistr r;
    r.detections = {false, true};
    EXPECT_TRUE(r.Install(nullptr));
}

TEST_F(InstallTest, ErrorFromTheCommandDestroysTheWindow)
{
    class FailingCommand : public ScriptedRedistr
    {
    public:
        OvMsiString GetInstallCommand() override { throw OvWinError(50, L"Unsupported OS version."); }
    } r;
    r.detections = {false};
    EXPECT_THROW(r.Install(nullptr), OvWinError);
    ASSERT_EQ(M().dialogs.size(), 1u);
    EXPECT_TRUE(M().dialogs[0].destroyed);
    EXPECT_TRUE(M().started.empty());
}

TEST_F(InstallTest, WindowThatCannotBeCreatedIsNoError)
{
    M().faults["CreateDialogParamW"] = winsim::Fault{ERROR_NOT_ENOUGH_MEMORY};
    M().programs[kInstaller] = winsim::ProgramModel{0, nullptr};
    ScriptedRedistr r;
    r.detections = {false, true};
    EXPECT_TRUE(r.Install(nullptr));
    EXPECT_TRUE(M().dialogs.empty());
    EXPECT_EQ(M().started.size(), 1u);
}

TEST_F(InstallTest, TheInstallerSeesTheCommandLineUnchanged)
{
    M().programs[kInstaller] = winsim::ProgramModel{0, nullptr};
    ScriptedRedistr r;
    r.detections = {false, true};
    r.Install(nullptr);
    ASSERT_EQ(M().started.size(), 1u);
    EXPECT_EQ(M().started[0].commandLine, L"\"C:\\Media\\Redistr\\pkg.exe\" /q");
    EXPECT_TRUE(M().started[0].application.empty());
}

// ---- the progress window ----

class ProgressWindowTest : public ::testing::TestWithParam<WORD>
{
protected:
    winsim::MachineScope machine;
};

TEST_P(ProgressWindowTest, IsCentredAnimatedAndPainted)
{
    class WithDialog : public ScriptedRedistr
    {
    public:
        WORD id = 0;
        WORD GetDialogId() override { return id; }
    } r;
    r.id = GetParam();
    r.detections = {false, true};
    M().desktop = RECT{0, 0, 1280, 1024};
    M().pendingInput = 3;
    M().programs[kInstaller] = winsim::ProgramModel{0, nullptr};
    r.Install(nullptr);

    ASSERT_EQ(M().dialogs.size(), 1u);
    const winsim::DialogRecord& d = M().dialogs[0];
    EXPECT_EQ(d.templateId, GetParam());
    EXPECT_EQ(winsim::CommonControlsInitialised() & ICC_ANIMATE_CLASS, static_cast<DWORD>(ICC_ANIMATE_CLASS));
    // 200 x 59 dialog units are 300 x 96 pixels with the simulation's base units.
    EXPECT_EQ(d.rect.right - d.rect.left, 300);
    EXPECT_EQ(d.rect.bottom - d.rect.top, 96);
    EXPECT_EQ(d.rect.left, (1280 - 300) / 2);
    EXPECT_EQ(d.rect.top, (1024 - 96) / 2);

    ASSERT_FALSE(d.answers.empty());
    EXPECT_EQ(d.answers[0], (std::pair<UINT, LRESULT>(WM_INITDIALOG, TRUE)));

    const winsim::ControlRecord* animation = nullptr;
    for (auto& c : d.controls)
        if (c.id == 602) animation = &c;
    ASSERT_NE(animation, nullptr);
    ASSERT_EQ(animation->messages.size(), 2u);
    EXPECT_EQ(animation->messages[0].first, static_cast<UINT>(ACM_OPENW));
    EXPECT_EQ(animation->messages[0].second, (std::pair<WPARAM, LPARAM>(0, 601)));
    EXPECT_EQ(animation->messages[1].first, static_cast<UINT>(ACM_PLAY));
    EXPECT_EQ(animation->messages[1].second, (std::pair<WPARAM, LPARAM>(1, 0x00010000)));

    // Shown once and painted on each of the three inputs while the installer ran.
    EXPECT_EQ(d.messagesDispatchedWhileOpen, 3);
    EXPECT_EQ(M().dispatched, 3);
    int dlgColours = 0, staticColours = 0;
    for (auto& a : d.answers) {
        if (a.first == WM_CTLCOLORDLG) {
            ++dlgColours;
            EXPECT_EQ(winsim::BrushColor(reinterpret_cast<HBRUSH>(a.second)), RGB(212, 208, 200));
        }
        if (a.first == WM_CTLCOLORSTATIC) {
            ++staticColours;
            EXPECT_EQ(a.second, reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH)));
        }
    }
    EXPECT_EQ(dlgColours, 4);
    EXPECT_EQ(staticColours, 4);
    EXPECT_EQ(winsim::BkMode(winsim::PaintDc()), TRANSPARENT);
    EXPECT_EQ(M().brushesCreated, 1) << "one brush for the dialog's life";
    EXPECT_EQ(M().brushesDeleted, 1);
}

INSTANTIATE_TEST_SUITE_P(Templates, ProgressWindowTest, ::testing::Values(701, 703, 704));

TEST(ProgressDialogProc, OtherMessagesAreNotHandled)
{
    winsim::MachineScope machine;
    EXPECT_EQ(OvBootstrapHelper::ProgressDialogProc(nullptr, WM_COMMAND, 1, 0), FALSE);
    EXPECT_EQ(OvBootstrapHelper::ProgressDialogProc(nullptr, WM_CLOSE, 0, 0), FALSE);
}

// ---- the redistributables folder ----

struct FolderCase {
    const wchar_t* module;
    const wchar_t* folder;
};

class RedistrFolder : public ::testing::TestWithParam<FolderCase>
{
protected:
    winsim::MachineScope machine;
    void TearDown() override { OvBootstrapHelper::RecomputeRedistrFolder(); }
};

TEST_P(RedistrFolder, IsBesideTheProgramsFolder)
{
    M().modulePath = GetParam().module;
    OvBootstrapHelper::RecomputeRedistrFolder();
    EXPECT_EQ(OvBootstrapHelper::GetRedistrFolder(), OvMsiString(GetParam().folder));
}

INSTANTIATE_TEST_SUITE_P(Paths, RedistrFolder,
                         ::testing::Values(FolderCase{L"X:\\Media\\Setup\\Setup.exe", L"X:\\Media\\Redistr\\"},
                                           FolderCase{L"D:\\Setup.exe", L"D:\\Redistr\\"}));

TEST(RedistrFolderFailure, IsStoredAndThrownOnUse)
{
    winsim::MachineScope machine;
    M().faults["GetModuleFileNameW"] = winsim::Fault{ERROR_NOT_ENOUGH_MEMORY};
    EXPECT_NO_THROW(OvBootstrapHelper::RecomputeRedistrFolder());
    try {
        OvBootstrapHelper::GetRedistrFolder();
        FAIL() << "no error";
    } catch (const OvWinError& e) {
        EXPECT_EQ(e.ErrorCode(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    }
    M().faults.clear();
    M().modulePath = std::wstring(L"C:\\") + std::wstring(300, L'a') + L"\\Setup.exe";
    OvBootstrapHelper::RecomputeRedistrFolder();
    try {
        OvBootstrapHelper::GetRedistrFolder();
        FAIL() << "no error for a cut module path";
    } catch (const OvWinError& e) {
        EXPECT_EQ(e.ErrorCode(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
    }
    winsim::Reset();
    OvBootstrapHelper::RecomputeRedistrFolder();
    EXPECT_EQ(OvBootstrapHelper::GetRedistrFolder(), OvMsiString(L"C:\\Media\\Redistr\\"));
}
}  // namespace
