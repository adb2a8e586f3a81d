// The WOW64 test, and a scope in which a 32-bit process on 64-bit Windows sees the
// native system folder.
#pragma once

#include "setup_lib/OvPlatform.h"

namespace OvSetupLib
{
// True when this 32-bit process runs on 64-bit Windows.
bool IsWow64();
// True on 64-bit Windows: a 64-bit build is there by construction, a 32-bit one asks.
bool RunsOn64BitWindows();

class OvRedirectionDisabler
{
public:
    // Throws OvWinError when switching redirection off fails on a WOW64 process.
    OvRedirectionDisabler();
    OvRedirectionDisabler(const OvRedirectionDisabler&) = delete;
    OvRedirectionDisabler& operator=(const OvRedirectionDisabler&) = delete;
    virtual ~OvRedirectionDisabler();

private:
    PVOID previous_ = nullptr;
};
}  // namespace OvSetupLib
