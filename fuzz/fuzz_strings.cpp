// Format with the system's formats and any arguments, Replace and CompareIgnoreCase
// with any texts.
#include "FuzzText.h"
#include "setup_lib/OvMsiString.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::wstring all = FuzzText(data, size);
    std::size_t cut = all.find(L'\n');
    std::wstring a = all.substr(0, cut).c_str();
    std::wstring b = cut == std::wstring::npos ? L"" : std::wstring(all.substr(cut + 1).c_str());

    OvSetupLib::OvMsiString s;
    s.Format(L"Please install %s to proceed with %s installation.", a.c_str(), b.c_str());
    if (s != L"Please install " + a + L" to proceed with " + b + L" installation.") std::abort();
    if (a.find(L'%') == std::wstring::npos) {
        s.Format(a.c_str());  // a format without directives is copied
        if (s != a) std::abort();
    }

    OvSetupLib::OvMsiString r(a);
    if (!b.empty()) r.Replace(b.c_str(), L"=");

    int ab = OvSetupLib::OvMsiString(a).CompareIgnoreCase(b);
    int ba = OvSetupLib::OvMsiString(b).CompareIgnoreCase(a);
    if ((ab > 0) != (ba < 0) || (ab == 0) != (ba == 0)) std::abort();
    return 0;
}
