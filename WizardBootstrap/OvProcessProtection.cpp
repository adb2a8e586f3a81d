#include "WizardBootstrap/OvProcessProtection.h"

#include "setup_lib/OvMsiString.h"
#include "setup_lib/OvSmartHandle.h"
#include "setup_lib/OvStrings.h"
#include "setup_lib/OvWinError.h"

namespace OvWizardBootstrap
{
namespace
{
typedef BOOL(WINAPI* SetDefaultDllDirectoriesFn)(DWORD);
typedef BOOL(WINAPI* SetProcessMitigationPolicyFn)(int, PVOID, SIZE_T);

constexpr int kProcessRedirectionTrustPolicy = 16;
constexpr DWORD kEnforceRedirectionTrust = 0x1;

// DLLs that are not always taken from the system folder (version.dll, msi.dll,
// anything loaded later) are searched in the system folder only.
void RestrictDllSearch()
{
    auto setDefault = OvSetupLib::Kernel32Proc<SetDefaultDllDirectoriesFn>("SetDefaultDllDirectories");
    if (setDefault == nullptr || !setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
        // Older systems: at least take the current folder out of the search.
        SetDllDirectoryW(L"");
    }
    // Where the system offers it, file system links made by unprivileged users are
    // not followed by this elevated process.
    auto setPolicy = OvSetupLib::Kernel32Proc<SetProcessMitigationPolicyFn>("SetProcessMitigationPolicy");
    if (setPolicy != nullptr) {
        DWORD flags = kEnforceRedirectionTrust;
        setPolicy(kProcessRedirectionTrustPolicy, &flags, sizeof flags);
    }
}

}  // namespace

DWORD CheckProgramFile()
{
    OvSetupLib::OvMsiString path;
    try {
        path = OvSetupLib::GetProgramPath();
    } catch (const OvSetupLib::OvWinError& error) {
        return error.ErrorCode();
    }
    // A "<program>.local" file or folder would redirect the DLLs loaded from now on.
    OvSetupLib::OvMsiString local = path + L".local";
    if (GetFileAttributesW(local.c_str()) != INVALID_FILE_ATTRIBUTES) return ERROR_ACCESS_DENIED;
    return 0;
}

namespace
{
struct ProcessProtection {
    ProcessProtection() { RestrictDllSearch(); }
};

// Runs before the other static initialisers of the program (the redistributables
// folder among them), so that no DLL is loaded before the search is restricted.
ProcessProtection g_protection __attribute__((init_priority(101)));
}  // namespace
}  // namespace OvWizardBootstrap
