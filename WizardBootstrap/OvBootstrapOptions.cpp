#include "WizardBootstrap/OvBootstrapOptions.h"

#include "setup_lib/OvStrings.h"

#include <cwctype>

namespace OvWizardBootstrap
{
using OvSetupLib::OvMsiString;

namespace
{
const wchar_t kPrefix[] = L"/bootstrap:";
constexpr std::size_t kPrefixLength = sizeof kPrefix / sizeof kPrefix[0] - 1;

bool StartsWithPrefix(const OvMsiString& token)
{
    return token.size() >= kPrefixLength && OvMsiString(token.substr(0, kPrefixLength)).CompareIgnoreCase(kPrefix) == 0;
}

bool IsQuoted(const OvMsiString& value)
{
    return value.size() >= 2 && value.front() == L'"' && value.back() == L'"';
}

// A path value: not empty, not longer than a path may be, without a quote or a control character.
bool IsPathValue(const OvMsiString& value)
{
    if (value.empty() || value.size() >= MAX_PATH) return false;
    for (wchar_t c : value) {
        if (c == L'"' || c < 0x20) return false;
    }
    return true;
}

bool ReadSeconds(const OvMsiString& value, DWORD& seconds)
{
    if (value.empty() || value.size() > 5) return false;
    DWORD n = 0;
    for (wchar_t c : value) {
        if (c < L'0' || c > L'9') return false;
        n = n * 10 + static_cast<DWORD>(c - L'0');
    }
    if (n > kMaxWaitSeconds) return false;
    seconds = n;
    return true;
}

// Takes one option; false when it is unknown, repeated or its value is bad.
bool TakeOption(const OvMsiString& name, const OvMsiString* value, OvBootstrapOptions& options,
                std::vector<OvMsiString>& seen)
{
    OvMsiString key = name;
    for (wchar_t& c : key)
        c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    for (const OvMsiString& earlier : seen) {
        if (earlier == key) return false;
    }
    seen.push_back(key);
    struct Flag {
        const wchar_t* name;
        bool OvBootstrapOptions::*field;
    };
    for (const Flag& flag :
         {Flag{L"quiet", &OvBootstrapOptions::quiet}, Flag{L"strict", &OvBootstrapOptions::strict},
          Flag{L"restart", &OvBootstrapOptions::restart}, Flag{L"check", &OvBootstrapOptions::check}}) {
        if (key == flag.name) {
            if (value != nullptr) return false;
            options.*flag.field = true;
            return true;
        }
    }
    if (value == nullptr) return false;
    OvMsiString text = IsQuoted(*value) ? OvMsiString(value->substr(1, value->size() - 2)) : *value;
    if (key == L"wait") return ReadSeconds(text, options.waitSeconds);
    if (key == L"log" || key == L"report") {
        if (!IsPathValue(text)) return false;
        (key == L"log" ? options.logPath : options.reportPath) = text;
        return true;
    }
    return false;
}
}  // namespace

OvCommandLine ReadCommandLine(const wchar_t* commandLine)
{
    OvCommandLine result;
    const std::vector<OvMsiString> all = OvSetupLib::SplitString(commandLine, L" ");
    std::vector<OvMsiString> seen;
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (!StartsWithPrefix(all[i])) {
            result.tokens.push_back(all[i]);
            continue;
        }
        const OvMsiString prefix = all[i].substr(0, kPrefixLength);
        OvMsiString option = all[i].substr(kPrefixLength);
        // A quoted value goes on to the token that closes the quote; without one it is the
        // token alone (and bad), so that the tokens after it keep their meaning.
        const std::size_t equals = option.find(L'=');
        const auto closes = [equals](const OvMsiString& text) {
            return text.size() - equals >= 3 && text.back() == L'"';
        };
        if (equals != OvMsiString::npos && equals + 1 < option.size() && option[equals + 1] == L'"' &&
            !closes(option)) {
            std::size_t last = i + 1;
            while (last < all.size() && (all[last].empty() || all[last].back() != L'"'))
                ++last;
            if (last < all.size()) {
                for (++i; i <= last; ++i)
                    option += L" " + all[i];
                --i;
            }
        }
        OvMsiString name = equals == OvMsiString::npos ? option : OvMsiString(option.substr(0, equals));
        OvMsiString value = equals == OvMsiString::npos ? OvMsiString() : OvMsiString(option.substr(equals + 1));
        // Read on after a bad one, so that a quiet run stays quiet whatever the order.
        if (!TakeOption(name, equals == OvMsiString::npos ? nullptr : &value, result.options, seen) &&
            result.badOption.empty()) {
            // Named as given, cut so that a message box stays readable.
            result.badOption = prefix + OvMsiString(option.substr(0, 64));
        }
    }
    return result;
}
}  // namespace OvWizardBootstrap
