// The service control manager of the simulated machine, over M().services. Status
// queries report the states queued in ServiceModel::pending one by one before the
// settled `state`; a stop request moves a running service to stopped, a start request
// a stopped one to running, each through its pending phase when the model gives one.
#include <winsim/Machine.h>

#include <algorithm>
#include <cstring>
#include <memory>

using winsim::M;

namespace
{
struct ManagerObject : winsim::Object {
};
struct ServiceObject : winsim::Object {
    std::wstring name;
};

std::shared_ptr<ServiceObject> Service(SC_HANDLE h)
{
    return std::dynamic_pointer_cast<ServiceObject>(winsim::GetObject(reinterpret_cast<HANDLE>(h)));
}

winsim::ServiceModel* Model(SC_HANDLE h)
{
    auto s = Service(h);
    if (!s) {
        M().lastError = ERROR_INVALID_HANDLE;
        return nullptr;
    }
    auto it = M().services.find(s->name);
    if (it == M().services.end()) {
        M().lastError = ERROR_SERVICE_DOES_NOT_EXIST;
        return nullptr;
    }
    return &it->second;
}

// The state a query sees now: a queued pending state, else the settled one.
DWORD Current(const winsim::ServiceModel& s)
{
    return s.pending.empty() ? s.state : s.pending.front();
}
}  // namespace

SC_HANDLE OpenSCManagerW(LPCWSTR, LPCWSTR, DWORD)
{
    if (winsim::Fails("OpenSCManagerW")) return nullptr;
    return reinterpret_cast<SC_HANDLE>(winsim::NewHandle(std::make_shared<ManagerObject>()));
}

SC_HANDLE OpenServiceW(SC_HANDLE manager, LPCWSTR serviceName, DWORD)
{
    if (winsim::Fails("OpenServiceW")) return nullptr;
    if (!std::dynamic_pointer_cast<ManagerObject>(winsim::GetObject(reinterpret_cast<HANDLE>(manager)))) {
        M().lastError = ERROR_INVALID_HANDLE;
        return nullptr;
    }
    auto it = M().services.find(serviceName ? serviceName : L"");
    if (it == M().services.end()) {
        M().lastError = ERROR_SERVICE_DOES_NOT_EXIST;
        return nullptr;
    }
    if (it->second.openError != 0) {
        M().lastError = it->second.openError;
        return nullptr;
    }
    auto obj = std::make_shared<ServiceObject>();
    obj->name = it->first;
    return reinterpret_cast<SC_HANDLE>(winsim::NewHandle(obj));
}

BOOL QueryServiceStatus(SC_HANDLE service, LPSERVICE_STATUS status)
{
    if (winsim::Fails("QueryServiceStatus")) return FALSE;
    winsim::ServiceModel* s = Model(service);
    if (s == nullptr) return FALSE;
    ++s->queries;
    std::memset(status, 0, sizeof *status);
    status->dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status->dwCurrentState = Current(*s);
    if (!s->pending.empty()) s->pending.pop_front();
    return TRUE;
}

BOOL ControlService(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status)
{
    if (winsim::Fails("ControlService")) return FALSE;
    winsim::ServiceModel* s = Model(service);
    if (s == nullptr) return FALSE;
    s->controls.push_back(control);
    if (control == SERVICE_CONTROL_STOP) {
        if (s->stopError != 0) {
            M().lastError = s->stopError;
            return FALSE;
        }
        if (Current(*s) == SERVICE_STOPPED) {
            M().lastError = ERROR_SERVICE_NOT_ACTIVE;
            return FALSE;
        }
        // A service that is still starting or already stopping takes no stop request.
        if (Current(*s) == SERVICE_START_PENDING || Current(*s) == SERVICE_STOP_PENDING) {
            M().lastError = ERROR_SERVICE_CANNOT_ACCEPT_CTRL;
            return FALSE;
        }
        s->pending.assign(static_cast<std::size_t>(std::max(0, s->stopPendingQueries)), SERVICE_STOP_PENDING);
        s->state = SERVICE_STOPPED;
    }
    if (status) {
        std::memset(status, 0, sizeof *status);
        status->dwServiceType = SERVICE_WIN32_OWN_PROCESS;
        status->dwCurrentState = Current(*s);
    }
    return TRUE;
}

BOOL StartServiceW(SC_HANDLE service, DWORD, LPCWSTR*)
{
    if (winsim::Fails("StartServiceW")) return FALSE;
    winsim::ServiceModel* s = Model(service);
    if (s == nullptr) return FALSE;
    ++s->starts;
    if (s->startError != 0) {
        M().lastError = s->startError;
        return FALSE;
    }
    if (Current(*s) != SERVICE_STOPPED) {
        M().lastError = ERROR_SERVICE_ALREADY_RUNNING;
        return FALSE;
    }
    s->pending.assign(static_cast<std::size_t>(std::max(0, s->startPendingQueries)), SERVICE_START_PENDING);
    s->state = SERVICE_RUNNING;
    return TRUE;
}

BOOL CloseServiceHandle(SC_HANDLE object)
{
    auto obj = winsim::GetObject(reinterpret_cast<HANDLE>(object));
    if (!std::dynamic_pointer_cast<ManagerObject>(obj) && !std::dynamic_pointer_cast<ServiceObject>(obj)) {
        M().lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    return CloseHandle(reinterpret_cast<HANDLE>(object));
}
