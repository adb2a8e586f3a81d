// The interface through which the runner sees a prerequisite redistributable.
#pragma once

#include "setup_lib/OvMsiString.h"

namespace OvBootstrapHelper
{
class OvRedistrEntity
{
public:
    virtual ~OvRedistrEntity() = default;
    virtual OvSetupLib::OvMsiString GetDisplayName() = 0;
    virtual OvSetupLib::OvMsiString GetErrorMessage(const wchar_t* productName) = 0;
    virtual OvSetupLib::OvMsiString GetInstallCommand() = 0;
    virtual WORD GetDialogId() = 0;
    virtual bool IsInstalled() = 0;
    virtual void BeforeInstall() {}
    // The shared installation sequence: progress window, installer, second detection.
    // True when the prerequisite is present afterwards; sets *rebootRequired when the
    // installer asked for a reboot (3010).
    virtual bool Install(bool* rebootRequired);
    virtual void AfterInstall() {}
};
}  // namespace OvBootstrapHelper
