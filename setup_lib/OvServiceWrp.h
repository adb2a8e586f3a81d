// One opened Windows service, with status queries and a bounded wait for a steady state.
#pragma once

#include "setup_lib/OvSmartHandle.h"

namespace OvSetupLib
{
class OvServiceWrp
{
public:
    OvServiceWrp() = default;
    OvServiceWrp(const OvServiceWrp&) = delete;
    OvServiceWrp& operator=(const OvServiceWrp&) = delete;
    virtual ~OvServiceWrp() = default;

    // Opens the service on the local machine; throws OvWinError.
    void Open(const wchar_t* serviceName, DWORD desiredAccess);
    SERVICE_STATUS QueryStatus();
    // Queries until the service is stopped, paused or running, at most
    // maxFurtherQueries more times, 60 ms apart. Never fails for lack of time.
    void WaitForSteadyState(DWORD maxFurtherQueries);
    SC_HANDLE Get() const { return service_.Get(); }

private:
    OvServiceHandle service_;
};
}  // namespace OvSetupLib
