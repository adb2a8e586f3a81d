#include "setup_lib/OvMsiString.h"

#include "setup_lib/OvSmartHandle.h"
#include "setup_lib/OvWinError.h"

#include <cwchar>
#include <memory>

namespace OvSetupLib
{
namespace
{
wchar_t UpperAscii(wchar_t c)
{
    return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

// Appends text within the limit; false when it does not fit.
bool Put(wchar_t* buffer, std::size_t limit, std::size_t& pos, const wchar_t* text, std::size_t count)
{
    if (count > limit - pos) return false;
    for (std::size_t i = 0; i < count; ++i)
        buffer[pos + i] = text[i];
    pos += count;
    return true;
}

bool PutPadded(wchar_t* buffer, std::size_t limit, std::size_t& pos, const wchar_t* text, std::size_t count,
               std::size_t width, bool left, wchar_t pad)
{
    std::size_t fill = width > count ? width - count : 0;
    if (!left) {
        for (std::size_t i = 0; i < fill; ++i) {
            if (!Put(buffer, limit, pos, &pad, 1)) return false;
        }
    }
    if (!Put(buffer, limit, pos, text, count)) return false;
    if (left) {
        const wchar_t blank = L' ';
        for (std::size_t i = 0; i < fill; ++i) {
            if (!Put(buffer, limit, pos, &blank, 1)) return false;
        }
    }
    return true;
}

std::size_t Digits(wchar_t* out, unsigned long long value, unsigned base, bool upper)
{
    const wchar_t* digits = upper ? L"0123456789ABCDEF" : L"0123456789abcdef";
    wchar_t tmp[32];
    std::size_t n = 0;
    do {
        tmp[n++] = digits[value % base];
        value /= base;
    } while (value != 0);
    for (std::size_t i = 0; i < n; ++i)
        out[i] = tmp[n - 1 - i];
    return n;
}
}  // namespace

int FormatBounded(wchar_t* buffer, std::size_t limit, const wchar_t* format, va_list args)
{
    std::size_t pos = 0;
    for (const wchar_t* p = format; *p; ++p) {
        if (*p != L'%') {
            if (!Put(buffer, limit, pos, p, 1)) return -1;
            continue;
        }
        const wchar_t* start = p;
        ++p;
        bool left = false;
        wchar_t pad = L' ';
        for (; *p == L'-' || *p == L'0'; ++p) {
            if (*p == L'-') left = true;
            if (*p == L'0') pad = L'0';
        }
        std::size_t width = 0;
        for (; *p >= L'0' && *p <= L'9'; ++p)
            width = width * 10 + static_cast<std::size_t>(*p - L'0');
        int longs = 0;
        for (; *p == L'l' || *p == L'h' || *p == L'w'; ++p) {
            if (*p == L'l') ++longs;
        }
        wchar_t num[32];
        switch (*p) {
            case L'%':
                if (!Put(buffer, limit, pos, p, 1)) return -1;
                break;
            case L's':
            case L'S': {
                const wchar_t* s = va_arg(args, const wchar_t*);
                if (s == nullptr) s = L"(null)";
                if (!PutPadded(buffer, limit, pos, s, std::wcslen(s), width, left, L' ')) return -1;
                break;
            }
            case L'c': {
                wchar_t c = static_cast<wchar_t>(va_arg(args, int));
                if (!PutPadded(buffer, limit, pos, &c, 1, width, left, L' ')) return -1;
                break;
            }
            case L'd':
            case L'i': {
                long long v = longs >= 2   ? va_arg(args, long long)
                              : longs == 1 ? va_arg(args, long)
                                           : va_arg(args, int);
                std::size_t n = 0;
                unsigned long long mag =
                    v < 0 ? 0ULL - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
                if (v < 0) num[n++] = L'-';
                n += Digits(num + n, mag, 10, false);
                if (!PutPadded(buffer, limit, pos, num, n, width, left, pad)) return -1;
                break;
            }
            case L'u':
            case L'x':
            case L'X': {
                unsigned long long v = longs >= 2   ? va_arg(args, unsigned long long)
                                       : longs == 1 ? va_arg(args, unsigned long)
                                                    : va_arg(args, unsigned int);
                std::size_t n = Digits(num, v, *p == L'u' ? 10 : 16, *p == L'X');
                if (!PutPadded(buffer, limit, pos, num, n, width, left, pad)) return -1;
                break;
            }
            default:
                // Unknown directive (or a lone % at the end): kept as written.
                if (*p == 0) --p;
                if (!Put(buffer, limit, pos, start, static_cast<std::size_t>(p - start + 1))) return -1;
                break;
        }
    }
    buffer[pos] = 0;
    return static_cast<int>(pos);
}

OvMsiString::OvMsiString(const OvWinError& error)
{
    wchar_t* text = nullptr;
    DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM, nullptr,
        error.ErrorCode(), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    OvLocalMemory<wchar_t*> owned(text);
    if (length == 0) throw OvWinError(LastErrorOfFailure());
    assign(text, length);
}

void OvMsiString::Format(const wchar_t* format, ...)
{
    if (format == nullptr) return;
    if (format[0] == 0 || format[1] == 0) {
        assign(format);
        return;
    }
    for (std::size_t size = 1024;; size *= 2) {
        std::unique_ptr<wchar_t[]> buffer(new wchar_t[size]);
        va_list args;
        va_start(args, format);
        int length = FormatBounded(buffer.get(), size - 1, format, args);
        va_end(args);
        if (length >= 0) {
            assign(buffer.get(), static_cast<size_type>(length));
            return;
        }
    }
}

OvMsiString& OvMsiString::Replace(const wchar_t* find, const wchar_t* replacement)
{
    std::wstring what(find ? find : L"");
    std::wstring with(replacement ? replacement : L"");
    if (what.empty()) return *this;
    size_type pos = 0;
    while ((pos = this->find(what, pos)) != npos) {
        replace(pos, what.size(), with);
        pos += with.size();
    }
    return *this;
}

wchar_t* OvMsiString::OpenBuffer(size_type minimumLength)
{
    if (size() < minimumLength) resize(minimumLength, L'\0');
    return &(*this)[0];
}

void OvMsiString::CloseBuffer(long length)
{
    if (length < 0) {
        size_type n = 0;
        while (n < size() && (*this)[n] != 0)
            ++n;
        resize(n);
    } else {
        resize(static_cast<size_type>(length), L'\0');
    }
}

int OvMsiString::CompareIgnoreCase(const OvMsiString& other) const
{
    size_type n = size() < other.size() ? size() : other.size();
    for (size_type i = 0; i < n; ++i) {
        wchar_t a = UpperAscii((*this)[i]);
        wchar_t b = UpperAscii(other[i]);
        if (a != b) return a < b ? -1 : 1;
    }
    if (size() == other.size()) return 0;
    return size() < other.size() ? -1 : 1;
}

OvMsiString operator+(const OvMsiString& left, const wchar_t* right)
{
    OvMsiString r(left);
    if (right != nullptr) r.append(right);
    return r;
}

OvMsiString operator+(const OvMsiString& left, const OvMsiString& right)
{
    OvMsiString r(left);
    r.append(right);
    return r;
}

OvMsiString operator+(const wchar_t* left, const OvMsiString& right)
{
    OvMsiString r(left);
    r.append(right);
    return r;
}
}  // namespace OvSetupLib
