// The bootstrapper's own options: tokens beginning with "/bootstrap:" (any letter case),
// taken out of the command line wherever they stand. The other tokens keep their meaning.
#pragma once

#include "setup_lib/OvMsiString.h"

#include <vector>

namespace OvWizardBootstrap
{
struct OvBootstrapOptions {
    bool quiet = false;    // no window; every question takes its unattended answer
    bool strict = false;   // the processor warning stops a quiet run
    bool restart = false;  // a quiet run reboots when an installer asked for it
    bool check = false;    // the readiness report: evaluate and detect, change nothing
    DWORD waitSeconds = 0;
    OvSetupLib::OvMsiString logPath;
    OvSetupLib::OvMsiString reportPath;

    // Quiet and check runs end with the documented exit codes and show nothing.
    bool Unattended() const { return quiet || check; }
};

struct OvCommandLine {
    OvBootstrapOptions options;
    // What is left once the options are out, split as the command line always was.
    std::vector<OvSetupLib::OvMsiString> tokens;
    // The first option that is unknown, repeated or has a bad value; empty when all are good.
    OvSetupLib::OvMsiString badOption;
};

// The longest wait a quiet run accepts, in seconds: a day.
constexpr DWORD kMaxWaitSeconds = 86400;

// Never fails: a bad option is reported in badOption, and the options read before it stay.
// A value may be put in double quotes to hold blanks: /bootstrap:log="C:\My Logs\setup.log".
OvCommandLine ReadCommandLine(const wchar_t* commandLine);
}  // namespace OvWizardBootstrap
