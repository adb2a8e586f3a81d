// The one question that names every missing prerequisite.
#pragma once

#include "setup_lib/OvMsiString.h"

#include <vector>

namespace OvWizardBootstrap
{
class OvPrerequisitePrompt
{
public:
    OvPrerequisitePrompt(const wchar_t* caption, const wchar_t* productName);
    // The text of the question for these names, in list order.
    OvSetupLib::OvMsiString Compose(const std::vector<OvSetupLib::OvMsiString>& names) const;
    // Shows the question (OK/Cancel); returns the box's result.
    int Show(std::vector<OvSetupLib::OvMsiString> names) const;

private:
    OvSetupLib::OvMsiString caption_;
    OvSetupLib::OvMsiString productName_;
    const wchar_t* bullet_;
};
}  // namespace OvWizardBootstrap
