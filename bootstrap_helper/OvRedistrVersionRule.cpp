#include "bootstrap_helper/OvRedistrVersionRule.h"

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
}  // namespace OvBootstrapHelper
