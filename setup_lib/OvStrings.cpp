#include "setup_lib/OvStrings.h"

#include "setup_lib/OvPointerT.h"
#include "setup_lib/OvWinError.h"

#include <cwchar>

namespace OvSetupLib
{
namespace
{
HINSTANCE g_resourceModule = nullptr;

bool IsDelimiter(wchar_t c, const wchar_t* delimiters)
{
    for (const wchar_t* d = delimiters; *d; ++d) {
        if (*d == c) return true;
    }
    return false;
}
}  // namespace

std::vector<OvMsiString> SplitString(const wchar_t* text, const wchar_t* delimiters)
{
    std::vector<OvMsiString> tokens;
    if (text == nullptr || *text == 0) return tokens;
    if (delimiters == nullptr) delimiters = L"";
    std::size_t n = std::wcslen(text);
    OvPointerT<wchar_t, PointerArrayReleaser> copy(new wchar_t[n + 1]());
    std::wmemcpy(copy.Get(), text, n);
    const wchar_t* s = copy.Get();

    std::size_t i = 0;
    for (; i < n && IsDelimiter(s[i], delimiters); ++i)
        tokens.emplace_back();
    if (i == n) {
        tokens.emplace_back();
        return tokens;
    }
    while (i < n) {
        std::size_t start = i;
        while (i < n && !IsDelimiter(s[i], delimiters))
            ++i;
        tokens.emplace_back(s + start, i - start);
        if (i == n) break;
        ++i;  // the delimiter that ended the token
        if (i < n && IsDelimiter(s[i], delimiters)) {
            for (; i < n && IsDelimiter(s[i], delimiters); ++i)
                tokens.emplace_back();
            if (i == n) {
                tokens.emplace_back();
                break;
            }
        }
    }
    return tokens;
}

OvMsiString NumberText(DWORD number, int width)
{
    wchar_t digits[11];
    std::size_t at = sizeof digits / sizeof digits[0];
    digits[--at] = 0;
    do {
        digits[--at] = static_cast<wchar_t>(L'0' + number % 10);
        number /= 10;
    } while (number != 0);
    OvMsiString text;
    for (int i = static_cast<int>(sizeof digits / sizeof digits[0] - 1 - at); i < width; ++i)
        text += L'0';
    return text + OvMsiString(digits + at);
}

OvMsiString AddTrailingBackslash(const OvMsiString& path)
{
    OvMsiString r(path);
    if (!r.empty() && r.back() != L'\\') r += L'\\';
    return r;
}

OvMsiString RemoveTrailingBackslash(const OvMsiString& path)
{
    OvMsiString r(path);
    if (!r.empty() && r.back() == L'\\') r.pop_back();
    return r;
}

OvMsiString GetParentFolder(const wchar_t* path)
{
    if (path == nullptr || *path == 0) return OvMsiString();
    OvMsiString full;
    DWORD length = GetFullPathNameW(path, 260, full.OpenBuffer(261), nullptr);
    if (length > 260) {
        DWORD needed = length;
        length = GetFullPathNameW(path, needed + 1, full.OpenBuffer(needed + 2), nullptr);
    }
    if (length == 0) throw OvWinError(LastErrorOfFailure());
    full.CloseBuffer(-1);
    OvMsiString::size_type slash = full.rfind(L'\\');
    if (slash != OvMsiString::npos) full.resize(slash);
    return AddTrailingBackslash(full);
}

OvMsiString GetProgramPath()
{
    // One character more than any accepted path, so that a cut path is told from one that fits.
    constexpr DWORD kBuffer = MAX_PATH + 1;
    OvMsiString path;
    DWORD length = GetModuleFileNameW(nullptr, path.OpenBuffer(kBuffer), kBuffer);
    if (length == 0) throw OvWinError(LastErrorOfFailure());
    if (length >= MAX_PATH) throw OvWinError(ERROR_FILENAME_EXCED_RANGE);
    path.CloseBuffer(static_cast<long>(length));
    return path;
}

OvMsiString GetProgramFolder()
{
    return GetParentFolder(GetProgramPath().c_str());
}

void SetResourceModule(HINSTANCE module)
{
    g_resourceModule = module;
}

OvMsiString LoadResourceString(WORD row)
{
    OvMsiString out;
    WORD block = static_cast<WORD>(row / 16 + 1);
    HRSRC info = FindResourceExW(g_resourceModule, RT_STRING, MAKEINTRESOURCEW(block), 0);
    if (info == nullptr) return out;
    HGLOBAL data = LoadResource(g_resourceModule, info);
    if (data == nullptr) return out;
    const BYTE* bytes = static_cast<const BYTE*>(LockResource(data));
    DWORD size = SizeofResource(g_resourceModule, info);
    if (bytes == nullptr) return out;
    // Entries are a 16-bit length and that many UTF-16 code units; never read past the block.
    DWORD offset = 0;
    auto unitAt = [bytes](DWORD at) { return static_cast<WORD>(bytes[at] | (bytes[at + 1] << 8)); };
    for (unsigned index = 0; index < row % 16u; ++index) {
        if (offset + 2 > size) return out;
        offset += 2 + 2u * unitAt(offset);
    }
    if (offset + 2 > size) return out;
    DWORD length = unitAt(offset);
    offset += 2;
    if (length == 0 || offset + 2 * length > size) return out;
    wchar_t* text = out.OpenBuffer(length);
    for (DWORD i = 0; i < length; ++i)
        text[i] = static_cast<wchar_t>(unitAt(offset + 2 * i));
    out.CloseBuffer(static_cast<long>(length));
    return out;
}
}  // namespace OvSetupLib
