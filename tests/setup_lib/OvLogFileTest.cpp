#include "setup_lib/OvLogFile.h"

#include "setup_lib/OvWinError.h"

#include <winsim/Machine.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cwchar>
#include <ctime>

using OvSetupLib::FormatLogTimeStamp;
using OvSetupLib::OvLogFile;
using OvSetupLib::OvLogLevel;
using OvSetupLib::OvMsiString;
using OvSetupLib::OvWinError;

namespace
{
const wchar_t* const kLogPath = L"C:\\ProgramData\\Orvale\\Setup\\Temp\\\\StowenBootstrap.log";
const std::string kBom("\xFF\xFE", 2);

// ASCII text as the UTF-16LE bytes that the file must hold.
std::string U16(const std::string& ascii)
{
    std::string out;
    for (char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

std::string Stamp(std::time_t t)
{
    std::tm local = *std::localtime(&t);
    std::string out;
    for (wchar_t c : FormatLogTimeStamp(local))
        out += static_cast<char>(c);
    return out;
}

class LogFileTest : public ::testing::Test
{
protected:
    winsim::MachineScope machine;

    void SetUp() override { winsim::M().WriteFile(L"C:\\ProgramData\\Orvale\\Setup\\Temp\\keep", ""); }

    static std::string FileBytes() { return winsim::M().ReadFile(kLogPath).value_or("<no file>"); }

    // Checks that `bytes` at `offset` starts with a stamp of a moment in [before, now]
    // and returns the offset after the stamp and its blank.
    static std::size_t ExpectStamp(const std::string& bytes, std::size_t offset, std::time_t before)
    {
        std::time_t after = std::time(nullptr);
        std::string found = bytes.substr(offset, 50);
        bool matched = false;
        for (std::time_t t = before; t <= after && !matched; ++t)
            matched = found == U16(Stamp(t) + " ");
        EXPECT_TRUE(matched) << "stamp bytes do not match a local time stamp of the write";
        return offset + 50;
    }
};

TEST_F(LogFileTest, TheEntryPointsErrorLineGivesTheExactBytes)
{
    std::time_t before = std::time(nullptr);
    {
        OvLogFile log(kLogPath);
        OvWinError error(2);
        log << OvLogLevel::Error << L"Catch OvWinError. ErrorCode: " << error.ErrorCode() << L" Error: "
            << OvMsiString(error) << L"\r\n";
    }
    std::string bytes = FileBytes();
    ASSERT_GE(bytes.size(), 52u);
    EXPECT_EQ(bytes.substr(0, 2), kBom);
    std::size_t rest = ExpectStamp(bytes, 2, before);
    EXPECT_EQ(
        bytes.substr(rest),
        U16("[ERROR  ] Catch OvWinError. ErrorCode: 2 Error: The system cannot find the file specified.\r\n\r\n"));
    EXPECT_EQ(winsim::M().OpenHandles(), 0);
}

TEST_F(LogFileTest, ASecondRunAppendsWithoutASecondMark)
{
    std::time_t before = std::time(nullptr);
    for (const char* word : {"first", "second"}) {
        OvLogFile log(kLogPath);
        log << OvLogLevel::Status << OvMsiString(winsim::Widen(word)) << L"\r\n";
    }
    std::string bytes = FileBytes();
    ASSERT_EQ(bytes.size(), 2u + 2 * (50 + 20) + 14 + 16);
    EXPECT_EQ(bytes.substr(0, 2), kBom);
    std::size_t at = ExpectStamp(bytes, 2, before);
    EXPECT_EQ(bytes.substr(at, 20 + 14), U16("[STATUS ] first\r\n"));
    at = ExpectStamp(bytes, at + 34, before);
    EXPECT_EQ(bytes.substr(at), U16("[STATUS ] second\r\n"));
}

TEST_F(LogFileTest, AFileThatExistedGetsNoMark)
{
    winsim::M().WriteFile(kLogPath, "AB");
    {
        OvLogFile log(kLogPath);
        log << OvLogLevel::Step << L"x";
    }
    std::string bytes = FileBytes();
    ASSERT_EQ(bytes.size(), 2u + 50 + 20 + 2);
    EXPECT_EQ(bytes.substr(0, 2), "AB");
    EXPECT_EQ(bytes.substr(52), U16("[------>] x"));
}

TEST_F(LogFileTest, EachMarkerWritesItsHead)
{
    struct Case {
        DWORD level;
        const char* head;  // after the stamp and its blank; null: nothing at all
    };
    const Case cases[] = {
        {1, "[STATUS ] "}, {2, "[ERROR  ] "}, {4, "[WARNING] "},
        {8, "[------>] "}, {3, ""},  // in the mask but no single level: the stamp without a prefix
        {16, nullptr},               // outside the mask
        {0, nullptr},
    };
    for (const Case& c : cases) {
        winsim::Reset();
        SetUp();
        std::time_t before = std::time(nullptr);
        {
            OvLogFile log(kLogPath);
            log << static_cast<OvLogLevel>(c.level) << L"T";
        }
        if (c.head == nullptr) {
            EXPECT_FALSE(winsim::M().Exists(kLogPath)) << "level " << c.level;
            continue;
        }
        std::string bytes = FileBytes();
        ASSERT_GE(bytes.size(), 52u) << "level " << c.level;
        std::size_t at = ExpectStamp(bytes, 2, before);
        EXPECT_EQ(bytes.substr(at), U16(std::string(c.head) + "T")) << "level " << c.level;
    }
}

TEST_F(LogFileTest, LevelsOutsideTheMaskDropTheirTexts)
{
    {
        OvLogFile log(kLogPath, static_cast<DWORD>(OvLogLevel::Error));
        log << OvLogLevel::Status << L"dropped" << 7u;
        EXPECT_FALSE(winsim::M().Exists(kLogPath));
        log << OvLogLevel::Error << L"kept";
    }
    std::string bytes = FileBytes();
    EXPECT_EQ(bytes.substr(52), U16("[ERROR  ] kept"));
}

TEST_F(LogFileTest, NumbersAreUnsignedDecimal)
{
    const std::pair<DWORD, const char*> cases[] = {
        {0u, "0"}, {7u, "7"}, {2147483647u, "2147483647"}, {2147483648u, "2147483648"}, {0xFFFFFFFFu, "4294967295"}};
    {
        OvLogFile log(kLogPath);
        log << OvLogLevel::Error;
        for (auto& c : cases)
            log << c.first << L"|";
    }
    std::string expected = "[ERROR  ] ";
    for (auto& c : cases)
        expected += std::string(c.second) + "|";
    EXPECT_EQ(FileBytes().substr(52), U16(expected));
}

TEST_F(LogFileTest, NothingBeforeAMarkerAndNothingWhenNothingIsLogged)
{
    {
        OvLogFile log(kLogPath);
        log << L"before any marker" << 5u << OvMsiString(L"text");
    }
    EXPECT_FALSE(winsim::M().Exists(kLogPath));
    {
        OvLogFile unused(kLogPath);
    }
    EXPECT_FALSE(winsim::M().Exists(kLogPath));
    EXPECT_EQ(winsim::M().OpenHandles(), 0);
}

TEST_F(LogFileTest, EmptyAndNullTextsWriteNothing)
{
    {
        OvLogFile log(kLogPath);
        log << OvLogLevel::Warning << static_cast<const wchar_t*>(nullptr) << L"" << OvMsiString();
    }
    EXPECT_EQ(FileBytes().size(), 52u + 20);
}

TEST_F(LogFileTest, TextIsTwoBytesPerCodeUnit)
{
    {
        OvLogFile log(kLogPath);
        // U+00E9, U+4E2D, and U+1F600 as the pair D83D DE00.
        log << OvLogLevel::Error << OvMsiString(std::wstring{0x00E9, 0x4E2D, 0xD83D, 0xDE00});
    }
    EXPECT_EQ(FileBytes().substr(72), std::string("\xE9\x00\x2D\x4E\x3D\xD8\x00\xDE", 8));
    // A host wide character above 0xFFFF is written as its surrogate pair.
    EXPECT_EQ(OvSetupLib::ToUtf16LeBytes(L"\U0001F600", std::wcslen(L"\U0001F600")),
              std::string("\x3D\xD8\x00\xDE", 4));
}

TEST_F(LogFileTest, FailuresThrowTheCallsCode)
{
    struct Case {
        const char* function;
        DWORD code;
        int skip;
    };
    const Case cases[] = {
        {"FindFirstFileW", ERROR_ACCESS_DENIED, 0},     {"CreateFileW", ERROR_ACCESS_DENIED, 0},
        {"WriteFile", ERROR_HANDLE_DISK_FULL, 0},  // the byte order mark
        {"WriteFile", ERROR_HANDLE_DISK_FULL, 1},  // the line head
        {"SetFilePointer", ERROR_INVALID_PARAMETER, 0},
    };
    for (const Case& c : cases) {
        winsim::Reset();
        SetUp();
        winsim::M().faults[c.function] = {c.code, -1, c.skip};
        {
            OvLogFile log(kLogPath);
            try {
                log << OvLogLevel::Error << L"x";
                ADD_FAILURE() << "no throw for " << c.function;
            } catch (const OvWinError& e) {
                EXPECT_EQ(e.ErrorCode(), c.code) << c.function;
            }
        }
        EXPECT_EQ(winsim::M().OpenHandles(), 0) << c.function;
    }
}

TEST_F(LogFileTest, AMissingFolderThrowsPathNotFound)
{
    OvLogFile log(L"C:\\Nowhere\\StowenBootstrap.log");
    try {
        log << OvLogLevel::Error;
        FAIL() << "no throw";
    } catch (const OvWinError& e) {
        EXPECT_EQ(e.ErrorCode(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    }
}

TEST_F(LogFileTest, TheStampIsLocalTime)
{
    const char* saved = std::getenv("TZ");
    std::string old = saved ? saved : "";
    setenv("TZ", "XYZ-3", 1);  // three hours east of UTC
    tzset();
    std::time_t before = std::time(nullptr);
    {
        OvLogFile log(kLogPath);
        log << OvLogLevel::Error;
    }
    std::time_t after = std::time(nullptr);
    std::string found = FileBytes().substr(2, 48);
    bool matched = false;
    for (std::time_t t = before; t <= after; ++t) {
        std::tm shifted = *std::gmtime(&t);
        shifted.tm_hour += 3;
        std::time_t asUtc = timegm(&shifted);  // normalises the fields
        std::tm expected = *std::gmtime(&asUtc);
        std::string text;
        for (wchar_t c : FormatLogTimeStamp(expected))
            text += static_cast<char>(c);
        matched = matched || found == U16(text);
    }
    if (saved) {
        setenv("TZ", old.c_str(), 1);
    } else {
        unsetenv("TZ");
    }
    tzset();
    EXPECT_TRUE(matched);
}

TEST(LogTimeStamp, HasTheFixedForm)
{
    auto tm = [](int year, int mon, int mday, int wday, int h, int m, int s) {
        std::tm t{};
        t.tm_year = year - 1900;
        t.tm_mon = mon;
        t.tm_mday = mday;
        t.tm_wday = wday;
        t.tm_hour = h;
        t.tm_min = m;
        t.tm_sec = s;
        return t;
    };
    const std::pair<std::tm, const wchar_t*> cases[] = {
        {tm(2013, 0, 2, 3, 2, 3, 55), L"Wed Jan 02 02:03:55 2013"},
        {tm(1999, 11, 31, 5, 23, 59, 59), L"Fri Dec 31 23:59:59 1999"},
        {tm(2026, 5, 14, 0, 0, 0, 0), L"Sun Jun 14 00:00:00 2026"},
        {tm(2024, 1, 29, 4, 12, 30, 60), L"Thu Feb 29 12:30:60 2024"},  // a leap second
        {tm(812, 8, 1, 1, 9, 5, 7), L"Mon Sep 01 09:05:07 0812"},
        // Fields out of range do not read past the name tables.
        {tm(2000, 12, 1, 7, 0, 0, 0), L"Sat Dec 01 00:00:00 2000"},
        {tm(2000, -1, 1, -1, 0, 0, 0), L"Sun Jan 01 00:00:00 2000"},
    };
    for (auto& c : cases)
        EXPECT_EQ(FormatLogTimeStamp(c.first), c.second);

    const wchar_t* const months[] = {L"Jan", L"Feb", L"Mar", L"Apr", L"May", L"Jun",
                                     L"Jul", L"Aug", L"Sep", L"Oct", L"Nov", L"Dec"};
    const wchar_t* const days[] = {L"Sun", L"Mon", L"Tue", L"Wed", L"Thu", L"Fri", L"Sat"};
    for (int i = 0; i < 12; ++i) {
        std::wstring text = FormatLogTimeStamp(tm(2020, i, 1, i % 7, 0, 0, 0));
        EXPECT_EQ(text.size(), 24u);
        EXPECT_EQ(text.substr(4, 3), months[i]);
        EXPECT_EQ(text.substr(0, 3), days[i % 7]);
    }
}
}  // namespace
