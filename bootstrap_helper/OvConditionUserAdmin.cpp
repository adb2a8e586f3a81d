#include "bootstrap_helper/OvConditionUserAdmin.h"

#include "setup_lib/OvStrings.h"

namespace OvBootstrapHelper
{
bool OvConditionUserAdmin::Check()
{
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    // Without the group's identifier nothing can be asked; setup is not held up by it.
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0,
                                  0, &administrators)) {
        return true;
    }
    BOOL isMember = FALSE;
    bool met = CheckTokenMembership(nullptr, administrators, &isMember) && isMember;
    FreeSid(administrators);
    return met;
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
