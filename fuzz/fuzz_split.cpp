// SplitString with any text and any set of delimiters: the tokens and delimiters
// together give back the text.
#include "FuzzText.h"
#include "setup_lib/OvStrings.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1) return 0;
    std::size_t delimiterBytes = (data[0] % 4) * 2;
    if (size < 1 + delimiterBytes) return 0;
    std::wstring delimiters = FuzzText(data + 1, delimiterBytes);
    std::wstring text = FuzzText(data + 1 + delimiterBytes, size - 1 - delimiterBytes);
    // Texts are terminated: an embedded null ends them, as for the system's callers.
    text = text.c_str();
    delimiters = delimiters.c_str();
    auto tokens = OvSetupLib::SplitString(text.c_str(), delimiters.c_str());
    std::size_t characters = 0;
    for (const auto& t : tokens) {
        characters += t.size();
        if (t.find_first_of(delimiters) != std::wstring::npos && !delimiters.empty()) std::abort();
    }
    if (characters > text.size()) std::abort();
    return 0;
}
