#include "bootstrap_helper/OvConditionOS64Bit.h"

#include "bootstrap_helper/OvProductText.h"
#include "setup_lib/OvRedirectionDisabler.h"

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
    return ProductText(505, productName);
}
}  // namespace OvBootstrapHelper
