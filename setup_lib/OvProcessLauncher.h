// Starting a program and waiting for its end: the one way the installers and the
// wizard are run.
#pragma once

#include "setup_lib/OvMsiString.h"
#include "setup_lib/OvSmartHandle.h"

namespace OvSetupLib
{
enum class OvWait {
    // Without dispatching: the caller shows no window while the program runs.
    Blocking,
    // Dispatching the thread's messages while waiting, so that the caller's windows stay
    // answered (a progress window, a broadcast sent by the program itself).
    PumpingMessages,
};

class OvProcess
{
public:
    // Starts the command line. With an application name nothing is searched; without one
    // the first token of the command line is looked up as CreateProcessW does. Throws
    // OvWinError with failureText when the program cannot be started.
    OvProcess(const wchar_t* applicationName, OvMsiString commandLine, const wchar_t* failureText);
    OvProcess(const OvProcess&) = delete;
    OvProcess& operator=(const OvProcess&) = delete;

    // Waits until the program ends and returns its exit code. Every wait result but the
    // program's end (and, while pumping, input) is a failed wait and throws: the program
    // may still run, and its exit code would read STILL_ACTIVE.
    DWORD WaitForExitCode(OvWait wait);

private:
    // Declared in this order so that the process handle is closed first.
    OvHandle thread_;
    OvHandle process_;
};

// Starts the command line, waits and returns the exit code. Throws OvWinError.
DWORD RunProcess(const wchar_t* applicationName, const OvMsiString& commandLine, OvWait wait,
                 const wchar_t* failureText);
}  // namespace OvSetupLib
