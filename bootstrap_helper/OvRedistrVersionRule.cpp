#include "bootstrap_helper/OvRedistrVersionRule.h"

#include "setup_lib/OvStrings.h"

namespace OvBootstrapHelper
{
bool IsWI45Version(const OvSetupLib::OvFileVersion& v)
{
    return v.major > 4 || (v.major == 4 && v.minor >= 5);
}

bool IsWICVersion(const OvSetupLib::OvFileVersion& v)
{
    const WORD minimum[4] = {6, 0, 5840, 16388};
    const WORD parts[4] = {v.major, v.minor, v.build, v.revision};
    for (int i = 0; i < 4; ++i) {
        if (parts[i] != minimum[i]) return parts[i] > minimum[i];
    }
    return true;
}

OvSetupLib::OvMsiString FileVersionText(const OvSetupLib::OvFileVersion& version)
{
    using OvSetupLib::NumberText;
    return NumberText(version.major) + L"." + NumberText(version.minor) + L"." + NumberText(version.build) + L"." +
           NumberText(version.revision);
}
}  // namespace OvBootstrapHelper
