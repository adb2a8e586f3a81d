// The process list of the running-process check over busy machines.
#include "bootstrap_helper/OvConditionCheckRunningProc.h"

#include <benchmark/benchmark.h>
#include <winsim/Machine.h>

#include <string>

namespace
{
void BM_GetRunningProcessNames(benchmark::State& state)
{
    winsim::Reset();
    auto& processes = winsim::M().runningProcesses;
    while (processes.size() < static_cast<std::size_t>(state.range(0)))
        processes.push_back(L"service_host_" + std::to_wstring(processes.size()) + L".exe");
    const std::size_t expected = processes.size() - 2;  // idle and System are left out
    if (OvBootstrapHelper::GetRunningProcessNames().size() != expected) {
        state.SkipWithError("unexpected number of process names");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(OvBootstrapHelper::GetRunningProcessNames());
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_GetRunningProcessNames)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMicrosecond)
    ->Complexity(benchmark::oN);
}  // namespace
