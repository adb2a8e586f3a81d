// The one text type of the system: UTF-16 code units in a standard wide string,
// with formatting, replace-all, a writable buffer for system calls and comparison
// that ignores the case of the letters a to z.
#pragma once

#include "setup_lib/OvPlatform.h"

#include <cstdarg>
#include <cstddef>
#include <string>

namespace OvSetupLib
{
class OvWinError;

class OvMsiString : public std::wstring
{
public:
    OvMsiString() = default;
    OvMsiString(const wchar_t* text) : std::wstring(text ? text : L"") {}  // NOLINT: implicit by design
    OvMsiString(const std::wstring& text) : std::wstring(text) {}          // NOLINT
    OvMsiString(const wchar_t* text, size_type count) : std::wstring(text, count) {}
    OvMsiString(const OvMsiString&) = default;
    OvMsiString(OvMsiString&&) noexcept = default;
    // The system's message text for the error's code.
    explicit OvMsiString(const OvWinError& error);
    virtual ~OvMsiString() = default;

    OvMsiString& operator=(const OvMsiString&) = default;
    OvMsiString& operator=(OvMsiString&&) noexcept = default;
    OvMsiString& operator=(const wchar_t* text)
    {
        assign(text ? text : L"");
        return *this;
    }

    // printf-style; %s takes a wide string in every build.
    void Format(const wchar_t* format, ...);
    OvMsiString& Replace(const wchar_t* find, const wchar_t* replacement);
    wchar_t* OpenBuffer(size_type minimumLength);
    void CloseBuffer(long length = -1);
    int CompareIgnoreCase(const OvMsiString& other) const;
};

OvMsiString operator+(const OvMsiString& left, const wchar_t* right);
OvMsiString operator+(const OvMsiString& left, const OvMsiString& right);
OvMsiString operator+(const wchar_t* left, const OvMsiString& right);

// Bounded wide formatting: writes at most limit characters plus a terminator and
// returns the length, or -1 when the text does not fit (nothing is cut).
int FormatBounded(wchar_t* buffer, std::size_t limit, const wchar_t* format, va_list args);
}  // namespace OvSetupLib
