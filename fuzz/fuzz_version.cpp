// ParseVersion over any text, and CompareVersions as an order: reflexive, antisymmetric,
// and the three-part comparison agreeing with the four-part one except for the revision.
#include "FuzzText.h"
#include "setup_lib/OvVersion.h"

#include <cstdlib>

namespace
{
int Sign(int value)
{
    return (value > 0) - (value < 0);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::wstring all = FuzzText(data, size);
    std::size_t cut = all.find(L'\n');
    std::wstring a = all.substr(0, cut).c_str();
    std::wstring b = cut == std::wstring::npos ? L"" : std::wstring(all.substr(cut + 1).c_str());

    const OvSetupLib::OvVersion va = OvSetupLib::ParseVersion(a);
    const OvSetupLib::OvVersion vb = OvSetupLib::ParseVersion(b);
    // Parsing is a function of the text.
    const OvSetupLib::OvVersion again = OvSetupLib::ParseVersion(a);
    if (OvSetupLib::CompareVersions(va, again, 4) != 0) std::abort();

    for (int count = 1; count <= 4; ++count) {
        if (OvSetupLib::CompareVersions(va, va, count) != 0) std::abort();
        if (Sign(OvSetupLib::CompareVersions(va, vb, count)) != -Sign(OvSetupLib::CompareVersions(vb, va, count)))
            std::abort();
    }
    const int three = Sign(OvSetupLib::CompareVersions(va, vb, 3));
    const int four = Sign(OvSetupLib::CompareVersions(va, vb, 4));
    if (three != 0 && three != four) std::abort();
    if (three == 0 && four != Sign((va.revision > vb.revision) - (va.revision < vb.revision))) std::abort();
    return 0;
}
