// A 64-bit Windows: the 32-bit program runs under WOW64.
#pragma once

#include "bootstrap_helper/OvConditionEntity.h"

namespace OvBootstrapHelper
{
class OvConditionOS64Bit : public OvConditionEntity
{
public:
    OvConditionOS64Bit() = default;
    bool Check() override;
    OvSetupLib::OvMsiString GetMessage(const wchar_t* productName) override;
    const wchar_t* GetName() override { return L"64-bit-windows"; }
};
}  // namespace OvBootstrapHelper
