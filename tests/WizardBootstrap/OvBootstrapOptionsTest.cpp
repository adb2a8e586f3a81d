// The bootstrapper's own options taken out of the command line: what they set, what is
// left for the product selector and the wizard, and every way an option can be bad.
#include "WizardBootstrap/OvBootstrapOptions.h"

#include <gtest/gtest.h>
#include <winsim/Machine.h>

using OvSetupLib::OvMsiString;
using OvWizardBootstrap::OvCommandLine;
using OvWizardBootstrap::ReadCommandLine;

namespace
{
std::string Joined(const std::vector<OvMsiString>& tokens)
{
    std::string out;
    for (const auto& t : tokens)
        out += (out.empty() ? "" : "|") + winsim::Narrow(t);
    return out;
}

TEST(BootstrapOptions, OptionsAreTakenOutWhereverTheyStand)
{
    struct Case {
        const wchar_t* commandLine;
        const char* tokens;  // what is left, joined with |
    };
    const Case cases[] = {
        {L"", ""},
        {L"/bootstrap:quiet", ""},
        {L"/BOOTSTRAP:Quiet maritane", "maritane"},
        {L"maritane /bootstrap:quiet", "maritane"},
        {L"maritane /bootstrap:quiet wizard-token", "maritane|wizard-token"},
        {L"maritane wizard-token /bootstrap:quiet", "maritane|wizard-token"},
        {L"/bootstrap:quiet maritane wizard-token", "maritane|wizard-token"},
        // Not options: a token for the wizard that only looks like one is left alone.
        {L"keldora /bootstrapquiet", "keldora|/bootstrapquiet"},
        {L"keldora bootstrap:quiet", "keldora|bootstrap:quiet"},
        {L"keldora -bootstrap:quiet", "keldora|-bootstrap:quiet"},
    };
    for (const Case& c : cases) {
        const OvCommandLine parsed = ReadCommandLine(c.commandLine);
        EXPECT_EQ(Joined(parsed.tokens), c.tokens) << winsim::Narrow(c.commandLine);
        EXPECT_TRUE(parsed.badOption.empty()) << winsim::Narrow(c.commandLine);
    }
}

TEST(BootstrapOptions, EachOptionSetsItsField)
{
    const OvCommandLine parsed = ReadCommandLine(
        L"/bootstrap:quiet /bootstrap:strict /bootstrap:restart /bootstrap:check /bootstrap:wait=120 "
        L"/bootstrap:log=C:\\Logs\\setup.log /bootstrap:report=\"C:\\My Reports\\ready.json\" keldora");
    ASSERT_TRUE(parsed.badOption.empty()) << winsim::Narrow(parsed.badOption);
    EXPECT_TRUE(parsed.options.quiet);
    EXPECT_TRUE(parsed.options.strict);
    EXPECT_TRUE(parsed.options.restart);
    EXPECT_TRUE(parsed.options.check);
    EXPECT_EQ(parsed.options.waitSeconds, 120u);
    EXPECT_EQ(parsed.options.logPath, OvMsiString(L"C:\\Logs\\setup.log"));
    EXPECT_EQ(parsed.options.reportPath, OvMsiString(L"C:\\My Reports\\ready.json"));
    EXPECT_EQ(Joined(parsed.tokens), "keldora");

    const OvCommandLine none = ReadCommandLine(L"keldora");
    EXPECT_FALSE(none.options.Unattended());
    EXPECT_EQ(none.options.waitSeconds, 0u);
    EXPECT_TRUE(none.options.logPath.empty());
}

TEST(BootstrapOptions, ABadOptionIsNamedAndTheOthersAreStillRead)
{
    const std::wstring longPath = L"C:\\" + std::wstring(300, L'a') + L".log";
    struct Case {
        std::wstring commandLine;
        const char* named;  // the start of the option named
    };
    const Case cases[] = {
        {L"/bootstrap:silent", "/bootstrap:silent"},
        {L"/bootstrap:", "/bootstrap:"},
        {L"/bootstrap:quiet /bootstrap:quiet", "/bootstrap:quiet"},
        {L"/bootstrap:quiet /bootstrap:QUIET", "/bootstrap:QUIET"},
        {L"/bootstrap:log=a.log /bootstrap:log=b.log", "/bootstrap:log=b.log"},
        {L"/bootstrap:quiet=yes", "/bootstrap:quiet=yes"},
        {L"/bootstrap:wait", "/bootstrap:wait"},
        {L"/bootstrap:wait=", "/bootstrap:wait="},
        {L"/bootstrap:wait=-1", "/bootstrap:wait=-1"},
        {L"/bootstrap:wait=1e3", "/bootstrap:wait=1e3"},
        {L"/bootstrap:wait=86401", "/bootstrap:wait=86401"},
        {L"/bootstrap:wait=99999999999999999999", "/bootstrap:wait=9999"},
        {L"/bootstrap:log=", "/bootstrap:log="},
        {L"/bootstrap:log=\"\"", "/bootstrap:log=\"\""},
        {L"/bootstrap:log=\"C:\\open", "/bootstrap:log=\"C:\\open"},
        {L"/bootstrap:report=" + longPath, "/bootstrap:report=C:\\aaa"},
    };
    for (const Case& c : cases) {
        // A quiet option after the bad one still counts: the run must not show a box.
        const OvCommandLine parsed = ReadCommandLine((c.commandLine + L" /bootstrap:check keldora").c_str());
        EXPECT_EQ(winsim::Narrow(parsed.badOption).rfind(c.named, 0), 0u)
            << winsim::Narrow(c.commandLine) << " named " << winsim::Narrow(parsed.badOption);
        EXPECT_LE(parsed.badOption.size(), 11u + 64u);
        EXPECT_TRUE(parsed.options.check) << winsim::Narrow(c.commandLine);
        EXPECT_EQ(Joined(parsed.tokens), "keldora") << winsim::Narrow(c.commandLine);
    }
}

TEST(BootstrapOptions, TheLimitsThemselvesAreAccepted)
{
    const std::wstring longest = L"C:\\" + std::wstring(MAX_PATH - 4, L'a');
    const OvCommandLine parsed = ReadCommandLine((L"/bootstrap:wait=86400 /bootstrap:log=" + longest).c_str());
    EXPECT_TRUE(parsed.badOption.empty()) << winsim::Narrow(parsed.badOption);
    EXPECT_EQ(parsed.options.waitSeconds, 86400u);
    EXPECT_EQ(parsed.options.logPath.size(), static_cast<std::size_t>(MAX_PATH - 1));
}
}  // namespace
