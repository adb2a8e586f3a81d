// The whole road of one run over the simulated machine: every condition met, every
// prerequisite present, settings files naming real packages, and a wizard that returns
// at once. The machine is set up once and reused: the run's named objects go with their
// last handle, so the next run finds no other setup.
#include "bootstrap_helper/RedistrFolderSeam.h"

#include <benchmark/benchmark.h>
#include <winsim/Machine.h>

#include <fstream>
#include <sstream>
#include <string>

namespace
{
const wchar_t kProgram[] = L"C:\\Media\\Setup\\Setup.exe";
const wchar_t kWizard[] = L"C:\\Media\\Setup\\SetupWizard.dat";

bool PlacePackage(const char* fixture, const wchar_t* mediaPath)
{
    std::ifstream in(std::string(OV_MSI_FIXTURE_DIR) + "/" + fixture + ".msi", std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (bytes.str().empty()) return false;
    winsim::M().WriteFile(mediaPath, bytes.str());
    return true;
}

void WriteSettings(const wchar_t* path, const std::string& name, const std::string& codes, const std::string& msi)
{
    winsim::M().WriteFile(path, "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<Settings>\r\n  <product name=\"" +
                                    name + "\" upgradecode=\"" + codes +
                                    "\" minver=\"6.0\">\r\n    <msi kind=\"main\" os=\"x64\">\r\n"
                                    "      <path value=\"" +
                                    msi + "\" arch=\"x64\"/>\r\n    </msi>\r\n  </product>\r\n</Settings>\r\n");
}

// One run with these arguments; false when it did not reach the wizard cleanly.
bool RunOnce(const std::wstring& arguments, int& result)
{
    winsim::Machine& m = winsim::M();
    m.started.clear();
    m.loadedLibraries.clear();
    m.commandLine = std::wstring(kProgram) + (arguments.empty() ? L"" : L" " + arguments);
    std::wstring buffer = arguments;
    try {
        result = wWinMain(GetModuleHandleW(nullptr), nullptr, buffer.data(), 1);
    } catch (const winsim::ProcessExit& exit) {
        result = exit.code;
    }
    return result == 0 && m.started.size() == 1 && m.started[0].application == kWizard && m.messageBoxes.empty() &&
           m.dialogs.empty();
}

void BM_WholeRun(benchmark::State& state, const wchar_t* arguments)
{
    winsim::Reset();
    winsim::Machine& m = winsim::M();
    m.modulePath = kProgram;
    m.programs[kWizard] = winsim::ProgramModel{0, nullptr};
    // The installed-products check reads both packages; an older companion is installed
    // and may be upgraded.
    if (!PlacePackage("keldora-7.0.0.100", L"C:\\Media\\Packages\\keldora.msi") ||
        !PlacePackage("maritane-7.0.0.100", L"C:\\Media\\Packages\\maritane.msi")) {
        state.SkipWithError("fixture packages missing: build the msi_fixtures target");
        return;
    }
    WriteSettings(L"C:\\Media\\KDRSettings.xml", "Keldora", "{2E7D1C94-5A3B-4F06-B8C1-9D4E6A2F0B35}",
                  "Packages\\keldora.msi");
    WriteSettings(L"C:\\Media\\MTSettings.xml", "Maritane", "", "Packages\\maritane.msi");
    m.installed[L"{2E7D1C94-5A3B-4F06-B8C1-9D4E6A2F0B35}"].push_back(
        winsim::InstalledProduct{L"{8C2E3F74-5061-4C9D-AEBF-20314C5D6E7F}", L"6.5.2.0", 0});
    OvBootstrapHelper::RecomputeRedistrFolder();

    int result = 0;
    for (int warm = 0; warm < 2; ++warm) {
        if (!RunOnce(arguments, result)) {
            state.SkipWithError(
                ("the run did not go straight to the wizard, result " + std::to_string(result)).c_str());
            return;
        }
    }
    const int handles = m.OpenHandles();
    for (auto _ : state) {
        RunOnce(arguments, result);
        benchmark::DoNotOptimize(result);
    }
    if (!RunOnce(arguments, result) || m.OpenHandles() != handles) state.SkipWithError("a run left state behind");
}
BENCHMARK_CAPTURE(BM_WholeRun, MainProduct, L"")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_WholeRun, CompanionProduct, L"maritane")->Unit(benchmark::kMicrosecond);
}  // namespace
