#include "bootstrap_helper/OvConditionOSVersion.h"

#include "bootstrap_helper/OvProductText.h"
#include "setup_lib/OvStrings.h"

namespace OvBootstrapHelper
{
OvConditionOSVersion::OvConditionOSVersion(DWORD minMajor, DWORD minMinor,
                                           const std::vector<OvExcludedOSVersion>& excluded)
    : minMajor(minMajor), minMinor(minMinor), excluded(excluded)
{}

bool OvConditionOSVersion::Check()
{
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof info;
    ClearValues();
    // A version that cannot be asked for does not hold setup up.
    if (GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(&info)) != 1) {
        Note(L"version", L"unknown");
        return true;
    }
    Note(L"version", OvSetupLib::NumberText(info.dwMajorVersion) + L"." + OvSetupLib::NumberText(info.dwMinorVersion) +
                         L"." + OvSetupLib::NumberText(info.dwBuildNumber));
    Note(L"product-type", info.wProductType == VER_NT_WORKSTATION ? L"workstation" : L"server");
    Note(L"minimum", OvSetupLib::NumberText(minMajor) + L"." + OvSetupLib::NumberText(minMinor));
    for (const auto& e : excluded) {
        BYTE wanted = e.isServer ? VER_NT_SERVER : VER_NT_WORKSTATION;
        if (e.major == info.dwMajorVersion && e.minor == info.dwMinorVersion && info.wProductType == wanted) {
            return false;
        }
    }
    if (info.dwMajorVersion != minMajor) return info.dwMajorVersion > minMajor;
    return info.dwMinorVersion >= minMinor;
}

OvSetupLib::OvMsiString OvConditionOSVersion::GetMessage(const wchar_t* productName)
{
    return ProductText(503, productName);
}
}  // namespace OvBootstrapHelper
