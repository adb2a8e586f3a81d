// The logs that the prerequisites' installers write in the setup temp folder.
#pragma once

namespace OvBootstrapHelper
{
inline constexpr wchar_t kWI45LogName[] = L"WI45.log";
inline constexpr wchar_t kWICLogName[] = L"WIC.log";
inline constexpr wchar_t kDotNetLogName[] = L"NET40.htm";
}  // namespace OvBootstrapHelper
