// The settings reader over files of growing size: the time should grow in step with the bytes.
#include "setup_lib/OvXmlDocument.h"

#include <benchmark/benchmark.h>
#include <winsim/Machine.h>

#include <string>

namespace
{
const wchar_t kPath[] = L"C:\\Media\\KDRSettings.xml";

// A settings file of about `bytes` bytes, CR LF lines as the media carry them: product
// elements with upgrade codes, a package path and texts on their lines.
std::string SettingsText(std::size_t bytes)
{
    std::string text = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<Settings>\r\n";
    const std::string end = "</Settings>\r\n";
    for (unsigned n = 0; text.size() + end.size() < bytes; ++n) {
        std::string id = std::to_string(n);
        text += "  <product name=\"Keldora Server " + id +
                "\" upgradecode=\"{9F4E2A61-7B3C-4D58-A1E6-2C8B5D0F3A47};{2E7D1C94-5A3B-4F06-B8C1-9D4E6A2F0B35}\" "
                "minver=\"6.0\" AllowRevisionUpgrade=\"true\">\r\n"
                "    <description>Server role " +
                id +
                "</description>\r\n"
                "    <msi kind=\"main\" os=\"x64\">\r\n"
                "      <path value=\"Packages\\keldora" +
                id + ".msi\" arch=\"x64\" />\r\n    </msi>\r\n  </product>\r\n";
    }
    return text + end;
}

void BM_XmlDocument_Load(benchmark::State& state)
{
    winsim::Reset();
    const std::string text = SettingsText(static_cast<std::size_t>(state.range(0)));
    winsim::M().WriteFile(kPath, text);
    {
        OvSetupLib::OvXmlDocument check(kPath);
        if (!check.IsLoaded() || check.GetRoot()->FindElements(L"product").empty()) {
            state.SkipWithError("the generated settings file did not load");
            return;
        }
    }
    for (auto _ : state) {
        OvSetupLib::OvXmlDocument document(kPath);
        benchmark::DoNotOptimize(document.GetRoot());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
    state.SetComplexityN(static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_XmlDocument_Load)
    ->Arg(1 << 10)
    ->Arg(100 << 10)
    ->Arg(1 << 20)
    ->Arg(10 << 20)
    ->Unit(benchmark::kMicrosecond)
    ->Complexity(benchmark::oN);
}  // namespace
