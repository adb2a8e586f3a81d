#include "WizardBootstrap/OvBootstrapRunner.h"

#include "WizardBootstrap/OvBoxStyles.h"
#include "WizardBootstrap/OvPrerequisitePrompt.h"
#include "WizardBootstrap/OvReboot.h"
#include "setup_lib/OvStrings.h"
#include "setup_lib/OvWinError.h"

namespace OvWizardBootstrap
{
using OvBootstrapHelper::OvConditionEntity;
using OvBootstrapHelper::OvPromptKind;
using OvBootstrapHelper::OvRedistrEntity;
using OvSetupLib::NumberText;
using OvSetupLib::OvMsiString;

OvBootstrapRunner::OvBootstrapRunner(const wchar_t* productName, Conditions conditions,
                                     Redistributables redistributables, std::function<void()> offerReboot)
    : productName_(productName),
      conditions_(std::move(conditions)),
      redistributables_(std::move(redistributables)),
      offerReboot_(offerReboot ? std::move(offerReboot) : std::function<void()>(&OfferReboot)),
      requestReboot_(&RequestReboot)
{}

void OvBootstrapRunner::SetOptions(const OvBootstrapOptions& options, OvDecisionLog* log,
                                   std::function<void()> requestReboot)
{
    options_ = options;
    log_ = log;
    if (requestReboot) requestReboot_ = std::move(requestReboot);
}

void OvBootstrapRunner::Log(const OvMsiString& line)
{
    if (log_ != nullptr) log_->Line(line);
}

bool OvBootstrapRunner::CheckAndLog(OvConditionEntity* condition)
{
    const bool met = condition->Check();
    const OvMsiString values = OvDecisionLog::Values(condition->GetValues());
    Log(OvMsiString(L"Condition ") + condition->GetName() + (met ? L": met" : L": not met") +
        (values.empty() ? OvMsiString() : L" (" + values + L")"));
    return met;
}

bool OvBootstrapRunner::DetectAndLog(OvRedistrEntity* redistributable, OvMsiString* foundVersion)
{
    const bool present = redistributable->IsInstalled();
    const bool logged = log_ != nullptr && log_->IsOn();
    // The version is read only for someone who will see it: a run that reports nothing reads nothing more.
    if (!logged && foundVersion == nullptr) return present;
    const OvMsiString version = redistributable->GetFoundVersion();
    if (foundVersion != nullptr) *foundVersion = version;
    Log(OvMsiString(L"Prerequisite ") + redistributable->GetDisplayName() + L" detected" +
        (present ? L": present" : L": missing") + (version.empty() ? OvMsiString() : L" (version " + version + L")"));
    return present;
}

bool OvBootstrapRunner::AnswerUnattended(OvConditionEntity* condition, const OvPromptKind& kind, DWORD& waited)
{
    if (kind.yesNo) {
        if (options_.strict) {
            Log(L"Answer: No (/bootstrap:strict)");
            stopCause_.byOption = true;
            return false;
        }
        Log(L"Answer: Yes (unattended)");
        return true;
    }
    stopCause_.condition = condition;
    if (kind.retryCancel && waited < options_.waitSeconds * 1000) {
        const DWORD left = options_.waitSeconds * 1000 - waited;
        const DWORD step = left < kRecheckMilliseconds ? left : kRecheckMilliseconds;
        Log(L"Answer: Retry in " + NumberText(step) + L" ms (/bootstrap:wait=" + NumberText(options_.waitSeconds) +
            L")");
        Sleep(step);
        waited += step;
        return true;
    }
    Log(kind.retryCancel ? L"Answer: Cancel (unattended)" : L"Setup stops.");
    return false;
}

bool OvBootstrapRunner::CheckConditions()
{
    for (auto* condition : conditions_) {
        const OvPromptKind kind = condition->GetPromptKind();
        DWORD waited = 0;
        while (!CheckAndLog(condition)) {
            const OvMsiString message = condition->GetMessage(productName_.c_str());
            Log(L"Message: " + message);
            if (options_.quiet) {
                if (!AnswerUnattended(condition, kind, waited)) return false;
                stopCause_ = OvStopCause{};
                if (kind.yesNo) break;
                continue;
            }
            if (kind.yesNo) {
                const bool yes = MessageBoxW(nullptr, message.c_str(), productName_.c_str(), kStyleYesNo) == IDYES;
                Log(yes ? L"Answer: Yes" : L"Answer: No");
                if (yes) break;
                return false;
            }
            if (kind.retryCancel) {
                const bool retry =
                    MessageBoxW(nullptr, message.c_str(), productName_.c_str(), kStyleRetryCancel) == IDRETRY;
                Log(retry ? L"Answer: Retry" : L"Answer: Cancel");
                if (retry) continue;
                return false;
            }
            MessageBoxW(nullptr, message.c_str(), productName_.c_str(), kStyleStop);
            return false;
        }
    }
    return true;
}

void OvBootstrapRunner::Reboot()
{
    if (!options_.quiet) {
        Log(L"Reboot: needed; offered");
        offerReboot_();
        return;
    }
    if (!options_.restart) {
        Log(L"Reboot: needed; not started without /bootstrap:restart");
        return;
    }
    Log(L"Reboot: needed; requested");
    requestReboot_();
}

int OvBootstrapRunner::Run()
{
    stopCause_ = OvStopCause{};
    int result = kRunGoOn;
    if (!CheckConditions()) return kRunStop;

    std::vector<OvMsiString> missing;
    for (auto* redistributable : redistributables_) {
        if (!DetectAndLog(redistributable)) missing.push_back(redistributable->GetDisplayName());
    }
    if (missing.empty()) return result;
    if (options_.quiet) {
        Log(L"Answer to the prerequisite question: OK (unattended)");
    } else {
        const OvPrerequisitePrompt prompt(productName_.c_str(), productName_.c_str());
        const bool ok = prompt.Show(missing) == IDOK;
        Log(ok ? L"Answer to the prerequisite question: OK" : L"Answer to the prerequisite question: Cancel");
        if (!ok) return kRunStop;
    }

    bool rebootNeeded = false;
    for (auto* redistributable : redistributables_) {
        bool reboot = false;
        bool installed = false;
        redistributable->SetProgressWindowShown(!options_.quiet);
        try {
            installed = redistributable->Install(&reboot);
        } catch (const OvSetupLib::OvWinError&) {
            // A reboot that an installer asked for, this one before its error or an earlier
            // one, is still needed: it is offered before the error ends setup.
            if (rebootNeeded || reboot) Reboot();
            throw;
        }
        const OvBootstrapHelper::OvInstallRecord& record = redistributable->GetLastInstall();
        if (record.ran) {
            Log(L"Installer of " + redistributable->GetDisplayName() + L": " + record.commandLine);
            Log(L"Installer of " + redistributable->GetDisplayName() + L" ended: exit code " +
                NumberText(record.exitCode) + L" after " + NumberText(record.milliseconds) + L" ms");
            Log(L"Prerequisite " + redistributable->GetDisplayName() + L" after installation: " +
                (installed ? L"present" : L"missing"));
        }
        if (installed) {
            rebootNeeded = rebootNeeded || reboot;
            continue;
        }
        // Its installer asked for the reboot that completes it (the Windows Installer update
        // keeps the old library until then): it is detected by the run after the reboot,
        // and the prerequisites after it wait for that run too.
        if (reboot) {
            rebootNeeded = true;
            break;
        }
        const OvMsiString message = redistributable->GetErrorMessage(productName_.c_str());
        Log(L"Message: " + message);
        stopCause_.prerequisiteFailed = true;
        if (!options_.quiet) MessageBoxW(nullptr, message.c_str(), productName_.c_str(), kStyleStop);
        result = kRunStop;
        break;
    }
    if (rebootNeeded) {
        Reboot();
        // The machine is going down: setup goes on after the reboot, not now.
        if (result == kRunGoOn) result = options_.quiet && !options_.restart ? kRunRebootNeeded : kRunRebooting;
    }
    return result;
}

OvReadiness OvBootstrapRunner::Evaluate()
{
    stopCause_ = OvStopCause{};
    OvReadiness readiness;
    readiness.product = productName_;
    readiness.rebootPending = IsRebootPending();
    Log(readiness.rebootPending ? L"Reboot pending: yes" : L"Reboot pending: no");
    bool stopped = false;
    for (auto* condition : conditions_) {
        OvConditionReport report;
        report.name = condition->GetName();
        report.met = CheckAndLog(condition);
        condition->Release();
        report.values = condition->GetValues();
        if (!report.met) {
            report.message = condition->GetMessage(productName_.c_str());
            const OvPromptKind kind = condition->GetPromptKind();
            // The processor warning stops only a strict run.
            if (!stopped && (!kind.yesNo || options_.strict)) {
                stopped = true;
                stopCause_.condition = kind.yesNo ? nullptr : condition;
                stopCause_.byOption = kind.yesNo;
            }
        }
        readiness.conditions.push_back(report);
    }
    for (auto* redistributable : redistributables_) {
        OvPrerequisiteReport report;
        report.name = redistributable->GetDisplayName();
        report.present = DetectAndLog(redistributable, &report.version);
        if (!report.present) {
            try {
                report.command = redistributable->GetInstallCommand();
            } catch (const OvSetupLib::OvWinError& error) {
                // The real run would stop here with this error, unless a condition stops it first.
                report.commandError = error.ErrorCode();
                Log(L"Prerequisite " + report.name + L": no installer command, error " + NumberText(error.ErrorCode()));
                if (!stopped) {
                    stopped = true;
                    stopCause_.systemError = true;
                }
            }
        }
        readiness.prerequisites.push_back(report);
    }
    return readiness;
}
}  // namespace OvWizardBootstrap
