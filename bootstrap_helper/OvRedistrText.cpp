#include "bootstrap_helper/OvRedistrText.h"

#include "setup_lib/OvStrings.h"

namespace OvBootstrapHelper
{
OvSetupLib::OvMsiString RedistrText(WORD row)
{
    OvSetupLib::OvMsiString text;
    OvSetupLib::LoadResourceString(row, text);
    return text;
}

OvSetupLib::OvMsiString RedistrErrorText(WORD row, const wchar_t* productName)
{
    OvSetupLib::OvMsiString format = RedistrText(row);
    OvSetupLib::OvMsiString text;
    text.Format(format.c_str(), productName, productName);
    return text;
}
}  // namespace OvBootstrapHelper
