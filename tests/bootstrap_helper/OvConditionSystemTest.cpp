// The conditions that only ask the operating system: administrator rights, 64-bit
// Windows and the Windows version.
#include "bootstrap_helper/OvConditionOS64Bit.h"
#include "bootstrap_helper/OvConditionOSVersion.h"
#include "bootstrap_helper/OvConditionUserAdmin.h"

#include <winsim/Machine.h>

#include <gtest/gtest.h>

using namespace OvBootstrapHelper;

namespace
{
class SystemConditionTest : public ::testing::Test
{
protected:
    winsim::MachineScope machine;
};

const wchar_t* const kUnsupported =
    L"Your operating system is not supported by Keldora. See documentation for more details.";

TEST_F(SystemConditionTest, AdministratorMembership)
{
    struct {
        const char* what;
        bool isAdmin, sidFails, queryFails, met;
    } cases[] = {
        {"member", true, false, false, true},
        {"not a member", false, false, false, false},
        {"membership query fails", true, false, true, false},
        // It used to count as met, letting an unconfirmed user past the check.
        {"group identifier cannot be built", true, true, false, false},
    };
    for (const auto& c : cases) {
        winsim::Reset();
        winsim::M().isAdmin = c.isAdmin;
        winsim::M().sidAllocationFails = c.sidFails;
        winsim::M().membershipQueryFails = c.queryFails;
        OvConditionUserAdmin condition;
        EXPECT_EQ(condition.Check(), c.met) << c.what;
    }
    EXPECT_EQ(OvConditionUserAdmin().GetMessage(L"Keldora"),
              L"Local Administrator privileges are required to install this package.");
}

TEST_F(SystemConditionTest, SixtyFourBitWindows)
{
    struct {
        const char* what;
        bool wow64;
        bool missing;
        bool fails;
        bool met;
    } cases[] = {
        {"WOW64", true, false, false, true},
        {"32-bit Windows", false, false, false, false},
        {"query missing", true, true, false, false},
        {"query fails", true, false, true, false},
    };
    for (const auto& c : cases) {
        winsim::Reset();
        winsim::M().wow64 = c.wow64;
        if (c.missing) winsim::M().missingProcs.insert("kernel32!IsWow64Process");
        if (c.fails) winsim::M().faults["IsWow64Process"] = winsim::Fault{ERROR_ACCESS_DENIED, -1, 0};
        EXPECT_EQ(OvConditionOS64Bit().Check(), c.met || OvSetupLib::kIs64BitBuild) << c.what;
    }
    EXPECT_EQ(OvConditionOS64Bit().GetMessage(L"Keldora"), kUnsupported);
}

TEST_F(SystemConditionTest, WindowsVersionTable)
{
    struct {
        const char* what;
        DWORD major, minor;
        BYTE type;
        bool queryFails;
        bool met;
    } cases[] = {
        {"5.2 server", 5, 2, VER_NT_SERVER, false, false},
        {"5.2 workstation", 5, 2, VER_NT_WORKSTATION, false, false},
        {"6.0 workstation", 6, 0, VER_NT_WORKSTATION, false, false},
        {"6.0 server", 6, 0, VER_NT_SERVER, false, true},
        {"6.0 domain controller", 6, 0, VER_NT_DOMAIN_CONTROLLER, false, true},
        {"6.1 workstation", 6, 1, VER_NT_WORKSTATION, false, true},
        {"10.0 workstation", 10, 0, VER_NT_WORKSTATION, false, true},
        {"failed query", 5, 0, VER_NT_WORKSTATION, true, true},
    };
    for (const auto& c : cases) {
        winsim::Reset();
        winsim::M().osMajor = c.major;
        winsim::M().osMinor = c.minor;
        winsim::M().productType = c.type;
        if (c.queryFails) winsim::M().faults["GetVersionExW"] = winsim::Fault{ERROR_INVALID_PARAMETER, -1, 0};
        OvConditionOSVersion condition(6, 0, {{6, 0, false}});
        EXPECT_EQ(condition.Check(), c.met) << c.what;
    }
    EXPECT_EQ(OvConditionOSVersion(6, 0, {}).GetMessage(L"Keldora"), kUnsupported);
}

TEST_F(SystemConditionTest, ServerExclusionAndMinimumComparedUnsigned)
{
    winsim::M().osMajor = 6;
    winsim::M().osMinor = 1;
    winsim::M().productType = VER_NT_SERVER;
    EXPECT_FALSE(OvConditionOSVersion(6, 0, {{6, 1, true}}).Check());
    EXPECT_TRUE(OvConditionOSVersion(6, 0, {{6, 1, false}}).Check());
    EXPECT_FALSE(OvConditionOSVersion(6, 2, {}).Check());
    EXPECT_FALSE(OvConditionOSVersion(0xFFFFFFFFu, 0, {}).Check());
    EXPECT_TRUE(OvConditionOSVersion(5, 9, {}).Check());
}
}  // namespace
