// The command line as the entry point reads it: split at blanks, the first token chooses
// the product by comparing with the companion selector ignoring case, and a second token
// goes to the wizard only when there are exactly two.
#include "FuzzText.h"
#include "setup_lib/OvMsiString.h"
#include "setup_lib/OvStrings.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::wstring text = FuzzText(data, size).c_str();
    const auto tokens = OvSetupLib::SplitString(text.c_str(), L" ");

    // Blanks and tokens together give back the text, but for one final blank.
    std::wstring joined;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i].find(L' ') != OvSetupLib::OvMsiString::npos) std::abort();
        if (i > 0) joined += L' ';
        joined += tokens[i];
    }
    if (text.compare(0, joined.size(), joined) != 0 || text.size() - joined.size() > 1) std::abort();
    if (text.size() != joined.size() && text.back() != L' ') std::abort();

    const bool companion = !tokens.empty() && tokens[0].CompareIgnoreCase(L"maritane") == 0;
    // Only a first token of the selector's letters chooses the companion.
    if (companion) {
        if (tokens[0].size() != 8) std::abort();
        const OvSetupLib::OvMsiString upper(L"MARITANE");
        if (tokens[0].CompareIgnoreCase(upper) != 0) std::abort();
    }
    OvSetupLib::OvMsiString argument = companion ? L"Settings2.xml" : L"Settings.xml";
    if (tokens.size() == 2) argument += OvSetupLib::OvMsiString(L" ") + tokens[1];
    // The wizard's argument line holds at most the settings name and one token.
    if (tokens.size() != 2 && argument.find(L' ') != OvSetupLib::OvMsiString::npos) std::abort();
    return 0;
}
