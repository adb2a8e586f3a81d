#include "setup_lib/OvSetupTempFolder.h"

#include "setup_lib/OvWinError.h"

#include <winsim/Machine.h>

#include <gtest/gtest.h>

using OvSetupLib::GetSetupTempFolder;
using OvSetupLib::OvWinError;

namespace
{
class SetupTempFolderTest : public ::testing::Test
{
protected:
    winsim::MachineScope machine;

    static void ExpectThreeFolders()
    {
        for (const wchar_t* folder :
             {L"C:\\ProgramData\\Orvale", L"C:\\ProgramData\\Orvale\\Setup", L"C:\\ProgramData\\Orvale\\Setup\\Temp"})
            EXPECT_TRUE(winsim::M().Exists(folder)) << winsim::Narrow(folder);
    }
};

TEST_F(SetupTempFolderTest, GivesThePathAndCreatesTheFolders)
{
    for (HRESULT result : {S_OK, E_FAIL}) {
        winsim::Reset();
        winsim::M().commonAppDataResult = result;
        EXPECT_EQ(GetSetupTempFolder({}), L"C:\\ProgramData\\Orvale\\Setup\\Temp\\") << std::hex << result;
        ExpectThreeFolders();
    }
}

TEST_F(SetupTempFolderTest, ExistingComponentsAreNoError)
{
    winsim::M().WriteFile(L"C:\\ProgramData\\Orvale\\Setup\\Temp\\old.log", "x");
    EXPECT_EQ(GetSetupTempFolder({}), L"C:\\ProgramData\\Orvale\\Setup\\Temp\\");
    // A second call finds all three present.
    EXPECT_EQ(GetSetupTempFolder({}), L"C:\\ProgramData\\Orvale\\Setup\\Temp\\");
    EXPECT_TRUE(winsim::M().Exists(L"C:\\ProgramData\\Orvale\\Setup\\Temp\\old.log"));
}

TEST_F(SetupTempFolderTest, OtherResultsThrowWithTheMappedCode)
{
    struct Case {
        HRESULT result;
        DWORD code;
    };
    const Case cases[] = {
        {static_cast<HRESULT>(0x80070005), 5},            // a wrapped Win32 error gives its code
        {static_cast<HRESULT>(0x80070003), 3},            //
        {E_INVALIDARG, 87},                               // 0x80070057
        {static_cast<HRESULT>(0x80040154), 0x80040154u},  // another facility keeps the whole value
        {static_cast<HRESULT>(1), 1},                     // a success code other than S_OK
    };
    for (const Case& c : cases) {
        winsim::Reset();
        winsim::M().commonAppDataResult = c.result;
        DWORD expected = c.code;
        try {
            GetSetupTempFolder({});
            ADD_FAILURE() << "no throw for " << std::hex << c.result;
        } catch (const OvWinError& e) {
            EXPECT_EQ(e.ErrorCode(), expected) << std::hex << c.result;
        }
        EXPECT_FALSE(winsim::M().Exists(L"C:\\ProgramData\\Orvale")) << std::hex << c.result;
    }
}

TEST_F(SetupTempFolderTest, AFolderThatCannotBeCreatedThrowsItsCode)
{
    // The first component is made, the second refused.
    winsim::M().faults["CreateDirectoryW"] = {ERROR_ACCESS_DENIED, -1, 1};
    try {
        GetSetupTempFolder({});
        FAIL() << "no throw";
    } catch (const OvWinError& e) {
        EXPECT_EQ(e.ErrorCode(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    }
    EXPECT_TRUE(winsim::M().Exists(L"C:\\ProgramData\\Orvale"));
    EXPECT_FALSE(winsim::M().Exists(L"C:\\ProgramData\\Orvale\\Setup"));
}

TEST_F(SetupTempFolderTest, NoPathAtAllThrows)
{
    winsim::M().commonAppData = L"";
    winsim::M().commonAppDataResult = E_FAIL;
    EXPECT_THROW(GetSetupTempFolder({}), OvWinError);
}
}  // namespace
