// String-table texts of the redistributables.
#pragma once

#include "setup_lib/OvMsiString.h"

namespace OvBootstrapHelper
{
OvSetupLib::OvMsiString RedistrText(WORD row);
// The row formatted with the product name for both of its "%s".
OvSetupLib::OvMsiString RedistrErrorText(WORD row, const wchar_t* productName);
}  // namespace OvBootstrapHelper
