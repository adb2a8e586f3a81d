// Version text parsing and comparison, as the installed-products check uses them.
#include "setup_lib/OvVersion.h"

#include <benchmark/benchmark.h>

namespace
{
const wchar_t* const kTexts[] = {L"7.0.0.100", L"6.5.2", L"10.0.19041.1288", L"6.0", L"x.1.2.3.4.5"};

void BM_ParseVersion(benchmark::State& state)
{
    const OvSetupLib::OvMsiString text(kTexts[state.range(0)]);
    for (auto _ : state)
        benchmark::DoNotOptimize(OvSetupLib::ParseVersion(text));
    state.SetLabel(std::string(text.begin(), text.end()));
}
BENCHMARK(BM_ParseVersion)->DenseRange(0, 4);

void BM_CompareVersions(benchmark::State& state)
{
    const OvSetupLib::OvVersion a = OvSetupLib::ParseVersion(L"7.0.0.100");
    const OvSetupLib::OvVersion b = OvSetupLib::ParseVersion(L"7.0.0.101");
    const int count = static_cast<int>(state.range(0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(a);
        benchmark::DoNotOptimize(OvSetupLib::CompareVersions(a, b, count));
    }
}
BENCHMARK(BM_CompareVersions)->Arg(3)->Arg(4);
}  // namespace
