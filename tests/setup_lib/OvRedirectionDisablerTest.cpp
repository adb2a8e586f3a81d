#include "setup_lib/OvRedirectionDisabler.h"

#include "setup_lib/OvWinError.h"

#include <winsim/Machine.h>

#include <gtest/gtest.h>

namespace
{
class RedirectionTest : public ::testing::Test
{
protected:
    winsim::MachineScope machine;
};

TEST_F(RedirectionTest, IsWow64FollowsTheProcessQuery)
{
    struct Case {
        const char* what;
        bool wow64;
        const char* missing;
        const char* fault;
        bool expected;
    } cases[] = {
        {"32-bit process on 64-bit Windows", true, nullptr, nullptr, true},
        {"32-bit Windows", false, nullptr, nullptr, false},
        {"query absent", true, "kernel32!IsWow64Process", nullptr, false},
        {"query fails", true, nullptr, "IsWow64Process", false},
    };
    for (const auto& c : cases) {
        winsim::Reset();
        winsim::M().wow64 = c.wow64;
        if (c.missing) winsim::M().missingProcs.insert(c.missing);
        if (c.fault) winsim::M().faults[c.fault] = winsim::Fault{ERROR_ACCESS_DENIED, -1, 0};
        EXPECT_EQ(OvSetupLib::IsWow64(), c.expected) << c.what;
    }
}

TEST_F(RedirectionTest, ScopeSwitchesOffAndRestoresOnWow64)
{
    winsim::M().wow64 = true;
    {
        OvSetupLib::OvRedirectionDisabler scope;
        EXPECT_TRUE(winsim::M().redirectionDisabled);
    }
    EXPECT_FALSE(winsim::M().redirectionDisabled);
    EXPECT_EQ(winsim::M().redirectionDisableCalls, 1);
}

TEST_F(RedirectionTest, DoesNothingWithoutWow64OrWithoutTheCall)
{
    winsim::M().wow64 = false;
    winsim::M().faults["Wow64DisableWow64FsRedirection"] = winsim::Fault{ERROR_INVALID_FUNCTION, -1, 0};
    {
        OvSetupLib::OvRedirectionDisabler scope;
    }
    EXPECT_EQ(winsim::M().redirectionDisableCalls, 0);

    winsim::Reset();
    winsim::M().missingProcs.insert("kernel32!Wow64DisableWow64FsRedirection");
    {
        OvSetupLib::OvRedirectionDisabler scope;
    }
    EXPECT_EQ(winsim::M().redirectionDisableCalls, 0);
    EXPECT_FALSE(winsim::M().redirectionDisabled);
}

TEST_F(RedirectionTest, FailedSwitchThrowsWithItsMessage)
{
    winsim::M().faults["Wow64DisableWow64FsRedirection"] = winsim::Fault{ERROR_INVALID_FUNCTION, -1, 0};
    try {
        OvSetupLib::OvRedirectionDisabler scope;
        FAIL() << "expected OvWinError";
    } catch (const OvSetupLib::OvWinError& e) {
        EXPECT_EQ(e.ErrorCode(), static_cast<DWORD>(ERROR_INVALID_FUNCTION));
        EXPECT_EQ(e.Message(), L"Wow64DisableWow64FsRedirection failed.");
    }
}
}  // namespace
