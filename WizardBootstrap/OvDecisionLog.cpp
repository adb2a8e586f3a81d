#include "WizardBootstrap/OvDecisionLog.h"

namespace OvWizardBootstrap
{
using OvSetupLib::OvMsiString;

OvDecisionLog::OvDecisionLog(const OvMsiString& path) : file_(new OvSetupLib::OvLogFile(path.c_str())) {}

void OvDecisionLog::Line(const OvMsiString& text)
{
    if (!file_) return;
    *file_ << OvSetupLib::OvLogLevel::Status << text << L"\r\n";
}

OvMsiString OvDecisionLog::Values(const std::vector<OvBootstrapHelper::OvConditionValue>& values)
{
    OvMsiString text;
    for (const auto& value : values) {
        if (!text.empty()) text += L", ";
        text += value.name + L"=" + value.value;
    }
    return text;
}
}  // namespace OvWizardBootstrap
