#include "bootstrap_helper/OvConditionOS64Bit.h"

#include "setup_lib/OvRedirectionDisabler.h"
#include "setup_lib/OvStrings.h"

namespace OvBootstrapHelper
{
bool OvConditionOS64Bit::Check()
{
    const bool met = OvSetupLib::RunsOn64BitWindows();
    ClearValues();
    Note(L"64-bit", met ? L"yes" : L"no");
    return met;
}

OvSetupLib::OvMsiString OvConditionOS64Bit::GetMessage(const wchar_t* productName)
{
    OvSetupLib::OvMsiString text;
    OvSetupLib::LoadResourceString(505, text);
    OvSetupLib::OvMsiString message;
    message.Format(text.c_str(), productName ? productName : L"");
    return message;
}
}  // namespace OvBootstrapHelper
