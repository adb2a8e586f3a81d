#include "setup_lib/OvAdministratorsMembership.h"

#include "setup_lib/OvSmartHandle.h"

namespace OvSetupLib
{
OvMembership QueryAdministratorsMembership()
{
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    OvSid administrators;
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0,
                                  0, administrators.Receive())) {
        return OvMembership::Unknown;
    }
    BOOL isMember = FALSE;
    if (!CheckTokenMembership(nullptr, administrators.Get(), &isMember)) return OvMembership::Unknown;
    return isMember ? OvMembership::Met : OvMembership::NotMet;
}
}  // namespace OvSetupLib
