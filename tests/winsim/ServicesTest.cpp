// The simulated service control manager: a service passes through its pending phases as
// the model gives them, and refuses a stop while it is starting or stopping, as Windows
// documents for ControlService (1061). Under Wine the service manager settles in a few
// milliseconds and lets a stop through during START_PENDING, so no platform test can
// hold a service in a pending phase; these answers follow the documented behaviour.
#include <winsim/Machine.h>

#include <gtest/gtest.h>

#include <vector>

using winsim::M;

namespace
{
class SimulatedServiceTest : public ::testing::Test
{
protected:
    winsim::MachineScope machine;
    SC_HANDLE manager = nullptr;
    SC_HANDLE service = nullptr;

    void Open()
    {
        manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
        ASSERT_NE(manager, nullptr);
        service = OpenServiceW(manager, L"msiserver", SERVICE_START | SERVICE_STOP | SERVICE_QUERY_STATUS);
        ASSERT_NE(service, nullptr);
    }
    void TearDown() override
    {
        if (service) CloseServiceHandle(service);
        if (manager) CloseServiceHandle(manager);
        EXPECT_EQ(M().OpenHandles(), 0);
    }
    DWORD State()
    {
        SERVICE_STATUS status{};
        EXPECT_TRUE(QueryServiceStatus(service, &status));
        return status.dwCurrentState;
    }
    // The control's answer: 0 for success, else the error.
    DWORD Stop(DWORD* reported = nullptr)
    {
        SERVICE_STATUS status{};
        if (!ControlService(service, SERVICE_CONTROL_STOP, &status)) return GetLastError();
        if (reported) *reported = status.dwCurrentState;
        return 0;
    }
};

TEST_F(SimulatedServiceTest, StartAndStopPassThroughTheirPendingPhases)
{
    M().services[L"msiserver"].startPendingQueries = 2;
    M().services[L"msiserver"].stopPendingQueries = 1;
    Open();
    ASSERT_TRUE(StartServiceW(service, 0, nullptr));
    EXPECT_EQ(Stop(), static_cast<DWORD>(ERROR_SERVICE_CANNOT_ACCEPT_CTRL)) << "still starting";
    std::vector<DWORD> seen{State(), State(), State()};
    EXPECT_EQ(seen, (std::vector<DWORD>{SERVICE_START_PENDING, SERVICE_START_PENDING, SERVICE_RUNNING}));

    DWORD reported = 0;
    EXPECT_EQ(Stop(&reported), 0u);
    EXPECT_EQ(reported, static_cast<DWORD>(SERVICE_STOP_PENDING));
    EXPECT_EQ(Stop(), static_cast<DWORD>(ERROR_SERVICE_CANNOT_ACCEPT_CTRL)) << "already stopping";
    SetLastError(0);
    EXPECT_FALSE(StartServiceW(service, 0, nullptr)) << "a stopping service is not stopped yet";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_ALREADY_RUNNING));
    EXPECT_EQ(State(), static_cast<DWORD>(SERVICE_STOP_PENDING));
    EXPECT_EQ(State(), static_cast<DWORD>(SERVICE_STOPPED));
    EXPECT_EQ(Stop(), static_cast<DWORD>(ERROR_SERVICE_NOT_ACTIVE));
}

TEST_F(SimulatedServiceTest, WithoutPendingPhasesTheNewStateHoldsAtOnce)
{
    Open();
    ASSERT_TRUE(StartServiceW(service, 0, nullptr));
    EXPECT_EQ(State(), static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_EQ(Stop(), 0u);
    EXPECT_EQ(State(), static_cast<DWORD>(SERVICE_STOPPED));
}
}  // namespace
