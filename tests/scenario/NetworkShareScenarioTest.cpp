// The whole road with the media on a network share, the program started as
// \\server\share\Media\Setup\Setup.exe: the conditions read the packages from the share,
// a missing prerequisite is installed from the share's Redistr folder, and the wizard is
// started by its network path. Nothing of the media is on a drive.
#include "Scenario.h"
#include "bootstrap_helper/MediaFixture.h"

#include <filesystem>

namespace scenario
{
namespace
{
const wchar_t kShareProgram[] = L"\\\\server\\share\\Media\\Setup\\Setup.exe";
const wchar_t kShareWizard[] = L"\\\\server\\share\\Media\\Setup\\SetupWizard.dat";
const wchar_t kShareDotNet[] = L"\\\\server\\share\\Media\\Redistr\\dotNetFx40_Full_x86_x64.exe";

class NetworkShare : public Scenario
{
protected:
    // Lays the media as the fixtures do, at C:\Media, then moves it onto the share.
    void MoveMediaToShare()
    {
        namespace fs = std::filesystem;
        const std::string share = M().HostPath(L"\\\\server\\share\\");
        fs::create_directories(share);
        fs::rename(M().HostPath(L"C:\\Media"), share + "/Media");
        ASSERT_FALSE(M().Exists(L"C:\\Media"));
        ASSERT_TRUE(M().Exists(L"\\\\server\\share\\Media\\KDRSettings.xml"));
    }

    int RunFromShare(const std::wstring& arguments)
    {
        M().modulePath = kShareProgram;
        M().commandLine = std::wstring(L"\"") + kShareProgram + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
        return RunEntryPoint(arguments);
    }
};

TEST_F(NetworkShare, TheWholeRoadRunsFromTheShare)
{
    media::PlacePackage("keldora-7.0.0.100", L"Packages\\own.msi");
    media::PlacePackage("maritane-7.0.0.100", L"Packages\\companion.msi");
    media::WriteSettings(L"KDRSettings.xml",
                         media::Product("name=\"own\" minver=\"6.0\"", "Packages\\own.msi") +
                             media::Product("name=\"companion\" minver=\"6.0\"", "Packages\\companion.msi"));
    MoveMediaToShare();
    // An older Keldora is installed: the upgrade check reads the package on the share.
    media::Install(media::MainCode(), L"6.5.0.0");
    M().processors = {{0x1, RelationProcessorCore}};
    M().registry.erase(winsim::Machine::RegistryPath(HKEY_LOCAL_MACHINE, kDotNetKey, true));
    M().programs[kShareDotNet] =
        winsim::ProgramModel{0, [](winsim::Machine& m, const std::wstring&) {
                                 m.Key(HKEY_LOCAL_MACHINE, kDotNetKey, true).values[L"Install"] =
                                     winsim::RegistryValue{REG_DWORD, {1, 0, 0, 0}};
                             }};
    M().programs[kShareWizard] = winsim::ProgramModel{
        0, [this](winsim::Machine&, const std::wstring& cmd) { wizardCommandLines.push_back(cmd); }};

    Answer(IDYES);  // the processor warning
    Answer(IDOK, std::wstring(L"Please install .NET Framework 4.0 to proceed with Keldora installation.\n"
                              L"Click OK to install this prerequisite."));
    EXPECT_EQ(RunFromShare(L"keldora token"), 0);
    EXPECT_FALSE(LogText().has_value()) << LogText().value_or(L"");
    ASSERT_EQ(M().messageBoxes.size(), 2u);

    ASSERT_EQ(M().started.size(), 2u);
    EXPECT_EQ(M().started[0].image, kShareDotNet);
    EXPECT_EQ(M().started[0].commandLine, std::wstring(L"\"") + kShareDotNet +
                                              L"\" /q /norestart /log "
                                              L"\"C:\\ProgramData\\Orvale\\Setup\\Temp\\NET40.htm\"");
    EXPECT_EQ(M().started[1].image, kShareWizard);
    ASSERT_EQ(wizardCommandLines.size(), 1u);
    EXPECT_EQ(wizardCommandLines[0], std::wstring(L"\"") + kShareWizard + L"\" KDRSettings.xml token");
    EXPECT_FALSE(M().Exists(L"C:\\Media"));
}

TEST_F(NetworkShare, ThePackagesOnTheShareDecideTheUpgradeCheck)
{
    // A newer Keldora is installed than the share's package: the stop proves the package was read there.
    media::PlacePackage("keldora-7.0.0.100", L"Packages\\own.msi");
    media::WriteSettings(L"KDRSettings.xml", media::Product("name=\"own\" minver=\"6.0\"", "Packages\\own.msi"));
    MoveMediaToShare();
    media::Install(media::MainCode(), L"7.2.0.0");
    Answer(IDOK);
    EXPECT_EQ(RunFromShare(L""), -1);
    ASSERT_EQ(M().messageBoxes.size(), 1u);
    EXPECT_EQ(M().messageBoxes[0].text.rfind(L"Another version of this product is already installed.", 0), 0u)
        << winsim::Narrow(M().messageBoxes[0].text);
    EXPECT_TRUE(M().started.empty());
}
}  // namespace
}  // namespace scenario
