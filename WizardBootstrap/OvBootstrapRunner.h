// The engine between the entry point and the checks: conditions in order, the
// missing prerequisites, one question, the installations, and the reboot.
#pragma once

#include "bootstrap_helper/OvConditionEntity.h"
#include "bootstrap_helper/OvRedistrEntity.h"

#include <functional>
#include <vector>

namespace OvWizardBootstrap
{
// Results of Run.
constexpr int kRunGoOn = 0;       // start the wizard
constexpr int kRunStop = -1;      // setup stopped
constexpr int kRunRebooting = 1;  // the platform accepted a reboot: no wizard, exit code 0

class OvBootstrapRunner
{
public:
    using Conditions = std::vector<OvBootstrapHelper::OvConditionEntity*>;
    using Redistributables = std::vector<OvBootstrapHelper::OvRedistrEntity*>;

    // offerReboot defaults to the reboot sequence (dialog, RunOnce, forced reboot).
    OvBootstrapRunner(const wchar_t* productName, Conditions conditions, Redistributables redistributables,
                      std::function<void()> offerReboot = nullptr);
    int Run();

private:
    bool CheckConditions();
    OvSetupLib::OvMsiString productName_;
    Conditions conditions_;
    Redistributables redistributables_;
    std::function<void()> offerReboot_;
};
}  // namespace OvWizardBootstrap
