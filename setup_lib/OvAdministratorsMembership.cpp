#include "setup_lib/OvAdministratorsMembership.h"

namespace OvSetupLib
{
OvMembership QueryAdministratorsMembership()
{
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0,
                                  0, &administrators)) {
        return OvMembership::Unknown;
    }
    BOOL isMember = FALSE;
    BOOL asked = CheckTokenMembership(nullptr, administrators, &isMember);
    FreeSid(administrators);
    if (!asked) return OvMembership::Unknown;
    return isMember ? OvMembership::Met : OvMembership::NotMet;
}
}  // namespace OvSetupLib
