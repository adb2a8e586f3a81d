// Every platform failure on the road, survived: a road is run once with its calls recorded,
// then again once per call site with that one call failing with a documented code. Every
// run must end without a crash, a leaked handle or window, or a silent success, and with
// the log line when the program logs.
#include "Scenario.h"

#include <cstdio>
#include <functional>
#include <map>
#include <set>

namespace scenario
{
namespace
{
const wchar_t kDecisions[] = L"C:\\Logs\\decisions.log";

// The code a failing call gives: what Windows documents for a refused call of that kind.
DWORD CodeFor(const std::string& function)
{
    static const std::map<std::string, DWORD> codes = {
        {"LocalAlloc", ERROR_NOT_ENOUGH_MEMORY},
        {"LocalReAlloc", ERROR_NOT_ENOUGH_MEMORY},
        {"LoadLibraryW", ERROR_MOD_NOT_FOUND},
        {"GetModuleHandleW", ERROR_MOD_NOT_FOUND},
        {"FindResourceExW", ERROR_RESOURCE_NAME_NOT_FOUND},
        {"LoadResource", ERROR_RESOURCE_NAME_NOT_FOUND},
        {"MsiOpenDatabaseW", ERROR_OPEN_FAILED},
        {"MsiEnumRelatedProductsW", ERROR_BAD_CONFIGURATION},
        {"MsiGetProductInfoW", ERROR_BAD_CONFIGURATION},
        {"NtQuerySystemInformation", 0xC0000022},  // STATUS_ACCESS_DENIED
        {"GetModuleFileNameW", ERROR_INSUFFICIENT_BUFFER},
        {"CreateProcessW", ERROR_FILE_NOT_FOUND},
    };
    auto it = codes.find(function);
    return it == codes.end() ? static_cast<DWORD>(ERROR_ACCESS_DENIED) : it->second;
}

// Failures that the program takes as an answer, and the answer that lets it go on. Those
// marked "left open" are answers of today's program that a later change may refuse.
const std::map<std::string, const char*>& Answers()
{
    static const std::map<std::string, const char*> answers = {
        {"FormatMessageW", "no system text: the log line ends after \"Error: \""},
        {"FlushFileBuffers", "a log whose flush at its close fails keeps what was written"},
        {"AllocateAndInitializeSid", "a membership query that fails is decided by the condition's own rule"},
        {"CheckTokenMembership", "a membership query that fails is decided by the condition's own rule"},
        {"CreateMutexW", "a marker that cannot be made counts as the first setup"},
        {"CloseHandle", "a handle that cannot be closed is left to the end of the process"},
        {"DestroyWindow", "a progress window that cannot be destroyed goes with the process"},
        {"CreateDialogParamW", "the installation runs without its progress window"},
        {"CreateSolidBrush", "the window is painted with the system's own background"},
        {"CreateFileW", "a settings file that cannot be opened lists no product"},
        {"GetFileAttributesW", "no redirection file beside the program is found"},
        {"GetFullPathNameW", "the program's path is taken as it was given"},
        {"GetModuleHandleW", "a system function that cannot be found is taken as absent (older Windows)"},
        {"GetLogicalProcessorInformation", "the processor count comes from NUMBER_OF_PROCESSORS"},
        {"GetVersionExW", "left open: a version query that fails is decided by the condition's rule"},
        {"IsWow64Process", "left open: after the 64-bit condition, a failed query reads the 32-bit system folder"},
        {"FindResourceExW", "left open: a text that cannot be loaded is empty"},
        {"LoadResource", "left open: a text that cannot be loaded is empty"},
        {"LocalAlloc", "left open: a security descriptor or text that cannot be allocated is done without"},
        {"RegOpenKeyExW", "left open: a .NET key that cannot be opened counts as absent, and .NET is installed"},
        {"Wow64RevertWow64FsRedirection", "left open: a failed revert is not reported by the scope's end"},
    };
    return answers;
}

// Failures after which the simulated object stays in winsim's tables although the program
// has let go of it.
bool KeepsItsObject(const std::string& function)
{
    return function == "CloseHandle" || function == "DestroyWindow";
}

struct Road {
    const char* name;
    const wchar_t* arguments;
    std::function<void()> setUp;
    int success = 0;     // the exit code of the road without faults
    bool quiet = false;  // an unattended run: no window whatever fails, and its stops speak by exit code
};

struct Outcome {
    int stopsWithLog = 0, stopsWithBox = 0, stopsWithCode = 0, stopsSilent = 0, answered = 0, notReached = 0;
};

class FaultSweep : public Scenario
{
protected:
    // The next box or dialog is answered so that the road goes on where it can; a Retry
    // is never taken, so that a run always ends.
    static void AnswerToGoOn()
    {
        M().ask = [](const winsim::UiPrompt& p) {
            if (p.dialog) return IDOK;
            switch (p.style & 0xF) {
                case MB_OKCANCEL:
                    return IDOK;
                case MB_YESNO:
                    return IDYES;
                case MB_RETRYCANCEL:
                    return IDCANCEL;
                default:
                    return IDOK;
            }
        };
    }

    // Whether the quiet roads' decision log ends with its whole exit-code line.
    static bool ClosingLineWritten()
    {
        const std::optional<std::wstring> read = Utf16Text(kDecisions);
        if (!read) return false;
        const std::wstring& text = *read;
        const std::size_t last = text.rfind(L"[STATUS ] ");
        return last != std::wstring::npos && text.compare(last, 21, L"[STATUS ] Exit code: ") == 0 &&
               text.size() >= 2 && text.compare(text.size() - 2, 2, L"\r\n") == 0;
    }

