// The text form that Windows Installer takes for a product or upgrade code: a GUID in
// braces, hex digits of either case. Anything else is an invalid parameter to it.
#include <winsim/Machine.h>

namespace winsim
{
bool IsInstallerGuid(const wchar_t* text)
{
    static const char pattern[] = "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}";
    if (text == nullptr) return false;
    for (std::size_t i = 0; i < sizeof pattern - 1; ++i) {
        const wchar_t c = text[i];
        if (c == 0) return false;
        if (pattern[i] == 'X') {
            if (!((c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F'))) return false;
        } else if (c != static_cast<wchar_t>(pattern[i])) {
            return false;
        }
    }
    return text[sizeof pattern - 1] == 0;
}
}  // namespace winsim
