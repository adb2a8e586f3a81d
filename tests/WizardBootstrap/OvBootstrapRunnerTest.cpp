// The runner over mock conditions and prerequisites: the order of calls, the
// boxes it shows (text, caption, style) and its result.
#include "WizardBootstrap/OvBootstrapRunner.h"
#include "setup_lib/OvWinError.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <winsim/Machine.h>

using namespace OvWizardBootstrap;
using OvBootstrapHelper::OvPromptKind;
using OvSetupLib::OvMsiString;
using ::testing::_;
using ::testing::InSequence;
using ::testing::NiceMock;
using ::testing::Return;
using ::testing::StrictMock;

namespace
{
class MockCondition : public OvBootstrapHelper::OvConditionEntity
{
public:
    MOCK_METHOD(bool, Check, (), (override));
    MOCK_METHOD(OvMsiString, GetMessage, (const wchar_t*), (override));
    MOCK_METHOD(OvPromptKind, GetPromptKind, (), (override));
};

class MockRedistr : public OvBootstrapHelper::OvRedistrEntity
{
public:
    MOCK_METHOD(OvMsiString, GetDisplayName, (), (override));
    MOCK_METHOD(OvMsiString, GetErrorMessage, (const wchar_t*), (override));
    MOCK_METHOD(OvMsiString, GetInstallCommand, (), (override));
    MOCK_METHOD(WORD, GetDialogId, (), (override));
    MOCK_METHOD(bool, IsInstalled, (), (override));
    MOCK_METHOD(bool, Install, (bool*), (override));
};

OvPromptKind Kind(bool yesNo, bool retryCancel)
{
    OvPromptKind k;
    k.yesNo = yesNo;
    k.retryCancel = retryCancel;
    return k;
}

class RunnerTest : public ::testing::Test
{
protected:
    winsim::MachineScope machine;
    int reboots = 0;

