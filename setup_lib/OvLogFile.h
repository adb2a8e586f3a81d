// The system's log: a UTF-16LE text file, opened at the first text written and
// appended to, whose lines begin with a local time stamp and a level prefix.
#pragma once

#include "setup_lib/OvMsiString.h"
#include "setup_lib/OvSmartHandle.h"

#include <ctime>
#include <string>

namespace OvSetupLib
{
// Each level is one bit of the mask. A marker of any other value starts a line with
// the time stamp and no prefix.
enum class OvLogLevel : DWORD { Status = 1, Error = 2, Warning = 4, Step = 8 };
// Every level written.
constexpr DWORD kAllLogLevels = static_cast<DWORD>(OvLogLevel::Status) | static_cast<DWORD>(OvLogLevel::Error) |
                                static_cast<DWORD>(OvLogLevel::Warning) | static_cast<DWORD>(OvLogLevel::Step);

// The 24-character form "Www Mmm DD hh:mm:ss YYYY" with English names, the same in
// every build. Fields out of their range are clamped rather than read past a table.
std::wstring FormatLogTimeStamp(const std::tm& time);

// UTF-16 code units as little-endian bytes. On hosts whose wide characters are 32 bits
// a value above 0xFFFF becomes a surrogate pair, so nothing is cut.
std::string ToUtf16LeBytes(const wchar_t* text, std::size_t length);

// Opens or creates the file for writing, never through a link: a link or a file known
// by a second name is replaced by a new file. existed tells whether the file was kept.
// Throws OvWinError.
void OpenOwnFileForWriting(const wchar_t* path, OvHandle& file, bool& existed);

class OvLogFile
{
public:
    explicit OvLogFile(const wchar_t* path, DWORD levelMask = kAllLogLevels);
    OvLogFile(const OvLogFile&) = delete;
    OvLogFile& operator=(const OvLogFile&) = delete;
    // Flushes and closes the file if it was opened.
    virtual ~OvLogFile();

    // Starts a line of that level. Throws OvWinError when the file cannot be opened
    // or written.
    OvLogFile& operator<<(OvLogLevel level);
    OvLogFile& operator<<(const wchar_t* text);
    OvLogFile& operator<<(DWORD number);
    OvLogFile& operator<<(const OvMsiString& text);

private:
    void Insert(const wchar_t* text, std::size_t length);
    void Write(const wchar_t* text, std::size_t length);
    void WriteBytes(const std::string& bytes);
    void Open();

    OvMsiString path_;
    OvHandle file_;
    DWORD levelMask_;
    DWORD currentLevel_ = 0;
    bool opened_ = false;
    bool writingOn_ = true;
};
}  // namespace OvSetupLib
