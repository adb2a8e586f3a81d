// Local administrator rights: the effective token is a member of the Administrators group.
#pragma once

#include "bootstrap_helper/OvConditionEntity.h"

namespace OvBootstrapHelper
{
class OvConditionUserAdmin : public OvConditionEntity
{
public:
    OvConditionUserAdmin() = default;
    bool Check() override;
    OvSetupLib::OvMsiString GetMessage(const wchar_t* productName) override;
    const wchar_t* GetName() override { return L"administrator"; }
};
}  // namespace OvBootstrapHelper