    int Run(OvBootstrapRunner::Conditions c, OvBootstrapRunner::Redistributables r)
    {
        OvBootstrapRunner runner(L"Keldora", std::move(c), std::move(r), [this] { ++reboots; });
        return runner.Run();
    }
    void Answer(int result)
    {
        winsim::UiAnswer a;
        a.result = result;
        winsim::M().answers.push_back(a);
    }
    const std::vector<winsim::MessageBoxRecord>& Boxes() { return winsim::M().messageBoxes; }
};

TEST_F(RunnerTest, EmptyListsGoOnWithoutShowingAnything)
{
    EXPECT_EQ(Run({}, {}), kRunGoOn);
    EXPECT_TRUE(Boxes().empty());
}

// A failing condition of each prompt kind, answered one way: the box's style and
// whether setup goes on to the next condition.
struct PromptCase {
    const char* name;
    bool yesNo, retryCancel;
    int answer;
    UINT style;
    bool goesOn;
};

class PromptKinds : public RunnerTest, public ::testing::WithParamInterface<PromptCase>
{
};

TEST_P(PromptKinds, BoxStyleAndOutcome)
{
    const PromptCase& c = GetParam();
    StrictMock<MockCondition> failing;
    StrictMock<MockCondition> next;
    {
        InSequence order;
        EXPECT_CALL(failing, GetPromptKind()).WillOnce(Return(Kind(c.yesNo, c.retryCancel)));
        EXPECT_CALL(failing, Check()).WillOnce(Return(false));
        EXPECT_CALL(failing, GetMessage(_)).WillOnce(Return(OvMsiString(L"condition text")));
        if (c.goesOn) {
            EXPECT_CALL(next, GetPromptKind()).WillOnce(Return(Kind(false, false)));
            EXPECT_CALL(next, Check()).WillOnce(Return(true));
        }
    }
    Answer(c.answer);
    EXPECT_EQ(Run({&failing, &next}, {}), c.goesOn ? kRunGoOn : kRunStop);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, L"condition text");
    EXPECT_EQ(Boxes()[0].caption, L"Keldora");
    EXPECT_EQ(Boxes()[0].type, c.style);
    EXPECT_EQ(Boxes()[0].owner, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Runner, PromptKinds,
                         ::testing::Values(PromptCase{"YesGoesOn", true, false, IDYES, 0x24, true},
                                           PromptCase{"NoStops", true, false, IDNO, 0x24, false},
                                           PromptCase{"BothFlagsActAsYesNo", true, true, IDYES, 0x24, true},
                                           PromptCase{"CancelStops", false, true, IDCANCEL, 0x15, false},
                                           PromptCase{"WarningStops", false, false, IDOK, 0x40030, false},
                                           PromptCase{"BoxNotShownStops", true, false, 0, 0x24, false},
                                           PromptCase{"RetryBoxNotShownStops", false, true, 0, 0x15, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RunnerTest, RetryChecksAgainAndAsksForANewMessageEachTime)
{
    StrictMock<MockCondition> condition;
    {
        InSequence order;
        EXPECT_CALL(condition, GetPromptKind()).WillOnce(Return(Kind(false, true)));
        EXPECT_CALL(condition, Check()).WillOnce(Return(false));
        EXPECT_CALL(condition, GetMessage(_)).WillOnce(Return(OvMsiString(L"first")));
        EXPECT_CALL(condition, Check()).WillOnce(Return(false));
        EXPECT_CALL(condition, GetMessage(_)).WillOnce(Return(OvMsiString(L"second")));
        EXPECT_CALL(condition, Check()).WillOnce(Return(true));
    }
    Answer(IDRETRY);
    Answer(IDRETRY);
    EXPECT_EQ(Run({&condition}, {}), kRunGoOn);
    ASSERT_EQ(Boxes().size(), 2u);
    EXPECT_EQ(Boxes()[0].text, L"first");
    EXPECT_EQ(Boxes()[1].text, L"second");
    EXPECT_EQ(Boxes()[1].type, 0x15u);
}

TEST_F(RunnerTest, AFailedConditionAsksNoPrerequisite)
{
    StrictMock<MockCondition> condition;
    StrictMock<MockRedistr> redistr;
    EXPECT_CALL(condition, GetPromptKind()).WillOnce(Return(Kind(false, false)));
    EXPECT_CALL(condition, Check()).WillOnce(Return(false));
    EXPECT_CALL(condition, GetMessage(_)).WillOnce(Return(OvMsiString(L"stop")));
    Answer(IDOK);
    EXPECT_EQ(Run({&condition}, {&redistr}), kRunStop);
}

class PrerequisitesTest : public RunnerTest
{
protected:
    NiceMock<MockRedistr> a, b, c;
    void SetUp() override
    {
        ON_CALL(a, GetDisplayName()).WillByDefault(Return(OvMsiString(L"Windows Installer 4.5")));
        ON_CALL(b, GetDisplayName()).WillByDefault(Return(OvMsiString(L"Windows Imaging Component")));
        ON_CALL(c, GetDisplayName()).WillByDefault(Return(OvMsiString(L".NET Framework 4.0")));
        for (auto* r : {&a, &b, &c}) {
            ON_CALL(*r, IsInstalled()).WillByDefault(Return(true));
            ON_CALL(*r, Install(_)).WillByDefault(Return(true));
        }
    }
};

TEST_F(PrerequisitesTest, AllPresentAsksNothingAndInstallsNothing)
{
    EXPECT_CALL(a, Install(_)).Times(0);
    EXPECT_CALL(b, Install(_)).Times(0);
    EXPECT_CALL(c, Install(_)).Times(0);
    EXPECT_EQ(Run({}, {&a, &b, &c}), kRunGoOn);
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(PrerequisitesTest, OneMissingAsksWithItsNameThenTheProduct)
{
    ON_CALL(c, IsInstalled()).WillByDefault(Return(false));
    {
        InSequence order;
        EXPECT_CALL(a, Install(_)).WillOnce(Return(true));
        EXPECT_CALL(b, Install(_)).WillOnce(Return(true));
        EXPECT_CALL(c, Install(_)).WillOnce(Return(true));
    }
    Answer(IDOK);
    EXPECT_EQ(Run({}, {&a, &b, &c}), kRunGoOn);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text,
              L"Please install .NET Framework 4.0 to proceed with Keldora installation.\n"
              L"Click OK to install this prerequisite.");
    EXPECT_EQ(Boxes()[0].type, 0x21u);
    EXPECT_EQ(Boxes()[0].caption, L"Keldora");
}

TEST_F(PrerequisitesTest, SeveralMissingAreListedInOrderAfterTheBullet)
{
    ON_CALL(a, IsInstalled()).WillByDefault(Return(false));
    ON_CALL(c, IsInstalled()).WillByDefault(Return(false));
    Answer(IDOK);
    EXPECT_EQ(Run({}, {&a, &b, &c}), kRunGoOn);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text,
              L"Please install the following prerequisites to proceed with Keldora installation:\n"
              L"     -Windows Installer 4.5\n"
              L"     -.NET Framework 4.0\n"
              L"Click OK to install these prerequisites.");
}

TEST_F(PrerequisitesTest, QuestionNotAnsweredOkInstallsNothing)
{
    for (int answer : {IDCANCEL, 0}) {
        ON_CALL(b, IsInstalled()).WillByDefault(Return(false));
        EXPECT_CALL(b, Install(_)).Times(0);
        Answer(answer);
        EXPECT_EQ(Run({}, {&a, &b, &c}), kRunStop) << answer;
    }
}

TEST_F(PrerequisitesTest, AFailedInstallationShowsItsMessageAndStopsTheRest)
{
    ON_CALL(b, IsInstalled()).WillByDefault(Return(false));
    EXPECT_CALL(b, Install(_)).WillOnce(Return(false));
    EXPECT_CALL(b, GetErrorMessage(_)).WillOnce(Return(OvMsiString(L"could not install")));
    EXPECT_CALL(c, Install(_)).Times(0);
    Answer(IDOK);
    Answer(IDOK);
    EXPECT_EQ(Run({}, {&a, &b, &c}), kRunStop);
    ASSERT_EQ(Boxes().size(), 2u);
    EXPECT_EQ(Boxes()[1].text, L"could not install");
    EXPECT_EQ(Boxes()[1].type, 0x40030u);
    EXPECT_EQ(reboots, 0);
}

TEST_F(PrerequisitesTest, ARebootAskedBeforeAFailureIsStillOffered)
{
    ON_CALL(a, IsInstalled()).WillByDefault(Return(false));
    EXPECT_CALL(a, Install(_)).WillOnce([](bool* reboot) {
        EXPECT_FALSE(*reboot);  // the runner clears the flag before each call
        *reboot = true;
        return true;
    });
    EXPECT_CALL(b, Install(_)).WillOnce(Return(false));
    EXPECT_CALL(c, Install(_)).Times(0);
    Answer(IDOK);
    Answer(IDOK);
    EXPECT_EQ(Run({}, {&a, &b, &c}), kRunStop);
    EXPECT_EQ(reboots, 1);
}

TEST_F(PrerequisitesTest, AnInstallerWhoseRebootCompletesItIsNoFailure)
{
    // The installer asked for a reboot and its prerequisite is detected only after it: the
    // reboot is offered at once, no failure is shown and the later ones wait for the next run.
    ON_CALL(b, IsInstalled()).WillByDefault(Return(false));
    ON_CALL(c, IsInstalled()).WillByDefault(Return(false));
    EXPECT_CALL(b, Install(_)).WillOnce([](bool* reboot) {
        *reboot = true;
        return false;
    });
    EXPECT_CALL(b, GetErrorMessage(_)).Times(0);
    EXPECT_CALL(c, Install(_)).Times(0);
    Answer(IDOK);
    EXPECT_EQ(Run({}, {&a, &b, &c}), kRunRebooting);
    EXPECT_EQ(Boxes().size(), 1u) << "the question only";
    EXPECT_EQ(reboots, 1);
}

TEST_F(PrerequisitesTest, AnUndetectedPrerequisiteWithoutARebootStaysAFailure)
{
    ON_CALL(b, IsInstalled()).WillByDefault(Return(false));
    EXPECT_CALL(b, Install(_)).WillOnce([](bool* reboot) {
        *reboot = false;
        return false;
    });
    EXPECT_CALL(b, GetErrorMessage(_)).WillOnce(Return(OvMsiString(L"could not install")));
    EXPECT_CALL(c, Install(_)).Times(0);
    Answer(IDOK);
    Answer(IDOK);
    EXPECT_EQ(Run({}, {&a, &b, &c}), kRunStop);
    ASSERT_EQ(Boxes().size(), 2u);
    EXPECT_EQ(Boxes()[1].text, L"could not install");
    EXPECT_EQ(reboots, 0);
}

// An error after an installer asked for a reboot (the service start after the update, a
// later prerequisite) does not lose the reboot: it is offered, then the error goes on.
TEST_F(PrerequisitesTest, AnErrorAfterARebootRequestStillOffersTheReboot)
{
    for (bool sameOne : {true, false}) {
        winsim::Reset();
        reboots = 0;
        ON_CALL(a, IsInstalled()).WillByDefault(Return(false));
        ON_CALL(b, IsInstalled()).WillByDefault(Return(false));
        if (sameOne) {
            EXPECT_CALL(a, Install(_)).WillOnce([](bool* reboot) -> bool {
                *reboot = true;
                throw OvSetupLib::OvWinError(1058);
            });
        } else {
            EXPECT_CALL(a, Install(_)).WillOnce([](bool* reboot) {
                *reboot = true;
                return true;
            });
            EXPECT_CALL(b, Install(_)).WillOnce([](bool*) -> bool { throw OvSetupLib::OvWinError(1058); });
        }
        Answer(IDOK);
        try {
            Run({}, {&a, &b, &c});
            ADD_FAILURE() << "no error";
        } catch (const OvSetupLib::OvWinError& e) {
            EXPECT_EQ(e.ErrorCode(), 1058u);
        }
        EXPECT_EQ(reboots, 1) << (sameOne ? "the same installer" : "a later one");
    }
}

TEST_F(PrerequisitesTest, AnAcceptedRebootMeansNoWizardNow)
{
    ON_CALL(c, IsInstalled()).WillByDefault(Return(false));
    EXPECT_CALL(c, Install(_)).WillOnce([](bool* reboot) {
        *reboot = true;
        return true;
    });
    Answer(IDOK);
    EXPECT_EQ(Run({}, {&a, &b, &c}), kRunRebooting);
    EXPECT_EQ(reboots, 1);
}

TEST_F(RunnerTest, ErrorsPassThroughUnchanged)
{
    StrictMock<MockCondition> condition;
    EXPECT_CALL(condition, GetPromptKind()).WillOnce(Return(Kind(false, false)));
    EXPECT_CALL(condition, Check()).WillOnce([]() -> bool { throw OvSetupLib::OvWinError(1603, L"x"); });
    try {
        Run({&condition}, {});
        FAIL() << "no error";
    } catch (const OvSetupLib::OvWinError& e) {
        EXPECT_EQ(e.ErrorCode(), 1603u);
    }
    EXPECT_TRUE(Boxes().empty());
}
}  // namespace
