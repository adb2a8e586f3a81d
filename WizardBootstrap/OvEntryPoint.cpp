#include "WizardBootstrap/OvEntryPoint.h"

#include "WizardBootstrap/OvBootstrapOptions.h"
#include "WizardBootstrap/OvBootstrapRunner.h"
#include "WizardBootstrap/OvBoxStyles.h"
#include "WizardBootstrap/OvDecisionLog.h"
#include "WizardBootstrap/OvExitCodes.h"
#include "WizardBootstrap/OvProcessProtection.h"
#include "WizardBootstrap/OvWizardLaunch.h"
#include "bootstrap_helper/OvConditionCheckCoreNumber.h"
#include "bootstrap_helper/OvConditionCheckMutex.h"
#include "bootstrap_helper/OvConditionCheckRunningProc.h"
#include "bootstrap_helper/OvConditionInstalledProducts.h"
#include "bootstrap_helper/OvConditionOS64Bit.h"
#include "bootstrap_helper/OvConditionOSVersion.h"
#include "bootstrap_helper/OvConditionSingleProductDetector.h"
#include "bootstrap_helper/OvConditionUserAdmin.h"
#include "bootstrap_helper/OvRedistrDotNet.h"
#include "bootstrap_helper/OvRedistrInstall.h"
#include "bootstrap_helper/OvRedistrLogs.h"
#include "bootstrap_helper/OvRedistrWI45.h"
#include "bootstrap_helper/OvRedistrWIC.h"
#include "setup_lib/OvLogFile.h"
#include "setup_lib/OvSetupTempFolder.h"
#include "setup_lib/OvStrings.h"
#include "setup_lib/OvWinError.h"

#include <optional>
#include <vector>

