// Whether this process holds the local Administrators group, asked in one place.
#pragma once

#include "setup_lib/OvPlatform.h"

namespace OvSetupLib
{
enum class OvMembership {
    Met,
    NotMet,
    // The group's identifier could not be built or the token could not be asked: each
    // caller decides what that means for it.
    Unknown,
};

OvMembership QueryAdministratorsMembership();
}  // namespace OvSetupLib
