// The engine between the entry point and the checks: conditions in order, the
// missing prerequisites, one question, the installations, and the reboot.
#pragma once

#include "WizardBootstrap/OvBootstrapOptions.h"
#include "WizardBootstrap/OvDecisionLog.h"
#include "WizardBootstrap/OvReadinessReport.h"
#include "bootstrap_helper/OvConditionEntity.h"
#include "bootstrap_helper/OvRedistrEntity.h"

#include <functional>
#include <vector>

namespace OvWizardBootstrap
{
// Results of Run.
constexpr int kRunGoOn = 0;          // start the wizard
constexpr int kRunStop = -1;         // setup stopped
constexpr int kRunRebooting = 1;     // the platform accepted a reboot: no wizard, exit code 0
constexpr int kRunRebootNeeded = 2;  // an unattended run without restart: no wizard, no reboot

// How often an unattended run looks again for a running product process.
constexpr DWORD kRecheckMilliseconds = 5000;

// Why an unattended run stopped, for its exit code.
struct OvStopCause {
    OvBootstrapHelper::OvConditionEntity* condition = nullptr;  // the condition that stopped it
    bool byOption = false;            // the processor warning made a stop by /bootstrap:strict
    bool prerequisiteFailed = false;  // an installer ended without its prerequisite present
    bool systemError = false;         // an evaluation met an error that would stop the real run
};

class OvBootstrapRunner
{
public:
    using Conditions = std::vector<OvBootstrapHelper::OvConditionEntity*>;
    using Redistributables = std::vector<OvBootstrapHelper::OvRedistrEntity*>;

    // offerReboot defaults to the reboot sequence (dialog, RunOnce, forced reboot).
    OvBootstrapRunner(const wchar_t* productName, Conditions conditions, Redistributables redistributables,
                      std::function<void()> offerReboot = nullptr);
    // Options of an unattended run and the decision log; an interactive run without
    // options needs neither. requestReboot is the reboot without its dialog.
    void SetOptions(const OvBootstrapOptions& options, OvDecisionLog* log, std::function<void()> requestReboot);
    int Run();
    // Evaluates every condition and detects every prerequisite; changes nothing.
    OvReadiness Evaluate();
    const OvStopCause& GetStopCause() const { return stopCause_; }

private:
    bool CheckConditions();
    bool AnswerUnattended(OvBootstrapHelper::OvConditionEntity* condition, const OvBootstrapHelper::OvPromptKind& kind,
                          DWORD& waited);
    void Log(const OvSetupLib::OvMsiString& line);
    bool CheckAndLog(OvBootstrapHelper::OvConditionEntity* condition);
    // Detects and logs; the version found is read when it is logged or foundVersion asks for it.
    bool DetectAndLog(OvBootstrapHelper::OvRedistrEntity* redistributable,
                      OvSetupLib::OvMsiString* foundVersion = nullptr);
    void Reboot();

    OvSetupLib::OvMsiString productName_;
    Conditions conditions_;
    Redistributables redistributables_;
    std::function<void()> offerReboot_;
    std::function<void()> requestReboot_;
    OvBootstrapOptions options_;
    OvDecisionLog* log_ = nullptr;
    OvStopCause stopCause_;
};
}  // namespace OvWizardBootstrap
