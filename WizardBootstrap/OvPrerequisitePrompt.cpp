#include "WizardBootstrap/OvPrerequisitePrompt.h"

#include "WizardBootstrap/OvBoxStyles.h"
#include "setup_lib/OvStrings.h"

namespace OvWizardBootstrap
{
using OvSetupLib::FormatResourceString;
using OvSetupLib::LoadResourceString;
using OvSetupLib::OvMsiString;

namespace
{
const wchar_t kBullet[] = L"     -";
}

OvPrerequisitePrompt::OvPrerequisitePrompt(const wchar_t* caption, const wchar_t* productName)
    : caption_(caption), productName_(productName), bullet_(kBullet)
{}

OvMsiString OvPrerequisitePrompt::Compose(const std::vector<OvMsiString>& names) const
{
    if (names.size() == 1) return FormatResourceString(511, names[0].c_str(), productName_.c_str());
    OvMsiString text = FormatResourceString(508, productName_.c_str());
    for (const auto& name : names)
        text += OvMsiString(bullet_) + name + L"\n";
    text += LoadResourceString(509);
    return text;
}

int OvPrerequisitePrompt::Show(std::vector<OvMsiString> names) const
{
    return MessageBoxW(nullptr, Compose(names).c_str(), caption_.c_str(), kStylePrerequisites);
}
}  // namespace OvWizardBootstrap
