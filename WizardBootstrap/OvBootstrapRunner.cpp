#include "WizardBootstrap/OvBootstrapRunner.h"

#include "WizardBootstrap/OvBoxStyles.h"
#include "WizardBootstrap/OvPrerequisitePrompt.h"
#include "WizardBootstrap/OvReboot.h"
#include "setup_lib/OvWinError.h"

namespace OvWizardBootstrap
{
using OvSetupLib::OvMsiString;

OvBootstrapRunner::OvBootstrapRunner(const wchar_t* productName, Conditions conditions,
                                     Redistributables redistributables, std::function<void()> offerReboot)
    : productName_(productName),
      conditions_(std::move(conditions)),
      redistributables_(std::move(redistributables)),
      offerReboot_(offerReboot ? std::move(offerReboot) : std::function<void()>(&OfferReboot))
{}

bool OvBootstrapRunner::CheckConditions()
{
    for (auto* condition : conditions_) {
        const OvBootstrapHelper::OvPromptKind kind = condition->GetPromptKind();
        while (!condition->Check()) {
            const OvMsiString message = condition->GetMessage(productName_.c_str());
            if (kind.yesNo) {
                if (MessageBoxW(nullptr, message.c_str(), productName_.c_str(), kStyleYesNo) == IDYES) break;
                return false;
            }
            if (kind.retryCancel) {
                if (MessageBoxW(nullptr, message.c_str(), productName_.c_str(), kStyleRetryCancel) == IDRETRY) continue;
                return false;
            }
            MessageBoxW(nullptr, message.c_str(), productName_.c_str(), kStyleStop);
            return false;
        }
    }
    return true;
}

int OvBootstrapRunner::Run()
{
    const OvPrerequisitePrompt prompt(productName_.c_str(), productName_.c_str());
    int result = kRunGoOn;
    if (!CheckConditions()) return kRunStop;

    std::vector<OvMsiString> missing;
    for (auto* redistributable : redistributables_) {
        if (!redistributable->IsInstalled()) missing.push_back(redistributable->GetDisplayName());
    }
    if (missing.empty()) return result;
    if (prompt.Show(missing) != IDOK) return kRunStop;

    bool rebootNeeded = false;
    for (auto* redistributable : redistributables_) {
        bool reboot = false;
        bool installed = false;
        try {
            installed = redistributable->Install(&reboot);
        } catch (const OvSetupLib::OvWinError&) {
            // A reboot that an installer asked for, this one before its error or an earlier
            // one, is still needed: it is offered before the error ends setup.
            if (rebootNeeded || reboot) offerReboot_();
            throw;
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
        MessageBoxW(nullptr, message.c_str(), productName_.c_str(), kStyleStop);
        result = kRunStop;
        break;
    }
    if (rebootNeeded) {
        offerReboot_();
        // The machine is going down: setup goes on after the reboot, not now.
        if (result == kRunGoOn) result = kRunRebooting;
    }
    return result;
}
}  // namespace OvWizardBootstrap