namespace OvWizardBootstrap
{
using namespace OvBootstrapHelper;
using namespace OvSetupLib;

namespace
{
const wchar_t kCompanionSelector[] = L"maritane";
const wchar_t kLogFileName[] = L"StowenBootstrap.log";

// The one line that the system writes: the code and the system's text for it.
void LogError(OvLogFile& log, const OvWinError& error)
{
    try {
        log << OvLogLevel::Error << L"Catch OvWinError. ErrorCode: " << error.ErrorCode() << L" Error: ";
        try {
            log << OvMsiString(error);
        } catch (const OvWinError&) {
            // No text for this code: the line ends after "Error: ".
        }
        log << L"\r\n";
    } catch (const OvWinError&) {
        // The log itself cannot be written; the result stays -1.
    }
}

// Without its folder setup has no log: the administrator is told which folder and why.
void ShowFolderFailure(const OvMsiString& productName, const OvWinError& error)
{
    OvMsiString reason;
    try {
        reason = OvMsiString(error);
    } catch (const OvWinError&) {
        // No text for this code: the box names the folder only.
    }
    const OvMsiString text = FormatResourceString(519, error.Message().c_str(), reason.c_str());
    MessageBoxW(nullptr, text.c_str(), productName.c_str(), kStyleStop);
}
// Check runs leave the temp folder as they find it, and every run after them in the
// same process (a test's) makes it again.
class TempFolderMode
{
public:
    explicit TempFolderMode(bool leaveUnmade) { LeaveSetupTempFolderUnmade(leaveUnmade); }
    TempFolderMode(const TempFolderMode&) = delete;
    TempFolderMode& operator=(const TempFolderMode&) = delete;
    ~TempFolderMode() { LeaveSetupTempFolderUnmade(false); }
};

// A check run leaves the temp folder unmade, but its system error is still logged where
// every run logs one.
void MakeFolderForErrorLog()
{
    LeaveSetupTempFolderUnmade(false);
    try {
        GetSetupTempFolder({kLogFileName});
    } catch (const OvWinError&) {
        // No folder, no log: the exit code still tells.
    }
}

// The decision log's last word, then the code the process ends with.
int Finish(OvDecisionLog& decisions, OvLogFile& log, const OvBootstrapOptions& options, int interactive,
           DWORD unattended)
{
    const int code = options.Unattended() ? static_cast<int>(unattended) : interactive;
    try {
        decisions.Line(L"Exit code: " + (code < 0 ? OvMsiString(L"-") + NumberText(static_cast<DWORD>(-code))
                                                  : NumberText(static_cast<DWORD>(code))));
    } catch (const OvWinError& error) {
        LogError(log, error);
    }
    return code;
}

void ShowBadOption(const OvMsiString& productName, const OvMsiString& option)
{
    const OvMsiString text = FormatResourceString(520, option.c_str());
    MessageBoxW(nullptr, text.c_str(), productName.c_str(), kStyleStop);
}
}  // namespace

int RunSetup(HINSTANCE instance, const wchar_t* commandLine)
{
    const OvCommandLine parsed = ReadCommandLine(commandLine);
    const OvBootstrapOptions& options = parsed.options;
    const TempFolderMode tempFolderMode(options.check);

    OvMsiString logPath;
    std::optional<OvWinError> folderFailure;
    try {
        // The installers' logs are checked here too, before anything runs.
        logPath = GetSetupTempFolder({kLogFileName, kWI45LogName, kWICLogName, kDotNetLogName}) + L"\\" + kLogFileName;
    } catch (const OvWinError& error) {
        folderFailure = error;
    }
    OvLogFile log(logPath.c_str());
    OvDecisionLog decisions;

    // Refused before any window or other DLL load: a redirected or overlong program path,
    // or a redistributables folder that could not be computed at start.
    if (DWORD refused = CheckProgramFile()) {
        if (!folderFailure) LogError(log, OvWinError(refused));
        return Finish(decisions, log, options, kRunStop, kExitSystemError);
    }

    const std::vector<OvMsiString>& tokens = parsed.tokens;
    // An empty command line selects the main product.
    const bool companion = !tokens.empty() && tokens[0].CompareIgnoreCase(kCompanionSelector) == 0;

    const OvMsiString settingsFileName = LoadResourceString(companion ? 111 : 110);
    const OvMsiString productName = LoadResourceString(companion ? 108 : 102);

    if (!parsed.badOption.empty()) {
        if (!options.Unattended()) ShowBadOption(productName, parsed.badOption);
        return Finish(decisions, log, options, kRunStop, kExitBadCommandLine);
    }
    if (!options.logPath.empty()) {
        decisions = OvDecisionLog(options.logPath);
        try {
            decisions.Line(OvMsiString(L"Command line: ") + (commandLine != nullptr ? commandLine : L""));
        } catch (const OvWinError& error) {
            // A log that was asked for and cannot be written stops the run before it changes anything.
            LogError(log, error);
            decisions = OvDecisionLog();
            return Finish(decisions, log, options, kRunStop, kExitSystemError);
        }
    }

    if (folderFailure) {
        if (!options.Unattended()) ShowFolderFailure(productName, *folderFailure);
        try {
            decisions.Line(L"Setup cannot create or use its folder " + folderFailure->Message() + L": error " +
                           NumberText(folderFailure->ErrorCode()));
        } catch (const OvWinError&) {
            // The exit code still tells.
        }
        return Finish(decisions, log, options, kRunStop, kExitSystemError);
    }
    try {
        GetRedistrFolder();
    } catch (const OvWinError& error) {
        LogError(log, error);
        return Finish(decisions, log, options, kRunStop, kExitSystemError);
    }

    const OvMsiString firstInstanceName = LoadResourceString(105), secondInstanceName = LoadResourceString(106);
    const OvMsiString companionFirstText = LoadResourceString(112), coreCountText = LoadResourceString(114),
                      runningProcessText = LoadResourceString(115);

    OvConditionCheckMutex singleInstance(firstInstanceName.c_str(), secondInstanceName.c_str(), instance);
    OvConditionUserAdmin userAdmin;
    OvConditionOS64Bit os64Bit;
    OvConditionOSVersion osVersion(6, 0, std::vector<OvExcludedOSVersion>{{6, 0, false}});
    OvConditionCheckCoreNumber coreNumber(2, coreCountText);
    OvConditionInstalledProducts installedProducts(settingsFileName);
    OvConditionSingleProductDetector companionFirst(
        std::vector<OvMsiString>{L"{5B1E2C47-8D3A-4F61-9C2B-7A4E0D9F1C36}", L"{C3A9F051-2E7B-4D88-B146-6F02E8D5A7B9}"},
        companionFirstText, settingsFileName);
    OvConditionCheckRunningProc runningProcesses(
        runningProcessText,
        std::vector<OvMsiString>{L"Orvale.Core.Manager.exe", L"Orvale.Core.Shell.exe", L"OrvaleAgent.exe",
                                 L"Orvale.Mail.Explorer.exe", L"Orvale.Docs.Explorer.exe"});
    OvRedistrWI45 windowsInstaller;
    OvRedistrWIC imagingComponent;
    OvRedistrDotNet dotNetFramework;

    OvBootstrapRunner::Conditions conditions;
    if (companion) {
        conditions = {&singleInstance, &userAdmin, &os64Bit, &osVersion, &installedProducts};
    } else {
        conditions = {&singleInstance, &userAdmin,         &os64Bit,        &osVersion,
                      &coreNumber,     &installedProducts, &companionFirst, &runningProcesses};
    }
    const OvBootstrapRunner::Redistributables redistributables = {&windowsInstaller, &imagingComponent,
                                                                  &dotNetFramework};

    int result = kRunStop;
    OvBootstrapRunner runner(productName.c_str(), conditions, redistributables);
    runner.SetOptions(options, &decisions, nullptr);
    try {
        if (options.check) {
            OvReadiness readiness = runner.Evaluate();
            readiness.exitCode = StopExitCode(runner.GetStopCause());
            if (!options.reportPath.empty()) WriteReadinessReport(options.reportPath, readiness);
            return Finish(decisions, log, options, kRunStop, readiness.exitCode);
        }
        result = runner.Run();
    } catch (const OvWinError& error) {
        if (options.check) MakeFolderForErrorLog();
        LogError(log, error);
        return Finish(decisions, log, options, kRunStop, kExitSystemError);
    }
    if (result == kRunRebooting) return Finish(decisions, log, options, 0, kExitRebootStarted);
    if (result == kRunRebootNeeded) return Finish(decisions, log, options, 0, kExitRebootNeeded);
    if (result != kRunGoOn) {
        const DWORD code = StopExitCode(runner.GetStopCause());
        // A stop is never reported as done.
        return Finish(decisions, log, options, kRunStop, code == kExitDone ? kExitSystemError : code);
    }

    OvMsiString argumentText = settingsFileName;
    if (tokens.size() == 2) argumentText += OvMsiString(L" ") + tokens[1];
    DWORD wizardExitCode = 0;
    try {
        const OvMsiString wizardPath = WizardPath();
        decisions.Line(L"Wizard: " + QuotedCommandLine(wizardPath.c_str(), argumentText.c_str()));
        wizardExitCode = RunAndWait(wizardPath.c_str(), argumentText.c_str());
        decisions.Line(L"Wizard ended: exit code " + NumberText(wizardExitCode));
    } catch (const OvWinError& error) {
        // A wizard that cannot be started is a failed setup, not a success.
        LogError(log, error);
        return Finish(decisions, log, options, kRunStop, kExitSystemError);
    }
    return Finish(decisions, log, options, 0, wizardExitCode);
}
}  // namespace OvWizardBootstrap
