// The decision log asked for on the command line: what each check read and decided,
// each answer, each installer run, the reboot and the wizard. Lines are written as the
// run goes, so a run that dies leaves what happened up to then.
#pragma once

#include "bootstrap_helper/OvConditionEntity.h"
#include "setup_lib/OvLogFile.h"

#include <memory>

namespace OvWizardBootstrap
{
class OvDecisionLog
{
public:
    // Writes nothing.
    OvDecisionLog() = default;
    // The same encoding and line head as the error log. The file is opened by the first line.
    explicit OvDecisionLog(const OvSetupLib::OvMsiString& path);

    bool IsOn() const { return file_ != nullptr; }
    // Throws OvWinError when the file cannot be opened or written.
    void Line(const OvSetupLib::OvMsiString& text);

    // "name=value, name=value".
    static OvSetupLib::OvMsiString Values(const std::vector<OvBootstrapHelper::OvConditionValue>& values);

private:
    std::unique_ptr<OvSetupLib::OvLogFile> file_;
};
}  // namespace OvWizardBootstrap
