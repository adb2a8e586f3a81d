#include "bootstrap_helper/OvConditionUserAdmin.h"

#include "setup_lib/OvAdministratorsMembership.h"
#include "setup_lib/OvStrings.h"

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
    OvSetupLib::OvMsiString text;
    OvSetupLib::LoadResourceString(502, text);
    OvSetupLib::OvMsiString message;
    message.Format(text.c_str(), productName ? productName : L"");
    return message;
}
}  // namespace OvBootstrapHelper
