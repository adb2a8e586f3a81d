// The log as the entry point writes it, read back byte for byte: UTF-16LE with one byte
// order mark, a local time stamp, the level prefix and the system's own text for the code
// (on Windows the text of FormatMessageW in the same system, whatever its language).
#include "PlatformTest.h"

#include "setup_lib/OvLogFile.h"
#include "setup_lib/OvWinError.h"

#include <ctime>
#include <vector>

namespace
{
using OvPlatformTest::FromUtf16Le;
using OvPlatformTest::PlatformTest;
using OvPlatformTest::ReadFileBytes;
using OvPlatformTest::SystemText;
using OvSetupLib::OvLogFile;
using OvSetupLib::OvLogLevel;
using OvSetupLib::OvMsiString;
using OvSetupLib::OvWinError;

// "Www Mmm DD hh:mm:ss YYYY " of a moment, made here by the C library's own formatting
// (the "C" locale's English names), not by the log's.
std::wstring StampOf(std::time_t moment)
{
    char text[64] = {};
    std::strftime(text, sizeof text, "%a %b %d %H:%M:%S %Y ", std::localtime(&moment));
    return std::wstring(text, text + std::string(text).size());
}

// True when `line` starts with the stamp of a moment in [before, after].
bool StartsWithStampBetween(const std::wstring& line, std::time_t before, std::time_t after)
{
    for (std::time_t t = before; t <= after; ++t)
        if (line.compare(0, 25, StampOf(t)) == 0) return true;
    return false;
}

void WriteErrorLine(const std::wstring& path, DWORD code)
{
    OvLogFile log(path.c_str());
    OvWinError error(code);
    log << OvLogLevel::Error << L"Catch OvWinError. ErrorCode: " << error.ErrorCode() << L" Error: "
        << OvMsiString(error) << L"\r\n";
}

class LogFile : public PlatformTest
{
};

TEST_F(LogFile, ErrorLineCarriesTheSystemTextOfItsCode)
{
    for (DWORD code : {2u, 3u, 5u, 87u, 183u, 1603u}) {
        const std::wstring system = SystemText(code);
        ASSERT_FALSE(system.empty()) << "the system has no text for " << code;
        const std::wstring path = Scratch() + L"error-" + std::to_wstring(code) + L".log";
        const std::time_t before = std::time(nullptr);
        WriteErrorLine(path, code);
        const std::time_t after = std::time(nullptr);

        bool found = false;
        const std::string bytes = ReadFileBytes(path, &found);
        ASSERT_TRUE(found) << "no log file for " << code;
        ASSERT_GE(bytes.size(), 2u);
        EXPECT_EQ(bytes.substr(0, 2), std::string("\xFF\xFE", 2)) << code;
        ASSERT_EQ(bytes.size() % 2, 0u) << "an odd number of bytes is no UTF-16 text";
        const std::wstring text = FromUtf16Le(bytes.substr(2));
        EXPECT_TRUE(StartsWithStampBetween(text, before, after)) << "code " << code;
        EXPECT_EQ(text.substr(25),
                  L"[ERROR  ] Catch OvWinError. ErrorCode: " + std::to_wstring(code) + L" Error: " + system + L"\r\n")
            << "code " << code;
    }
}

TEST_F(LogFile, SecondRunAppendsWithoutASecondMark)
{
    const std::wstring path = Scratch() + L"twice.log";
    const std::time_t before = std::time(nullptr);
    WriteErrorLine(path, 2);
    const std::size_t first = ReadFileBytes(path).size();
    WriteErrorLine(path, 5);
    const std::time_t after = std::time(nullptr);

    const std::string bytes = ReadFileBytes(path);
    ASSERT_GT(first, 2u);
    ASSERT_GT(bytes.size(), first);
    EXPECT_EQ(bytes.substr(0, 2), std::string("\xFF\xFE", 2));
    const std::wstring second = FromUtf16Le(bytes.substr(first));
    EXPECT_TRUE(StartsWithStampBetween(second, before, after));
    EXPECT_EQ(second.substr(25), L"[ERROR  ] Catch OvWinError. ErrorCode: 5 Error: " + SystemText(5) + L"\r\n");
    EXPECT_EQ(FromUtf16Le(bytes).find(L'\xFEFF', 1), std::wstring::npos) << "a second byte order mark";
}

TEST_F(LogFile, NothingIsCreatedWithoutALine)
{
    const std::wstring path = Scratch() + L"untouched.log";
    {
        OvLogFile log(path.c_str());
        log << L"before any level" << 7u;
        log << static_cast<OvLogLevel>(16) << L"outside the mask";
    }
    bool found = true;
    ReadFileBytes(path, &found);
    EXPECT_FALSE(found);
}
}  // namespace
