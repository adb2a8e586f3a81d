#include "setup_lib/OvLogFile.h"

#include "setup_lib/OvFindFileWrapper.h"
#include "setup_lib/OvStrings.h"
#include "setup_lib/OvWinError.h"

#include <cwchar>

namespace OvSetupLib
{
namespace
{
const wchar_t* const kDays[] = {L"Sun", L"Mon", L"Tue", L"Wed", L"Thu", L"Fri", L"Sat"};
const wchar_t* const kMonths[] = {L"Jan", L"Feb", L"Mar", L"Apr", L"May", L"Jun",
                                  L"Jul", L"Aug", L"Sep", L"Oct", L"Nov", L"Dec"};

int Clamp(int value, int low, int high)
{
    return value < low ? low : (value > high ? high : value);
}

const wchar_t* Prefix(DWORD level)
{
    switch (static_cast<OvLogLevel>(level)) {
        case OvLogLevel::Status:
            return L"[STATUS ] ";
        case OvLogLevel::Error:
            return L"[ERROR  ] ";
        case OvLogLevel::Warning:
            return L"[WARNING] ";
        case OvLogLevel::Step:
            return L"[------>] ";
        default:
            return L"";
    }
}
}  // namespace

std::wstring FormatLogTimeStamp(const std::tm& time)
{
    std::wstring out;
    out += kDays[Clamp(time.tm_wday, 0, 6)];
    out += L' ';
    out += kMonths[Clamp(time.tm_mon, 0, 11)];
    out += L' ';
    out += NumberText(static_cast<unsigned>(Clamp(time.tm_mday, 0, 99)), 2);
    out += L' ';
    out += NumberText(static_cast<unsigned>(Clamp(time.tm_hour, 0, 99)), 2);
    out += L':';
    out += NumberText(static_cast<unsigned>(Clamp(time.tm_min, 0, 99)), 2);
    out += L':';
    out += NumberText(static_cast<unsigned>(Clamp(time.tm_sec, 0, 99)), 2);
    out += L' ';
    // Four digits keep the stamp 24 characters long.
    out += NumberText(static_cast<unsigned>(Clamp(time.tm_year + 1900, 0, 9999)), 4);
    return out;
}

std::string ToUtf16LeBytes(const wchar_t* text, std::size_t length)
{
    std::string bytes;
    bytes.reserve(length * 2);
    auto put = [&bytes](unsigned unit) {
        bytes += static_cast<char>(unit & 0xFFu);
        bytes += static_cast<char>((unit >> 8) & 0xFFu);
    };
    for (std::size_t i = 0; i < length; ++i) {
        auto value = static_cast<unsigned long>(text[i]);
        if (value > 0xFFFFul && value <= 0x10FFFFul) {
            value -= 0x10000ul;
            put(static_cast<unsigned>(0xD800ul + (value >> 10)));
            put(static_cast<unsigned>(0xDC00ul + (value & 0x3FFul)));
        } else if (value > 0x10FFFFul) {
            put(0xFFFDu);  // no such character: the replacement character
        } else {
            put(static_cast<unsigned>(value));
        }
    }
    return bytes;
}

OvLogFile::OvLogFile(const wchar_t* path, DWORD levelMask) : path_(path), levelMask_(levelMask) {}

OvLogFile::~OvLogFile()
{
    if (file_.IsValid()) FlushFileBuffers(file_.Get());
}

OvLogFile& OvLogFile::operator<<(OvLogLevel level)
{
    currentLevel_ = static_cast<DWORD>(level);
    if ((currentLevel_ & levelMask_) == 0) return *this;
    Open();
    std::time_t now = std::time(nullptr);
    std::tm local{};
    if (const std::tm* converted = std::localtime(&now)) local = *converted;
    std::wstring head = FormatLogTimeStamp(local);
    head += L' ';
    head += Prefix(currentLevel_);
    Write(head.c_str(), head.size());
    return *this;
}

OvLogFile& OvLogFile::operator<<(const wchar_t* text)
{
    if (text != nullptr) Insert(text, std::wcslen(text));
    return *this;
}

OvLogFile& OvLogFile::operator<<(DWORD number)
{
    const OvMsiString digits = NumberText(number);
    Insert(digits.c_str(), digits.size());
    return *this;
}

OvLogFile& OvLogFile::operator<<(const OvMsiString& text)
{
    Insert(text.c_str(), text.size());
    return *this;
}

void OvLogFile::Insert(const wchar_t* text, std::size_t length)
{
    if ((currentLevel_ & levelMask_) == 0 || length == 0) return;
    Write(text, length);
}

void OvLogFile::Write(const wchar_t* text, std::size_t length)
{
    if (!writingOn_) return;
    Open();
    if (text == nullptr || length == 0) return;
    WriteBytes(ToUtf16LeBytes(text, length));
}

void OvLogFile::WriteBytes(const std::string& bytes)
{
    DWORD written = 0;
    ThrowLastErrorIf(!WriteFile(file_.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    // A short write loses part of the line: report it rather than carry on.
    if (written != bytes.size()) throw OvWinError(ERROR_HANDLE_DISK_FULL);
}

void OpenOwnFileForWriting(const wchar_t* path, OvHandle& file, bool& existed)
{
    existed = FileExists(path);
    // The link itself is opened, never what it leads to.
    HANDLE handle = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    ThrowLastErrorIf(handle == INVALID_HANDLE_VALUE);
    file.Reset(handle);
    BY_HANDLE_FILE_INFORMATION info{};
    ThrowLastErrorIf(!GetFileInformationByHandle(file.Get(), &info));
    // A link, or a file that is also known by another name, could carry the text into a
    // file it was never meant for: that one goes, and a new file begins.
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || info.nNumberOfLinks > 1) {
        file.Reset();
        // A directory link goes as a folder: DeleteFileW refuses it.
        if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            ThrowLastErrorIf(!RemoveDirectoryW(path));
        } else {
            ThrowLastErrorIf(!DeleteFileW(path));
        }
        handle = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        ThrowLastErrorIf(handle == INVALID_HANDLE_VALUE);
        file.Reset(handle);
        existed = false;
    }
}

void OvLogFile::Open()
{
    if (opened_) return;
    bool existed = false;
    OpenOwnFileForWriting(path_.c_str(), file_, existed);
    if (!existed) WriteBytes(std::string("\xFF\xFE", 2));
    ThrowLastErrorIf(SetFilePointer(file_.Get(), 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER);
    opened_ = true;
}
}  // namespace OvSetupLib
