#include "setup_lib/OvServiceWrp.h"

#include "setup_lib/OvWinError.h"

namespace OvSetupLib
{
void OvServiceWrp::Open(const wchar_t* serviceName, DWORD desiredAccess)
{
    service_.Reset();
    OvServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    ThrowLastErrorIf(!manager.IsValid());
    service_.Reset(OpenServiceW(manager.Get(), serviceName, desiredAccess));
    ThrowLastErrorIf(!service_.IsValid());
}

SERVICE_STATUS OvServiceWrp::QueryStatus()
{
    SERVICE_STATUS status{};
    ThrowLastErrorIf(!QueryServiceStatus(service_.Get(), &status));
    return status;
}

void OvServiceWrp::WaitForSteadyState(DWORD maxFurtherQueries)
{
    SERVICE_STATUS status = QueryStatus();
    DWORD left = maxFurtherQueries;
    while (true) {
        DWORD state = status.dwCurrentState;
        if (state == SERVICE_STOPPED || state == SERVICE_PAUSED || state == SERVICE_RUNNING || left == 0) return;
        Sleep(60);
        status = QueryStatus();
        --left;
    }
}
}  // namespace OvSetupLib
