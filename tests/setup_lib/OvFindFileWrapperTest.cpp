#include "setup_lib/OvFindFileWrapper.h"

#include "setup_lib/OvWinError.h"

#include <winsim/Machine.h>

#include <gtest/gtest.h>

using OvSetupLib::FileExists;
using OvSetupLib::OvFindFileWrapper;
using OvSetupLib::OvWinError;

namespace
{
class FindFileTest : public ::testing::Test
{
protected:
    winsim::MachineScope machine;

    void SetUp() override
    {
        winsim::M().WriteFile(L"C:\\Media\\Setup\\Setup.exe", "MZ");
        winsim::M().WriteFile(L"C:\\Media\\Redistr\\WindowsXP-KB942288-v3-x86.exe", "MZ");
    }

    static DWORD ThrownCode(const wchar_t* path)
    {
        try {
            FileExists(path);
        } catch (const OvWinError& e) {
            return e.ErrorCode();
        }
        return 0;
    }
};

TEST_F(FindFileTest, AnswersForFilesFoldersAndPatterns)
{
    const std::pair<const wchar_t*, bool> cases[] = {
        {L"C:\\Media\\Setup\\Setup.exe", true},
        {L"c:\\MEDIA\\setup\\SETUP.EXE", true},  // names ignore case
        {L"C:\\Media\\Setup\\Missing.exe", false},
        {L"C:\\Media\\Setup", true},    // a folder
        {L"C:\\Media\\Setup\\", true},  // a folder with its trailing backslash
        {L"C:\\Media\\Setup\\*.exe", true},
        {L"C:\\Media\\Setup\\S?tup.*", true},
        {L"C:\\Media\\Setup\\*.msi", false},
        {L"C:\\Media\\Redistr\\*KB942288*", true},
        {L"", false},
        {nullptr, false},
    };
    for (auto& c : cases) {
        EXPECT_EQ(FileExists(c.first), c.second) << winsim::Narrow(c.first ? c.first : L"(null)");
    }
    EXPECT_EQ(winsim::M().OpenHandles(), 0);
}

TEST_F(FindFileTest, AMissingFolderThrowsPathNotFound)
{
    EXPECT_EQ(ThrownCode(L"C:\\Media\\Nowhere\\Setup.exe"), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(ThrownCode(L"C:\\Nowhere\\Deeper\\"), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST_F(FindFileTest, OtherSearchFailuresThrowTheirCode)
{
    winsim::M().faults["FindFirstFileW"] = {ERROR_ACCESS_DENIED, 1, 0};
    EXPECT_EQ(ThrownCode(L"C:\\Media\\Setup\\Setup.exe"), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    // Not found is an answer, even when set by a fault.
    winsim::M().faults["FindFirstFileW"] = {ERROR_FILE_NOT_FOUND, 1, 0};
    EXPECT_FALSE(FileExists(L"C:\\Media\\Setup\\Setup.exe"));
}

TEST_F(FindFileTest, TheWrapperHoldsTheFirstMatchUntilDestroyed)
{
    {
        OvFindFileWrapper found(L"C:\\Media\\Setup\\setup.EXE");
        ASSERT_TRUE(found.IsFound());
        EXPECT_STREQ(winsim::Narrow(found.FindData().cFileName).c_str(), "Setup.exe");
        EXPECT_EQ(winsim::M().OpenHandles(), 1);
    }
    EXPECT_EQ(winsim::M().OpenHandles(), 0);
    OvFindFileWrapper missing(L"C:\\Media\\Setup\\none");
    EXPECT_FALSE(missing.IsFound());
}
}  // namespace
