#include "bootstrap_helper/OvConditionOS64Bit.h"

#include "bootstrap_helper/OvProductText.h"
#include "setup_lib/OvRedirectionDisabler.h"

namespace OvBootstrapHelper
{
bool OvConditionOS64Bit::Check()
{
    return OvSetupLib::RunsOn64BitWindows();
}

OvSetupLib::OvMsiString OvConditionOS64Bit::GetMessage(const wchar_t* productName)
{
    return ProductText(505, productName);
}
}  // namespace OvBootstrapHelper
