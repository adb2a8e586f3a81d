// A supported Windows version: at least the minimum and none of the excluded ones.
#pragma once

#include "bootstrap_helper/OvConditionEntity.h"

#include <vector>

namespace OvBootstrapHelper
{
struct OvExcludedOSVersion {
    DWORD major;
    DWORD minor;
    bool isServer;  // true: a server (product type 3); false: a workstation (1)
};

class OvConditionOSVersion : public OvConditionEntity
{
public:
    OvConditionOSVersion(DWORD minMajor, DWORD minMinor, const std::vector<OvExcludedOSVersion>& excluded);
    bool Check() override;
    OvSetupLib::OvMsiString GetMessage(const wchar_t* productName) override;
    const wchar_t* GetName() override { return L"windows-version"; }

private:
    DWORD minMajor;
    DWORD minMinor;
    std::vector<OvExcludedOSVersion> excluded;
};
}  // namespace OvBootstrapHelper
