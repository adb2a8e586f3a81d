// The interface through which the runner sees a prerequisite redistributable.
#pragma once

#include "setup_lib/OvMsiString.h"

namespace OvBootstrapHelper
{
// What one run of an installer did, for the decision log.
struct OvInstallRecord {
    OvSetupLib::OvMsiString commandLine;
    DWORD exitCode = 0;
    DWORD milliseconds = 0;
    bool ran = false;
};

class OvRedistrEntity
{
public:
    virtual ~OvRedistrEntity() = default;
    virtual OvSetupLib::OvMsiString GetDisplayName() = 0;
    virtual OvSetupLib::OvMsiString GetErrorMessage(const wchar_t* productName) = 0;
    virtual OvSetupLib::OvMsiString GetInstallCommand() = 0;
    virtual WORD GetDialogId() = 0;
    virtual bool IsInstalled() = 0;
    // The version of what is there now, as detected; empty when none was read.
    virtual OvSetupLib::OvMsiString GetFoundVersion() { return foundVersion; }
    virtual void BeforeInstall() {}
    // The shared installation sequence: progress window, installer, second detection.
    // True when the prerequisite is present afterwards; sets *rebootRequired when the
    // installer asked for a reboot (3010).
    virtual bool Install(bool* rebootRequired);
    // What the latest Install ran; ran is false when it ran nothing.
    const OvInstallRecord& GetLastInstall() const { return lastInstall; }
    // A quiet run shows no progress window.
    void SetProgressWindowShown(bool shown) { progressShown = shown; }
    virtual void AfterInstall() {}

protected:
    // Set by IsInstalled to the version it read.
    OvSetupLib::OvMsiString foundVersion;

private:
    OvInstallRecord lastInstall;
    bool progressShown = true;
};
}  // namespace OvBootstrapHelper
