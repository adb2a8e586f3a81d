// No process of the product runs: its files would be locked. The user may retry.
#pragma once

#include "bootstrap_helper/OvConditionEntity.h"

#include <vector>

namespace OvBootstrapHelper
{
// Image names of the running processes, in the system's order, without the idle and
// System processes. Throws OvWinError.
std::vector<OvSetupLib::OvMsiString> GetRunningProcessNames();

class OvConditionCheckRunningProc : public OvConditionEntity
{
public:
    OvConditionCheckRunningProc(const OvSetupLib::OvMsiString& message,
                                const std::vector<OvSetupLib::OvMsiString>& processNames);
    bool Check() override;
    OvSetupLib::OvMsiString GetMessage(const wchar_t* productName) override;
    const wchar_t* GetName() override { return L"product-processes"; }
    OvPromptKind GetPromptKind() override;

private:
    OvSetupLib::OvMsiString message;
    std::vector<OvSetupLib::OvMsiString> processNames;
};
}  // namespace OvBootstrapHelper
