// Costs of the text functions that every run uses.
#include "setup_lib/OvStrings.h"

#include <benchmark/benchmark.h>
#include <winsim/Machine.h>

namespace
{
void BM_SplitString_CommandLine(benchmark::State& state)
{
    std::wstring line;
    while (line.size() < static_cast<std::size_t>(state.range(0)))
        line += L"maritane token  ";
    line.resize(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(OvSetupLib::SplitString(line.c_str(), L" "));
    state.SetBytesProcessed(state.iterations() * state.range(0) * 2);
}
BENCHMARK(BM_SplitString_CommandLine)->Arg(64)->Arg(32000);

// One argument of each length: 1023 fits the first buffer, longer ones double it.
void BM_Format(benchmark::State& state)
{
    std::wstring arg(static_cast<std::size_t>(state.range(0)), L'x');
    OvSetupLib::OvMsiString s;
    for (auto _ : state) {
        s.Format(L"Please install %s to proceed with %s installation.", arg.c_str(), L"Keldora");
        benchmark::DoNotOptimize(s.data());
    }
}
BENCHMARK(BM_Format)->Arg(10)->Arg(1000)->Arg(4000)->Arg(20000);

void BM_LoadResourceString(benchmark::State& state)
{
    winsim::Reset();
    for (auto _ : state) {
        const OvSetupLib::OvMsiString out = OvSetupLib::LoadResourceString(static_cast<WORD>(state.range(0)));
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_LoadResourceString)->Arg(102)->Arg(518);
}  // namespace

BENCHMARK_MAIN();
