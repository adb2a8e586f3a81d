#include "bootstrap_helper/OvConditionUserAdmin.h"

#include "bootstrap_helper/OvProductText.h"
#include "setup_lib/OvAdministratorsMembership.h"

namespace OvBootstrapHelper
{
bool OvConditionUserAdmin::Check()
{
    // A membership that cannot be confirmed is not taken for one: the box says what is
    // required, rather than the installers failing later without it.
    const OvSetupLib::OvMembership membership = OvSetupLib::QueryAdministratorsMembership();
    ClearValues();
    Note(L"administrators-member", membership == OvSetupLib::OvMembership::Met      ? L"yes"
                                   : membership == OvSetupLib::OvMembership::NotMet ? L"no"
                                                                                    : L"unknown");
    return membership == OvSetupLib::OvMembership::Met;
}

OvSetupLib::OvMsiString OvConditionUserAdmin::GetMessage(const wchar_t* productName)
{
    return ProductText(502, productName);
}
}  // namespace OvBootstrapHelper
