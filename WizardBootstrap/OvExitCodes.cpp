#include "WizardBootstrap/OvExitCodes.h"

#include <cwchar>

namespace OvWizardBootstrap
{
DWORD StopExitCode(const OvStopCause& cause)
{
    if (cause.byOption) return kExitStoppedByOption;
    if (cause.prerequisiteFailed) return kExitPrerequisiteFailed;
    if (cause.systemError) return kExitSystemError;
    if (cause.condition == nullptr) return kExitDone;
    struct Row {
        const wchar_t* condition;
        DWORD code;
    };
    static const Row kRows[] = {
        {L"single-setup", kExitSetupRunning},         {L"administrator", kExitNotAdministrator},
        {L"64-bit-windows", kExitPlatform},           {L"windows-version", kExitPlatform},
        {L"installed-products", kExitProductVersion}, {L"companion-first", kExitCompanionFirst},
        {L"product-processes", kExitProductRunning},
    };
    for (const Row& row : kRows) {
        if (std::wcscmp(row.condition, cause.condition->GetName()) == 0) return row.code;
    }
    return kExitSystemError;
}
}  // namespace OvWizardBootstrap
