#include "setup_lib/OvExitWindow.h"

#include "setup_lib/OvSmartHandle.h"
#include "setup_lib/OvWinError.h"

namespace OvSetupLib
{
OvExitWindow::OvExitWindow()
{
    OvHandle token;
    ThrowLastErrorIf(!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.Receive()),
                     L"OpenProcessToken failed.");
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    ThrowLastErrorIf(!LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &privileges.Privileges[0].Luid),
                     L"LookupPrivilegeValue failed.");
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    ThrowLastErrorIf(!AdjustTokenPrivileges(token.Get(), FALSE, &privileges, 0, nullptr, nullptr),
                     L"AdjustTokenPrivileges failed");
    // The call succeeds also for a token that lacks the privilege, and says so only in the
    // last error; the reboot would then be refused after everything was registered for it.
    if (GetLastError() == ERROR_NOT_ALL_ASSIGNED)
        throw OvWinError(ERROR_NOT_ALL_ASSIGNED, L"AdjustTokenPrivileges failed");
}
}  // namespace OvSetupLib
