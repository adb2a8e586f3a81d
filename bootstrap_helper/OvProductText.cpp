#include "bootstrap_helper/OvProductText.h"

#include "setup_lib/OvStrings.h"

namespace OvBootstrapHelper
{
OvSetupLib::OvMsiString ProductText(WORD row, const wchar_t* productName)
{
    const wchar_t* name = productName != nullptr ? productName : L"";
    return OvSetupLib::FormatResourceString(row, name, name);
}
}  // namespace OvBootstrapHelper
