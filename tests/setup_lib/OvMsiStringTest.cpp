// The text type: formatting, replace-all, the writable buffer, comparison and the
// system's message texts.
#include "setup_lib/OvMsiString.h"
#include "setup_lib/OvWinError.h"

#include <gtest/gtest.h>
#include <winsim/Machine.h>

using OvSetupLib::OvMsiString;
using OvSetupLib::OvWinError;

namespace
{
TEST(OvMsiStringFormat, Directives)
{
    struct Case {
        const wchar_t* format;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {L"%", L"%"},
        {L"x", L"x"},
        {L"%%", L"%"},
        {L"[%d|%u|%x|%X|%5d|%-3d|%03u]", L"[-7|4294967295|ff|FF|   42|1  |009]"},
    };
    for (const auto& c : cases) {
        OvMsiString s;
        s.Format(c.format, -7, 0xFFFFFFFFu, 255u, 255u, 42, 1, 9u);
        EXPECT_EQ(s, c.expected) << c.format;
    }
}

TEST(OvMsiStringFormat, WideStringsInEveryBuild)
{
    OvMsiString s;
    s.Format(L"Please install %s to proceed with %s installation.", L"X", L"Keldora");
    EXPECT_EQ(s, L"Please install X to proceed with Keldora installation.");
    s.Format(L"%s", L"");
    EXPECT_EQ(s, L"");
    s.Format(L"<%s>", static_cast<const wchar_t*>(nullptr));
    EXPECT_EQ(s, L"<(null)>");
}

TEST(OvMsiStringFormat, NullFormatLeavesTheContent)
{
    OvMsiString s(L"kept");
    s.Format(nullptr);
    EXPECT_EQ(s, L"kept");
}

TEST(OvMsiStringFormat, GrowsPastEachBufferSize)
{
    // 1023 characters fit the first buffer; 1024 and far longer texts need the doublings.
    for (std::size_t n : {1023u, 1024u, 2047u, 2048u, 100000u}) {
        std::wstring arg(n, L'a');
        OvMsiString s;
        s.Format(L"%s", arg.c_str());
        EXPECT_EQ(s.size(), n);
        EXPECT_EQ(s, arg);
    }
}

TEST(OvMsiStringFormat, OwnContentAsTheFormat)
{
    OvMsiString s(L"Only one instance of %s Setup is allowed.");
    s.Format(s.c_str(), L"Keldora");
    EXPECT_EQ(s, L"Only one instance of Keldora Setup is allowed.");
}

TEST(OvMsiStringReplace, ReplacesEveryOccurrenceWithoutRescanning)
{
    struct Case {
        const wchar_t *text, *find, *with, *expected;
    };
    const Case cases[] = {
        {L"aaa", L"a", L"aa", L"aaaaaa"}, {L"<a  =  \"b\" />", L" />", L"/>", L"<a  =  \"b\"/>"},
        {L"x = y", L" = ", L"=", L"x=y"}, {L"none", L"z", L"y", L"none"},
        {L"abab", L"ab", L"", L""},
    };
    for (const auto& c : cases) {
        OvMsiString s(c.text);
        EXPECT_EQ(s.Replace(c.find, c.with), c.expected) << c.text;
    }
}

TEST(OvMsiStringBuffer, OpenAndClose)
{
    OvMsiString s;
    wchar_t* p = s.OpenBuffer(10);
    ASSERT_GE(s.size(), 10u);
    EXPECT_EQ(p[10], L'\0');
    p[0] = L'h';
    p[1] = L'i';
    s.CloseBuffer();
    EXPECT_EQ(s, L"hi");
    s.OpenBuffer(4);
    s.CloseBuffer(1);
    EXPECT_EQ(s, L"h");
    OvMsiString longer(L"abcdef");
    longer.OpenBuffer(2);  // never shortens
    EXPECT_EQ(longer, L"abcdef");
}

TEST(OvMsiStringCompare, IgnoresOnlyAsciiLetterCase)
{
    struct Case {
        const wchar_t *a, *b;
        int sign;
    };
    const Case cases[] = {
        {L"Setup", L"SETUP", 0},        {L"a", L"B", -1}, {L"ab", L"A", 1},
        {L"\u00e9", L"\u00c9", 1},      {L"", L"", 0},    {L"maritane", L"MARITANE", 0},
        {L"maritanex", L"maritane", 1}, {L"[", L"a", 1},
    };
    for (const auto& c : cases) {
        int r = OvMsiString(c.a).CompareIgnoreCase(c.b);
        EXPECT_EQ((r > 0) - (r < 0), c.sign) << static_cast<const void*>(c.a);
    }
}

TEST(OvMsiStringConcatenation, NullAppendsNothing)
{
    OvMsiString a(L"C:\\Temp\\");
    EXPECT_EQ(a + static_cast<const wchar_t*>(nullptr), L"C:\\Temp\\");
    EXPECT_EQ(a + L"x.log", L"C:\\Temp\\x.log");
    EXPECT_EQ(a + OvMsiString(L"y"), L"C:\\Temp\\y");
    EXPECT_EQ(OvMsiString(static_cast<const wchar_t*>(nullptr)), L"");
}

TEST(OvMsiStringFromError, TheSystemsTextAsReturned)
{
    winsim::MachineScope machine;
    EXPECT_EQ(OvMsiString(OvWinError(2)), L"The system cannot find the file specified.\r\n");
    try {
        OvMsiString text{OvWinError(0xC0000022u)};
        FAIL() << "an unknown code has no text";
    } catch (const OvWinError& e) {
        EXPECT_EQ(e.ErrorCode(), static_cast<DWORD>(ERROR_MR_MID_NOT_FOUND));
    }
}

TEST(OvWinErrorTest, CarriesCodeAndMessage)
{
    OvWinError plain(5);
    EXPECT_EQ(plain.ErrorCode(), 5u);
    EXPECT_EQ(plain.Message(), L"");
    OvWinError withText(1056, L"text");
    OvWinError copy(withText);
    EXPECT_EQ(copy.ErrorCode(), 1056u);
    EXPECT_EQ(copy.Message(), L"text");
    EXPECT_EQ(OvWinError(1, nullptr).Message(), L"");
}
}  // namespace
