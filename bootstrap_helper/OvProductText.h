// The texts of the boxes that stop setup, as the conditions and the prerequisites show them.
#pragma once

#include "setup_lib/OvMsiString.h"

namespace OvBootstrapHelper
{
// The row filled in with the product name for each of its "%s" (none, one or two; an
// absent name is empty).
OvSetupLib::OvMsiString ProductText(WORD row, const wchar_t* productName);
}  // namespace OvBootstrapHelper
