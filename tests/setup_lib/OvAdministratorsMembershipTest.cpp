// The one membership query answers met, not met, or unknown when it cannot be asked.
#include "setup_lib/OvAdministratorsMembership.h"

#include <gtest/gtest.h>
#include <winsim/Machine.h>

namespace
{
using OvSetupLib::OvMembership;
using OvSetupLib::QueryAdministratorsMembership;

TEST(AdministratorsMembership, MetNotMetOrUnknown)
{
    struct Case {
        const char* what;
        bool isAdmin;
        const char* fault;  // the simulated call that fails, or null
        OvMembership answer;
    };
    const Case cases[] = {
        {"member", true, nullptr, OvMembership::Met},
        {"not a member", false, nullptr, OvMembership::NotMet},
        {"the identifier cannot be built", true, "AllocateAndInitializeSid", OvMembership::Unknown},
        {"the token cannot be asked", true, "CheckTokenMembership", OvMembership::Unknown},
        {"the token cannot be asked, not a member", false, "CheckTokenMembership", OvMembership::Unknown},
    };
    for (const Case& c : cases) {
        winsim::MachineScope machine;
        winsim::M().isAdmin = c.isAdmin;
        if (c.fault != nullptr) winsim::M().faults[c.fault] = winsim::Fault{ERROR_ACCESS_DENIED};
        EXPECT_EQ(QueryAdministratorsMembership(), c.answer) << c.what;
    }
}
}  // namespace
