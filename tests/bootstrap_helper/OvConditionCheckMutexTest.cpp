#include "bootstrap_helper/OvConditionCheckMutex.h"

#include <winsim/Machine.h>

#include <gtest/gtest.h>

using OvBootstrapHelper::OvConditionCheckMutex;

namespace
{
const wchar_t* const kFirst = L"ORVALESTOWEN-SETUP-1A7C4E92-5B3D-4E06-A8F1-3D9B6C2E7045";
const wchar_t* const kSecond = L"ORVALESTOWEN-SETUP-8E2F6B13-C4A7-4D59-9E30-B5A81F4D6C27";

enum class Name { absent, existing, denied };

struct MutexCase {
    const char* what;
    Name first;
    Name second;
    bool met;
    int handlesLeft;  // of this condition, after Check
};

class MutexTest : public ::testing::Test
{
protected:
    winsim::MachineScope machine;
};

TEST_F(MutexTest, FailsOnlyWhenBothNamesExist)
{
    const MutexCase cases[] = {
        {"both new", Name::absent, Name::absent, true, 2},
        {"first existing, second new", Name::existing, Name::absent, true, 1},
        {"first new, second existing", Name::absent, Name::existing, true, 2},
        {"both existing", Name::existing, Name::existing, false, 1},
        {"first existing, second denied", Name::existing, Name::denied, false, 0},
        {"first denied, second new", Name::denied, Name::absent, true, 1},
        {"first new, second denied", Name::absent, Name::denied, true, 1},
    };
    for (const auto& c : cases) {
        winsim::Reset();
        auto place = [](const wchar_t* name, Name state) {
            if (state != Name::absent) winsim::M().namedObjects[name].denied = state == Name::denied;
        };
        place(kFirst, c.first);
        place(kSecond, c.second);
        {
            OvConditionCheckMutex condition(kFirst, kSecond, nullptr);
            EXPECT_EQ(condition.Check(), c.met) << c.what;
            EXPECT_EQ(winsim::M().OpenHandles(), c.handlesLeft) << c.what;
            EXPECT_TRUE(winsim::M().namedObjects.count(kFirst)) << c.what;
            EXPECT_TRUE(winsim::M().namedObjects.count(kSecond)) << c.what;
        }
        EXPECT_EQ(winsim::M().OpenHandles(), 0) << c.what << ": destruction closes both";
    }
}

TEST_F(MutexTest, SecondSetupFindsTheFirstOneHoldingBoth)
{
    OvConditionCheckMutex first(kFirst, kSecond, nullptr);
    ASSERT_TRUE(first.Check());
    OvConditionCheckMutex second(kFirst, kSecond, nullptr);
    EXPECT_FALSE(second.Check());
    EXPECT_EQ(second.GetMessage(L"Keldora"), L"Only one instance of Keldora Setup is allowed.");
    EXPECT_EQ(second.GetPromptKind().yesNo || second.GetPromptKind().retryCancel, false);
}

TEST_F(MutexTest, FailedCreationCountsAsNew)
{
    winsim::M().faults["CreateMutexW"] = winsim::Fault{ERROR_NOT_ENOUGH_MEMORY, -1, 0};
    OvConditionCheckMutex condition(kFirst, kSecond, nullptr);
    EXPECT_TRUE(condition.Check());
    EXPECT_EQ(winsim::M().OpenHandles(), 0);
}
}  // namespace
