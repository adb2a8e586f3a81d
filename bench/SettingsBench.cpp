// The settings reader over files of growing size: the time should grow in step with the bytes.
#include "setup_lib/OvXmlDocument.h"

#include "bench/HeapCount.h"
#include "bench/SettingsText.h"

#include <benchmark/benchmark.h>
#include <winsim/Machine.h>

#include <string>

namespace
{
const wchar_t kPath[] = L"C:\\Media\\KDRSettings.xml";

void BM_XmlDocument_Load(benchmark::State& state)
{
    winsim::Reset();
    const std::string text = OvBench::SettingsText(static_cast<std::size_t>(state.range(0)));
    winsim::M().WriteFile(kPath, text);
    {
        const std::size_t before = OvBench::HeapBytesInUse();
        OvSetupLib::OvXmlDocument check(kPath);
        const std::size_t kept = OvBench::HeapBytesInUse() - before;
        if (!check.IsLoaded() || check.GetRoot()->FindElements(L"product").empty()) {
            state.SkipWithError("the generated settings file did not load");
            return;
        }
        // The heap that the loaded tree keeps, per byte of the file.
        state.counters["heap_per_byte"] = static_cast<double>(kept) / static_cast<double>(text.size());
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
