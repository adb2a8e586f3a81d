#include "setup_lib/OvProcessLauncher.h"

#include "setup_lib/OvWinError.h"

namespace OvSetupLib
{
OvProcess::OvProcess(const wchar_t* applicationName, OvMsiString commandLine, const wchar_t* failureText)
{
    // CreateProcessW may write into the command line: it gets a copy of its own.
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    ThrowLastErrorIf(!CreateProcessW(applicationName, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                     &startup, &info),
                     failureText);
    thread_.Reset(info.hThread);
    process_.Reset(info.hProcess);
}

DWORD OvProcess::WaitForExitCode(OvWait wait)
{
    HANDLE handles[1] = {process_.Get()};
    for (;;) {
        const DWORD woken = wait == OvWait::PumpingMessages
                                ? MsgWaitForMultipleObjects(1, handles, FALSE, INFINITE, QS_ALLINPUT)
                                : WaitForSingleObject(process_.Get(), INFINITE);
        if (woken == WAIT_OBJECT_0) break;
        ThrowLastErrorIf(wait != OvWait::PumpingMessages || woken != WAIT_OBJECT_0 + 1, L"Failed to wait for process.");
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    DWORD exitCode = 0;
    ThrowLastErrorIf(!GetExitCodeProcess(process_.Get(), &exitCode), L"Failed to get process exit code.");
    return exitCode;
}

DWORD RunProcess(const wchar_t* applicationName, const OvMsiString& commandLine, OvWait wait,
                 const wchar_t* failureText)
{
    OvProcess process(applicationName, commandLine, failureText);
    return process.WaitForExitCode(wait);
}
}  // namespace OvSetupLib
