// Splitting, the path functions and the string-table loader over the compiled table.
#include "setup_lib/OvStrings.h"
#include "setup_lib/OvWinError.h"

#include <gtest/gtest.h>
#include <winsim/Machine.h>

using namespace OvSetupLib;

namespace
{
std::wstring Joined(const std::vector<OvMsiString>& tokens)
{
    std::wstring r;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (i) r += L"|";
        r += tokens[i].empty() ? std::wstring(L"()") : static_cast<const std::wstring&>(tokens[i]);
    }
    return r;
}

TEST(SplitStringTest, EmptyTokensForAdjacentDelimiters)
{
    struct Case {
        const wchar_t *text, *delimiters, *expected;
    };
    const Case cases[] = {
        {L"a,b", L",", L"a|b"},     {L"a,,b", L",", L"a|()|b"},     {L"a,", L",", L"a"},
        {L"a,,", L",", L"a|()|()"}, {L",a", L",", L"()|a"},         {L",", L",", L"()|()"},
        {L"", L",", L""},           {L"   ", L" ", L"()|()|()|()"}, {L"1..2", L".", L"1|()|2"},
        {L"1.", L".", L"1"},        {L".5", L".", L"()|5"},         {L"a b;c", L" ;", L"a|b|c"},
        {L"a", L"", L"a"},          {L"x  y", L" ", L"x|()|y"},     {L"a,,,b", L",", L"a|()|()|b"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Joined(SplitString(c.text, c.delimiters)), c.expected) << c.text;
    EXPECT_TRUE(SplitString(nullptr, L",").empty());
}

TEST(SplitStringTest, LeavesTheCallersTextAlone)
{
    wchar_t text[] = L"a b";
    SplitString(text, L" ");
    EXPECT_STREQ(text, L"a b");
}

TEST(NumberTextTest, DecimalDigitsWithZerosUpToTheWidth)
{
    struct Case {
        DWORD number;
        int width;
        const wchar_t* expected;
    };
    const Case cases[] = {{0, 1, L"0"},    {7, 1, L"7"},     {3010, 1, L"3010"},
                          {7, 2, L"07"},   {59, 2, L"59"},   {2026, 4, L"2026"},
                          {0, 4, L"0000"}, {123, 2, L"123"}, {4294967295u, 1, L"4294967295"},
                          {5, 0, L"5"},    {42, -3, L"42"}};
    for (const Case& c : cases)
        EXPECT_EQ(OvSetupLib::NumberText(c.number, c.width), OvMsiString(c.expected)) << c.number << "/" << c.width;
}

TEST(PathFunctions, TrailingBackslash)
{
    EXPECT_EQ(AddTrailingBackslash(L"C:\\a"), L"C:\\a\\");
    EXPECT_EQ(AddTrailingBackslash(L"C:\\a\\"), L"C:\\a\\");
    EXPECT_EQ(AddTrailingBackslash(L""), L"");
    EXPECT_EQ(RemoveTrailingBackslash(L"C:\\a\\\\"), L"C:\\a\\");
    EXPECT_EQ(RemoveTrailingBackslash(L"C:\\a"), L"C:\\a");
    EXPECT_EQ(RemoveTrailingBackslash(L""), L"");
}

class ParentFolder : public ::testing::Test
{
protected:
    winsim::MachineScope machine;
};

TEST_F(ParentFolder, AbsoluteFolderWithBackslash)
{
    winsim::M().currentDirectory = L"D:\\work\\";
    EXPECT_EQ(GetParentFolder(L"C:\\Media\\Setup.exe"), L"C:\\Media\\");
    EXPECT_EQ(GetParentFolder(L"C:\\"), L"C:\\");
    EXPECT_EQ(GetParentFolder(L"Setup.exe"), L"D:\\work\\");
    EXPECT_EQ(GetParentFolder(L"C:\\Media\\Setup\\..\\Setup.exe"), L"C:\\Media\\");
    EXPECT_EQ(GetParentFolder(L""), L"");
    EXPECT_EQ(GetParentFolder(nullptr), L"");
}

TEST_F(ParentFolder, PathsLongerThanTheFirstBuffer)
{
    std::wstring path = L"C:\\" + std::wstring(300, L'd') + L"\\file.txt";
    EXPECT_EQ(GetParentFolder(path.c_str()), L"C:\\" + std::wstring(300, L'd') + L"\\");
}

TEST_F(ParentFolder, AFailureThrowsTheSystemsCode)
{
    winsim::M().faults["GetFullPathNameW"] = winsim::Fault{ERROR_INVALID_NAME, -1, 0};
    try {
        GetParentFolder(L"C:\\x");
        FAIL();
    } catch (const OvWinError& e) {
        EXPECT_EQ(e.ErrorCode(), static_cast<DWORD>(ERROR_INVALID_NAME));
    }
}

class StringTable : public ::testing::Test
{
protected:
    winsim::MachineScope machine;
    OvMsiString Row(WORD row) { return LoadResourceString(row); }
};

// The longest program path that fits is MAX_PATH - 1 characters; a longer one, or a failed
// read, is refused with a code that is never 0.
TEST(ProgramPath, OneRuleForAPathThatDoesNotFit)
{
    const std::wstring fits = L"C:\\" + std::wstring(MAX_PATH - 1 - 13, L'a') + L"\\Setup.exe";
    ASSERT_EQ(fits.size(), static_cast<std::size_t>(MAX_PATH - 1));
    struct Case {
        const char* what;
        std::wstring module;
        const char* fault;  // the simulated call that fails, or null
        DWORD faultCode;
        DWORD code;  // what is thrown, or 0
    };
    const Case cases[] = {
        {"ordinary", L"C:\\Media\\Setup\\Setup.exe", nullptr, 0, 0},
        {"the longest that fits", fits, nullptr, 0, 0},
        {"one character too long", fits + L"e", nullptr, 0, ERROR_FILENAME_EXCED_RANGE},
        {"far too long", fits + std::wstring(300, L'e'), nullptr, 0, ERROR_FILENAME_EXCED_RANGE},
        {"the read fails", L"C:\\Media\\Setup\\Setup.exe", "GetModuleFileNameW", ERROR_NOT_ENOUGH_MEMORY,
         ERROR_NOT_ENOUGH_MEMORY},
        {"the read fails without a code", L"C:\\Media\\Setup\\Setup.exe", "GetModuleFileNameW", ERROR_SUCCESS,
         ERROR_INTERNAL_ERROR},
    };
    for (const Case& c : cases) {
        winsim::MachineScope machine;
        winsim::M().modulePath = c.module;
        if (c.fault != nullptr) winsim::M().faults[c.fault] = winsim::Fault{c.faultCode};
        try {
            EXPECT_EQ(GetProgramPath(), c.module) << c.what;
            EXPECT_EQ(GetProgramFolder(), c.module.substr(0, c.module.rfind(L'\\') + 1)) << c.what;
            EXPECT_EQ(c.code, 0u) << c.what << ": no error";
        } catch (const OvWinError& e) {
            EXPECT_EQ(e.ErrorCode(), c.code) << c.what;
        }
    }
}

TEST_F(StringTable, RowsOfTheCompiledTable)
{
    EXPECT_EQ(Row(102), L"Keldora");
    EXPECT_EQ(Row(103), L"");  // empty row inside a present block
    EXPECT_EQ(Row(110), L"KDRSettings.xml");
    EXPECT_EQ(Row(508), L"Please install the following prerequisites to proceed with %s installation:\n");
    EXPECT_EQ(Row(510), L"     -");
    EXPECT_EQ(Row(511), L"Please install %s to proceed with %s installation.\nClick OK to install this prerequisite.");
    EXPECT_EQ(Row(999), L"");  // the block is absent
    EXPECT_EQ(Row(0), L"");
}

TEST_F(StringTable, ARowIsFilledInLikeAFormat)
{
    EXPECT_EQ(FormatResourceString(519, L"C:\\ProgramData\\Orvale", L"Access is denied."),
              L"Setup cannot create or use its folder C:\\ProgramData\\Orvale:\nAccess is denied.");
    EXPECT_EQ(FormatResourceString(511, L"Windows Installer 4.5", L"Keldora"),
              L"Please install Windows Installer 4.5 to proceed with Keldora installation.\nClick OK to install this "
              L"prerequisite.");
    // A row without a directive stays as it is; a missing row gives nothing to fill in.
    EXPECT_EQ(FormatResourceString(102, L"ignored"), L"Keldora");
    EXPECT_EQ(FormatResourceString(999, L"ignored"), L"");
}

TEST_F(StringTable, AnUnloadableBlockGivesEmptyText)
{
    winsim::M().faults["LoadResource"] = winsim::Fault{ERROR_RESOURCE_DATA_NOT_FOUND, -1, 0};
    EXPECT_EQ(Row(102), L"");
}

TEST_F(StringTable, TheModuleSetByTheSingleInstanceConditionReadsTheSame)
{
    SetResourceModule(GetModuleHandleW(nullptr));
    EXPECT_EQ(Row(108), L"Maritane");
    SetResourceModule(nullptr);
    EXPECT_EQ(Row(108), L"Maritane");
}
}  // namespace
