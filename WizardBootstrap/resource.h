// Identifiers of the program's resources. The progress windows' ones belong to the
// prerequisites, which show them.
#pragma once

#include "bootstrap_helper/OvRedistrResources.h"

#define IDI_SETUP 107
#define IDD_REBOOT 702
