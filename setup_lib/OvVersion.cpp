#include "setup_lib/OvVersion.h"

#include "setup_lib/OvPointerT.h"
#include "setup_lib/OvRedirectionDisabler.h"
#include "setup_lib/OvSmartHandle.h"
#include "setup_lib/OvStrings.h"
#include "setup_lib/OvSystemLibrary.h"
#include "setup_lib/OvWinError.h"

#include <climits>
#include <cwchar>

namespace OvSetupLib
{
namespace
{
// wcstol, clamped to 32 bits also where long is wider.
std::int32_t ToPart(const OvMsiString& field)
{
    long long value = std::wcstoll(field.c_str(), nullptr, 10);
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<std::int32_t>(value);
}
}  // namespace

OvVersion ParseVersion(const OvMsiString& text)
{
    OvVersion v;
    std::int32_t* parts[] = {&v.major, &v.minor, &v.build, &v.revision};
    std::vector<OvMsiString> fields = SplitString(text.c_str(), L".");
    for (std::size_t i = 0; i < fields.size() && i < 4; ++i)
        *parts[i] = ToPart(fields[i]);
    return v;
}

int CompareVersions(const OvVersion& a, const OvVersion& b, int count)
{
    const std::int32_t left[] = {a.major, a.minor, a.build, a.revision};
    const std::int32_t right[] = {b.major, b.minor, b.build, b.revision};
    for (int i = 0; i < count && i < 4; ++i) {
        if (left[i] != right[i]) return left[i] < right[i] ? -1 : 1;
    }
    return 0;
}

OvFileVersion GetFileVersion(const wchar_t* fileName)
{
    // With redirection off a 32-bit process would be given the 64-bit version.dll, which it
    // cannot load: the DLL is loaded while redirection is still on.
    OvLibraryHandle versionLibrary(LoadSystemLibrary(L"version.dll"));
    // Nothing in this scope may load a DLL.
    OvRedirectionDisabler redirection;
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(fileName, &ignored);
    ThrowLastErrorIf(size == 0, L"GetFileVersionInfo failed.");
    OvPointerT<BYTE, PointerArrayReleaser> data(new BYTE[size]());
    ThrowLastErrorIf(!GetFileVersionInfoW(fileName, 0, size, data.Get()), L"GetFileVersionInfo failed.");
    LPVOID block = nullptr;
    UINT length = 0;
    BOOL found = VerQueryValueW(data.Get(), L"\\", &block, &length);
    ThrowLastErrorIf(!found, L"VerQueryValue failed.");
    // A block shorter than its fixed part is found all the same: the call sets no error for it.
    if (block == nullptr || length < sizeof(VS_FIXEDFILEINFO))
        throw OvWinError(ERROR_INVALID_DATA, L"VerQueryValue failed.");
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(block);
    OvFileVersion v;
    v.major = static_cast<std::uint16_t>(info->dwFileVersionMS >> 16);
    v.minor = static_cast<std::uint16_t>(info->dwFileVersionMS & 0xFFFF);
    v.build = static_cast<std::uint16_t>(info->dwFileVersionLS >> 16);
    v.revision = static_cast<std::uint16_t>(info->dwFileVersionLS & 0xFFFF);
    return v;
}
}  // namespace OvSetupLib
