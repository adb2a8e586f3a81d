// Enough processors for acceptable performance; the user may go on regardless.
#pragma once

#include "bootstrap_helper/OvConditionEntity.h"

namespace OvBootstrapHelper
{
// Logical processors that belong to cores (halved when a core runs more than two),
// else the environment's count; 0 when no count can be had.
DWORD CountProcessors();

class OvConditionCheckCoreNumber : public OvConditionEntity
{
public:
    OvConditionCheckCoreNumber(DWORD minimum, const OvSetupLib::OvMsiString& message);
    bool Check() override;
    OvSetupLib::OvMsiString GetMessage(const wchar_t* productName) override;
    const wchar_t* GetName() override { return L"processor-cores"; }
    OvPromptKind GetPromptKind() override;

private:
    DWORD minimum;
    OvSetupLib::OvMsiString message;
};
}  // namespace OvBootstrapHelper
