// Each condition failing alone, through the real entry point: its box, and which
// product lists it.
#include "Scenario.h"

#include <functional>

namespace scenario
{
namespace
{
struct ConditionCase {
    const char* name;
    std::function<void(winsim::Machine&)> arrange;
    const wchar_t* mainText;  // the box for the main product
    UINT style;
    bool companionToo;  // the companion product lists it too
};

const wchar_t kNotSupportedKeldora[] =
    L"Your operating system is not supported by Keldora. See documentation for more details.";

std::vector<ConditionCase> Cases()
{
    return {
        {"SecondSetup",
         [](winsim::Machine& m) {
             m.namedObjects[L"ORVALESTOWEN-SETUP-1A7C4E92-5B3D-4E06-A8F1-3D9B6C2E7045"] = {};
             m.namedObjects[L"ORVALESTOWEN-SETUP-8E2F6B13-C4A7-4D59-9E30-B5A81F4D6C27"] = {};
         },
         L"Only one instance of Keldora Setup is allowed.", 0x40030, true},
        {"NotAdministrator", [](winsim::Machine& m) { m.isAdmin = false; },
         L"Local Administrator privileges are required to install this package.", 0x40030, true},
        {"Not64Bit", [](winsim::Machine& m) { m.wow64 = false; }, kNotSupportedKeldora, 0x40030, true},
        {"Vista",
         [](winsim::Machine& m) {
             m.osMajor = 6;
             m.osMinor = 0;
             m.productType = VER_NT_WORKSTATION;
         },
         kNotSupportedKeldora, 0x40030, true},
        {"OneProcessor",
         [](winsim::Machine& m) {
             m.processors = {{0x1, RelationProcessorCore}};
         },
         L"CPU does not meet minimum system requirements. Less than 2 processor cores (or 2 vCPU) detected. "
         L"Data processing perfomance may be affected. Continue anyway?",
         0x24, false},
        {"ProductRunning", [](winsim::Machine& m) { m.runningProcesses.push_back(L"orvaleagent.EXE"); },
         L"Keldora setup cannot proceed because some files are locked. Please close the user interface, and try "
         L"again. Click 'Retry' to retry or 'Cancel' to exit the setup.",
         0x15, false},
    };
}

class EachCondition : public Scenario, public ::testing::WithParamInterface<ConditionCase>
{
};

TEST_P(EachCondition, StopsTheMainProductWithItsMessage)
{
    GetParam().arrange(M());
    Answer(GetParam().style == 0x15 ? IDCANCEL : GetParam().style == 0x24 ? IDNO : IDOK);
    EXPECT_EQ(RunSetup(L""), -1);
    ASSERT_EQ(M().messageBoxes.size(), 1u);
    EXPECT_EQ(M().messageBoxes[0].text, GetParam().mainText);
    EXPECT_EQ(M().messageBoxes[0].caption, L"Keldora");
    EXPECT_EQ(M().messageBoxes[0].type, GetParam().style);
    EXPECT_TRUE(wizardCommandLines.empty());
    EXPECT_FALSE(LogText().has_value());
}

TEST_P(EachCondition, TheCompanionProductListsOnlyItsFive)
{
    GetParam().arrange(M());
    if (GetParam().companionToo) Answer(IDOK);
    EXPECT_EQ(RunSetup(L"maritane"), GetParam().companionToo ? -1 : 0);
    EXPECT_EQ(M().messageBoxes.size(), GetParam().companionToo ? 1u : 0u);
    if (GetParam().companionToo) {
        EXPECT_EQ(M().messageBoxes[0].caption, L"Maritane");
    }
    EXPECT_EQ(wizardCommandLines.size(), GetParam().companionToo ? 0u : 1u);
}

INSTANTIATE_TEST_SUITE_P(Conditions, EachCondition, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Scenario, ConditionsAreEvaluatedInTheirOrder)
{
    // Both the administrator and the version condition fail: only the first is shown.
    M().isAdmin = false;
    M().osMajor = 5;
    M().osMinor = 2;
    Answer(IDOK);
    EXPECT_EQ(RunSetup(L""), -1);
    ASSERT_EQ(M().messageBoxes.size(), 1u);
    EXPECT_EQ(M().messageBoxes[0].text, L"Local Administrator privileges are required to install this package.");
}

TEST_F(Scenario, YesOnTheProcessorQuestionGoesOn)
{
    M().processors = {{0x1, RelationProcessorCore}};
    Answer(IDYES);
    EXPECT_EQ(RunSetup(L""), 0);
    EXPECT_EQ(wizardCommandLines.size(), 1u);
}

TEST_F(Scenario, RetryGoesOnOnceTheProductProcessHasEnded)
{
    M().runningProcesses.push_back(L"OrvaleAgent.exe");
    winsim::UiAnswer retry;
    retry.result = IDRETRY;
    // The user ends the process while the box is open, then chooses Retry.
    retry.effect = [](winsim::Machine& m) { m.runningProcesses.pop_back(); };
    M().answers.push_back(retry);
    EXPECT_EQ(RunSetup(L""), 0);
    EXPECT_EQ(M().messageBoxes.size(), 1u);
    EXPECT_EQ(M().messageBoxes[0].type, 0x15u);
    EXPECT_EQ(wizardCommandLines.size(), 1u);
}
}  // namespace
}  // namespace scenario
