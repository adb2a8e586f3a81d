#include "setup_lib/OvServiceWrp.h"
#include "setup_lib/OvWinError.h"

#include <gtest/gtest.h>
#include <winsim/Machine.h>

using OvSetupLib::OvServiceWrp;
using OvSetupLib::OvWinError;
using winsim::M;

namespace
{
class ServiceWrpTest : public ::testing::Test
{
protected:
    winsim::MachineScope machine;
    winsim::ServiceModel& Svc() { return M().services[L"msiserver"]; }
};

TEST_F(ServiceWrpTest, OpenKeepsOnlyTheServiceHandle)
{
    {
        OvServiceWrp s;
        EXPECT_EQ(s.Get(), nullptr);
        s.Open(L"MSIServer", GENERIC_ALL);
        EXPECT_NE(s.Get(), nullptr);
        EXPECT_EQ(M().OpenHandles(), 1);
        s.Open(L"msiserver", GENERIC_ALL);
        EXPECT_EQ(M().OpenHandles(), 1) << "a second Open closes the first handle";
    }
    EXPECT_EQ(M().OpenHandles(), 0);
}

TEST_F(ServiceWrpTest, OpenFailures)
{
    struct Case {
        const char* name;
        void (*arrange)();
        const wchar_t* service;
        DWORD code;
    };
    const Case cases[] = {
        {"manager", [] { M().faults["OpenSCManagerW"] = winsim::Fault{ERROR_ACCESS_DENIED}; }, L"msiserver",
         ERROR_ACCESS_DENIED},
        {"unknown service", [] {}, L"nosuch", ERROR_SERVICE_DOES_NOT_EXIST},
        {"denied service", [] { M().services[L"msiserver"].openError = ERROR_ACCESS_DENIED; }, L"msiserver",
         ERROR_ACCESS_DENIED},
    };
    for (const auto& c : cases) {
        winsim::Reset();
        c.arrange();
        OvServiceWrp s;
        try {
            s.Open(c.service, GENERIC_ALL);
            ADD_FAILURE() << "no error: " << c.name;
        } catch (const OvWinError& e) {
            EXPECT_EQ(e.ErrorCode(), c.code) << c.name;
        }
        EXPECT_EQ(M().OpenHandles(), 0) << c.name;
    }
}

TEST_F(ServiceWrpTest, WaitForSteadyState)
{
    struct Case {
        const char* name;
        DWORD state;
        std::deque<DWORD> pending;
        DWORD count;
        int queries;
        int sleeps;
    };
    const Case cases[] = {
        {"count 0 queries once", SERVICE_RUNNING, {SERVICE_STOP_PENDING, SERVICE_STOP_PENDING}, 0, 1, 0},
        {"count 1 on a service that stays pending",
         SERVICE_STOPPED,
         {SERVICE_STOP_PENDING, SERVICE_STOP_PENDING, SERVICE_STOP_PENDING},
         1,
         2,
         1},
        {"steady at once", SERVICE_PAUSED, {}, 5, 1, 0},
        {"settles after two polls", SERVICE_RUNNING, {SERVICE_START_PENDING, SERVICE_START_PENDING}, 0xFFFFFFFFu, 3, 2},
    };
    for (const auto& c : cases) {
        winsim::Reset();
        Svc().state = c.state;
        Svc().pending = c.pending;
        OvServiceWrp s;
        s.Open(L"msiserver", GENERIC_ALL);
        s.WaitForSteadyState(c.count);
        EXPECT_EQ(Svc().queries, c.queries) << c.name;
        EXPECT_EQ(M().sleeps, c.sleeps) << c.name;
        EXPECT_EQ(M().sleptMilliseconds, 60u * static_cast<DWORD>(c.sleeps)) << c.name;
    }
}

TEST_F(ServiceWrpTest, QueryFailureIsThrown)
{
    OvServiceWrp s;
    s.Open(L"msiserver", GENERIC_ALL);
    M().faults["QueryServiceStatus"] = winsim::Fault{ERROR_ACCESS_DENIED, 1, 1};
    Svc().pending = {SERVICE_STOP_PENDING};
    try {
        s.WaitForSteadyState(3);
        FAIL() << "no error";
    } catch (const OvWinError& e) {
        EXPECT_EQ(e.ErrorCode(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    }
}

TEST_F(ServiceWrpTest, QueryStatusReportsTheState)
{
    Svc().state = SERVICE_RUNNING;
    OvServiceWrp s;
    s.Open(L"msiserver", SERVICE_QUERY_STATUS);
    EXPECT_EQ(s.QueryStatus().dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
}
}  // namespace
