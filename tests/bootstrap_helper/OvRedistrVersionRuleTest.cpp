#include "bootstrap_helper/OvRedistrVersionRule.h"

#include <gtest/gtest.h>

using OvSetupLib::OvFileVersion;

namespace
{
struct RuleCase {
    OvFileVersion version;
    bool present;
};

TEST(VersionRule, InstallerLibrary)
{
    const RuleCase cases[] = {
        {{4, 5, 0, 0}, true}, {{4, 4, 65535, 65535}, false},     {{5, 0, 0, 0}, true},        {{10, 0, 0, 0}, true},
        {{4, 6, 0, 0}, true}, {{3, 65535, 65535, 65535}, false}, {{4, 5, 6001, 22159}, true}, {{0, 0, 0, 0}, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(OvBootstrapHelper::IsWI45Version(c.version), c.present)
            << c.version.major << "." << c.version.minor << "." << c.version.build << "." << c.version.revision;
    }
}

TEST(VersionRule, ImagingComponent)
{
    const RuleCase cases[] = {
        {{6, 0, 5840, 16388}, true}, {{6, 0, 5840, 16387}, false},  {{6, 0, 5841, 0}, true},
        {{6, 1, 0, 0}, true},        {{5, 9, 65535, 65535}, false}, {{6, 0, 5839, 65535}, false},
        {{7, 0, 0, 0}, true},        {{6, 0, 6001, 39027}, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(OvBootstrapHelper::IsWICVersion(c.version), c.present)
            << c.version.major << "." << c.version.minor << "." << c.version.build << "." << c.version.revision;
    }
}
}  // namespace
