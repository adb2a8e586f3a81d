// The entry point's own reading of the command line: its options taken out, the other
// tokens left as the blank-separated split gives them, in order, and every option value
// kept within its limits whatever the text.
#include "FuzzText.h"
#include "WizardBootstrap/OvBootstrapOptions.h"
#include "setup_lib/OvStrings.h"

#include <cstdlib>

namespace
{
bool IsOption(const OvSetupLib::OvMsiString& token)
{
    return token.size() >= 11 && OvSetupLib::OvMsiString(token.substr(0, 11)).CompareIgnoreCase(L"/bootstrap:") == 0;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::wstring text = FuzzText(data, size).c_str();
    const OvWizardBootstrap::OvCommandLine parsed = OvWizardBootstrap::ReadCommandLine(text.c_str());
    const auto all = OvSetupLib::SplitString(text.c_str(), L" ");

    // What is left is the split's own tokens, in order, none of them an option.
    std::size_t at = 0;
    for (const auto& token : parsed.tokens) {
        if (IsOption(token) || token.find(L' ') != std::wstring::npos) std::abort();
        while (at < all.size() && all[at] != token)
            ++at;
        if (at == all.size()) std::abort();
        ++at;
    }
    bool anyOption = false;
    for (const auto& token : all)
        anyOption = anyOption || IsOption(token);
    if (!anyOption && parsed.tokens.size() != all.size()) std::abort();
    if (!anyOption && (parsed.options.Unattended() || !parsed.badOption.empty())) std::abort();

    const auto& o = parsed.options;
    if (o.waitSeconds > OvWizardBootstrap::kMaxWaitSeconds) std::abort();
    for (const auto* path : {&o.logPath, &o.reportPath}) {
        if (path->size() >= MAX_PATH || path->find(L'"') != std::wstring::npos) std::abort();
    }
    // A bad option is named with the prefix as given and a readable length.
    if (!parsed.badOption.empty() && (!IsOption(parsed.badOption) || parsed.badOption.size() > 11 + 64)) std::abort();

    // The same text reads the same way.
    const OvWizardBootstrap::OvCommandLine again = OvWizardBootstrap::ReadCommandLine(text.c_str());
    if (again.tokens != parsed.tokens || again.badOption != parsed.badOption || again.options.logPath != o.logPath)
        std::abort();
    return 0;
}