    // A fresh machine laid out for the road.
    void Prepare(const Road& road)
    {
        winsim::Reset();
        SetWizard(0);
        road.setUp();
        AnswerToGoOn();
    }

    void Sweep(const Road& road, Outcome& outcome)
    {
        std::vector<std::string> calls;
        {
            Prepare(road);
            M().recordCalls = true;
            ASSERT_EQ(RunSetup(road.arguments), road.success)
                << road.name << ": the road without faults must go through";
            calls = M().calls;
        }
        std::map<std::string, int> seen;
        for (const std::string& function : calls) {
            const int skip = seen[function]++;
            const std::string site = std::string(road.name) + ": " + function + " #" + std::to_string(skip + 1);
            Prepare(road);
            M().faults[function] = winsim::Fault{CodeFor(function), 1, skip};
            int code = 0;
            try {
                code = RunSetup(road.arguments);
            } catch (const winsim::DelayLoadFailure& e) {
                ADD_FAILURE() << site << ": the first call into " << winsim::Narrow(e.dll)
                              << " could not load it, and the process ended";
                continue;
            } catch (const std::exception& e) {
                ADD_FAILURE() << site << ": the run ended in an exception: " << e.what();
                continue;
            } catch (...) {
                ADD_FAILURE() << site << ": the run ended in an exception that nothing handles";
                continue;
            }
            if (!KeepsItsObject(function)) {
                EXPECT_EQ(M().OpenHandles(), 0) << site << ": handles left open";
                for (const auto& d : M().dialogs)
                    EXPECT_TRUE(d.modal || d.destroyed) << site << ": window " << d.templateId << " left open";
            }
            if (road.quiet) {
                EXPECT_TRUE(M().messageBoxes.empty()) << site << ": a quiet run showed a box";
                EXPECT_TRUE(M().dialogs.empty()) << site << ": a quiet run showed a window";
            }
            const bool failed = M().faults[function].remaining == 0;
            if (!failed) {
                ++outcome.notReached;
                continue;
            }
            std::optional<std::wstring> log = LogText();
            if (log) {
                EXPECT_NE(log->find(L"Catch OvWinError. ErrorCode: "), std::wstring::npos) << site;
                EXPECT_EQ(log->find(L"ErrorCode: 0 "), std::wstring::npos) << site;
            }
            if (code == road.success && road.quiet && function == "WriteFile" && !ClosingLineWritten()) {
                // The work is done: a decision log that cannot take its closing line leaves the
                // exit code as it is, rather than have a deployment tool redo a finished setup.
                ++outcome.answered;
            } else if (code == road.success) {
                EXPECT_TRUE(Answers().count(function)) << site << ": a failed call gave a silent success";
                ++outcome.answered;
            } else if (log) {
                ++outcome.stopsWithLog;
            } else if (!M().messageBoxes.empty()) {
                ++outcome.stopsWithBox;
            } else if (road.quiet && code != 0 && code != -1) {
                // A deployment tool reads the stop from its code.
                ++outcome.stopsWithCode;
            } else {
                ++outcome.stopsSilent;
                ADD_FAILURE() << site << ": stopped without a box or a log line";
            }
        }
        std::printf(
            "fault sweep, %s: %zu call sites failed in turn: %d stopped with the log line, %d stopped with a "
            "box, %d stopped with an unattended exit code, %d stopped without any, %d taken as an answer, %d not "
            "reached\n",
            road.name, calls.size(), outcome.stopsWithLog, outcome.stopsWithBox, outcome.stopsWithCode,
            outcome.stopsSilent, outcome.answered, outcome.notReached);
    }
};

TEST_F(FaultSweep, EveryFailureOnEveryRoadIsSurvived)
{
    const auto everyPrerequisiteMissing = [this] {
        auto& m = winsim::M();
        m.fileVersions[L"msi.dll"] = winsim::FileVersion{4, 0, 6001, 0, true};
        m.services[L"msiserver"].state = SERVICE_RUNNING;
        m.programs[kWusa] =
            winsim::ProgramModel{0, [](winsim::Machine& mm, const std::wstring&) {
                                     mm.fileVersions[L"msi.dll"] = winsim::FileVersion{4, 5, 6001, 22159, true};
                                     mm.services[L"msiserver"].state = SERVICE_STOPPED;
                                 }};
        WicMissing(0, true);
        DotNetMissing(3010, true);
        m.WriteFile(L"C:\\Logs\\keep.txt", "");
    };
    const Road roads[] = {
        {"main product", L"", [] {}},
        {"companion product", L"maritane", [] {}},
        {"every prerequisite missing, then a reboot", L"", everyPrerequisiteMissing},
        {"a quiet run with a decision log, every prerequisite missing",
         L"/bootstrap:quiet /bootstrap:log=C:\\Logs\\decisions.log", everyPrerequisiteMissing, 3010, true},
        {"a readiness report, every prerequisite missing",
         L"/bootstrap:check /bootstrap:report=C:\\Logs\\ready.json /bootstrap:log=C:\\Logs\\decisions.log",
         everyPrerequisiteMissing, 0, true},
    };
    for (const Road& road : roads) {
        Outcome outcome;
        Sweep(road, outcome);
        // A stop that shows nothing and logs nothing leaves the administrator with nothing.
        EXPECT_EQ(outcome.stopsSilent, 0) << road.name;
    }
}
}  // namespace
}  // namespace scenario
