#include "bootstrap_helper/OvConditionCheckCoreNumber.h"

#include <winsim/Machine.h>

#include <gtest/gtest.h>

#include <optional>

using OvBootstrapHelper::CountProcessors;
using OvBootstrapHelper::OvConditionCheckCoreNumber;

namespace
{
class CoreNumberTest : public ::testing::Test
{
protected:
    winsim::MachineScope machine;
};

winsim::ProcessorRecord Core(ULONG_PTR mask)
{
    return winsim::ProcessorRecord{mask, RelationProcessorCore};
}

TEST_F(CoreNumberTest, CountsLogicalProcessorsOfCores)
{
    struct {
        const char* what;
        std::vector<winsim::ProcessorRecord> records;
        DWORD count;
        bool met;
    } cases[] = {
        {"1 core, 1 logical", {Core(0x1)}, 1, false},
        {"1 core, 2 logical", {Core(0x3)}, 2, true},
        {"2 cores, 2 logical", {Core(0x1), Core(0x2)}, 2, true},
        {"1 core, 3 logical: halved", {Core(0x7)}, 1, false},
        {"4 cores, 16 logical: halved", {Core(0xF), Core(0xF0), Core(0xF00), Core(0xF000)}, 8, true},
        {"4 cores, 8 logical", {Core(0x3), Core(0xC), Core(0x30), Core(0xC0)}, 8, true},
        {"4 cores, 12 logical: halved", {Core(0x7), Core(0x38), Core(0x1C0), Core(0xE00)}, 6, true},
        {"other relationships skipped",
         {Core(0x1), {0xFF, RelationCache}, {0xFF, RelationProcessorPackage}, {0xFF, RelationNumaNode}},
         1,
         false},
        {"no core records", {{0xFF, RelationCache}}, 0, true},
        {"highest and lowest mask bits", {Core(0x80000001u)}, 2, true},
    };
    for (const auto& c : cases) {
        winsim::Reset();
        winsim::M().processors = c.records;
        EXPECT_EQ(CountProcessors(), c.count) << c.what;
        EXPECT_EQ(OvConditionCheckCoreNumber(2, L"m").Check(), c.met) << c.what;
    }
}

TEST_F(CoreNumberTest, HighMaskBitsOfA64BitRecordAreIgnored)
{
    if (sizeof(ULONG_PTR) < 8) GTEST_SKIP() << "32-bit masks have no high bits";
    winsim::M().processors = {Core(static_cast<ULONG_PTR>(0xFF00000000000001ull))};
    EXPECT_EQ(CountProcessors(), 1u);
}

TEST_F(CoreNumberTest, OnlyWholeRecordsAreRead)
{
    // A length of one record and 6 bytes holds one whole record.
    winsim::M().processors = {Core(0x3)};
    winsim::M().processorLengthExtra = 6;
    EXPECT_EQ(CountProcessors(), 2u);
    winsim::M().processors = {};
    EXPECT_EQ(CountProcessors(), 0u);
}

TEST_F(CoreNumberTest, QueryFailuresGiveNoCount)
{
    struct {
        const char* what;
        const char* fault;
        DWORD code;
    } cases[] = {
        {"record query fails", "GetLogicalProcessorInformation", ERROR_INVALID_PARAMETER},
        {"allocation fails", "LocalAlloc", ERROR_NOT_ENOUGH_MEMORY},
    };
    for (const auto& c : cases) {
        winsim::Reset();
        winsim::M().processors = {Core(0x1)};
        winsim::M().environment[L"NUMBER_OF_PROCESSORS"] = L"1";
        winsim::M().faults[c.fault] = winsim::Fault{c.code, -1, 0};
        EXPECT_EQ(CountProcessors(), 0u) << c.what;
        EXPECT_TRUE(OvConditionCheckCoreNumber(2, L"m").Check()) << c.what;
    }
}

TEST_F(CoreNumberTest, EnvironmentWhenTheRecordQueryIsAbsent)
{
    struct {
        const char* what;
        std::optional<std::wstring> value;
        DWORD count;
        bool met;
    } cases[] = {
        {"1", std::wstring(L"1"), 1, false},
        {"2", std::wstring(L"2"), 2, true},
        {"unset", std::nullopt, 0, true},
        {"not a number", std::wstring(L"x"), 0, true},
        {"-1 is large unsigned", std::wstring(L"-1"), 0xFFFFFFFFu, true},
        {"leading blanks and trailing text", std::wstring(L"  3 cores"), 3, true},
        {"longer than the first buffer", L"1" + std::wstring(30, L' '), 1, false},
    };
    for (const auto& c : cases) {
        winsim::Reset();
        winsim::M().missingProcs.insert("kernel32!GetLogicalProcessorInformation");
        winsim::M().processors = {Core(0xF)};
        winsim::M().environment.erase(L"NUMBER_OF_PROCESSORS");
        if (c.value) winsim::M().environment[L"NUMBER_OF_PROCESSORS"] = *c.value;
        EXPECT_EQ(CountProcessors(), c.count) << c.what;
        EXPECT_EQ(OvConditionCheckCoreNumber(2, L"m").Check(), c.met) << c.what;
    }
}

TEST_F(CoreNumberTest, AsksYesNoWithItsOwnText)
{
    OvConditionCheckCoreNumber condition(2, L"CPU does not meet minimum system requirements.");
    EXPECT_EQ(condition.GetMessage(L"Keldora"), L"CPU does not meet minimum system requirements.");
    EXPECT_TRUE(condition.GetPromptKind().yesNo);
    EXPECT_FALSE(condition.GetPromptKind().retryCancel);
}
}  // namespace
