// The processor count of the core-count condition, from the real processor records,
// against the count that GetSystemInfo gives.
#include "PlatformTest.h"

#include "bootstrap_helper/OvConditionCheckCoreNumber.h"

#include <vector>

namespace
{
using OvPlatformTest::PlatformTest;

class Processors : public PlatformTest
{
};

TEST_F(Processors, CountEqualsTheSystemsLogicalProcessors)
{
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    ASSERT_GT(info.dwNumberOfProcessors, 0u);

    // The records as the system gives them, to know whether the halving of cores with more
    // than two logical processors applies on this machine.
    DWORD length = 0;
    EXPECT_FALSE(GetLogicalProcessorInformation(nullptr, &length));
    ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    // A record is 32 bytes in a 64-bit process; the length holds whole records.
    EXPECT_EQ(sizeof(SYSTEM_LOGICAL_PROCESSOR_INFORMATION), 32u);
    EXPECT_EQ(length % sizeof(SYSTEM_LOGICAL_PROCESSOR_INFORMATION), 0u);
    std::vector<SYSTEM_LOGICAL_PROCESSOR_INFORMATION> records(length / sizeof(SYSTEM_LOGICAL_PROCESSOR_INFORMATION));
    ASSERT_TRUE(GetLogicalProcessorInformation(records.data(), &length));
    DWORD cores = 0;
    for (const auto& record : records)
        cores += record.Relationship == RelationProcessorCore ? 1 : 0;
    ASSERT_GT(cores, 0u);

    const DWORD expected =
        info.dwNumberOfProcessors / cores > 2 ? info.dwNumberOfProcessors / 2 : info.dwNumberOfProcessors;
    EXPECT_EQ(OvBootstrapHelper::CountProcessors(), expected)
        << cores << " cores, " << info.dwNumberOfProcessors << " logical processors";
}

TEST_F(Processors, TheConditionFollowsTheCount)
{
    const DWORD count = OvBootstrapHelper::CountProcessors();
    ASSERT_GT(count, 0u);
    OvBootstrapHelper::OvConditionCheckCoreNumber atCount(count, L"few");
    OvBootstrapHelper::OvConditionCheckCoreNumber aboveCount(count + 1, L"few");
    EXPECT_TRUE(atCount.Check());
    EXPECT_FALSE(aboveCount.Check());
}
}  // namespace
