#include "setup_lib/OvRedirectionDisabler.h"

#include "setup_lib/OvSmartHandle.h"
#include "setup_lib/OvWinError.h"

namespace OvSetupLib
{
namespace
{
using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
using DisableFn = BOOL(WINAPI*)(PVOID*);
using RevertFn = BOOL(WINAPI*)(PVOID);
}  // namespace

bool IsWow64()
{
    auto isWow64Process = Kernel32Proc<IsWow64ProcessFn>("IsWow64Process");
    if (isWow64Process == nullptr) return false;
    BOOL flag = 0;
    if (!isWow64Process(GetCurrentProcess(), &flag)) return false;
    return flag == 1;
}

bool RunsOn64BitWindows()
{
    return kIs64BitBuild || IsWow64();
}

OvRedirectionDisabler::OvRedirectionDisabler()
{
    auto disable = Kernel32Proc<DisableFn>("Wow64DisableWow64FsRedirection");
    if (disable != nullptr && IsWow64()) {
        ThrowLastErrorIf(!disable(&previous_), L"Wow64DisableWow64FsRedirection failed.");
    }
}

OvRedirectionDisabler::~OvRedirectionDisabler()
{
    auto revert = Kernel32Proc<RevertFn>("Wow64RevertWow64FsRedirection");
    if (revert != nullptr && IsWow64()) revert(previous_);
}
}  // namespace OvSetupLib
