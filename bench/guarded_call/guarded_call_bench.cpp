// Overhead of one guarded driver call. Each guarded call looks the export up by name,
// runs it under the fault guard and tests its status; the direct call goes through
// an address resolved once. Both call the same simulated function on the same card,
// so their difference is what the rule costs. Run a release build.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>

#include "cards/driver_api.h"
#include "cards/guarded_call.h"
#include "kovra_sim.h"
#include "platform/fault_guard.h"
#include "platform/module.h"

namespace {

platform::ModuleHandle library = nullptr;

void DirectCall(benchmark::State& state)
{
    const auto cardDid = cards::LookUp(library, driver::OX9162_Card_DID);
    std::uint32_t did = 0;
    for (auto _ : state) {
        std::uint32_t status = cardDid(0, &did);
        benchmark::DoNotOptimize(status);
        benchmark::DoNotOptimize(did);
    }
}
BENCHMARK(DirectCall);

void GuardedCall(benchmark::State& state)
{
    std::uint32_t did = 0;
    for (auto _ : state) {
        cards::Failure failure = cards::GuardedCall(library, driver::OX9162_Card_DID, 0u, &did);
        benchmark::DoNotOptimize(failure);
        benchmark::DoNotOptimize(did);
    }
}
BENCHMARK(GuardedCall);

// The two parts of the overhead on their own.
void LookUpOnly(benchmark::State& state)
{
    for (auto _ : state) {
        auto address = cards::LookUp(library, driver::OX9162_Card_DID);
        benchmark::DoNotOptimize(address);
    }
}
BENCHMARK(LookUpOnly);

void GuardOnly(benchmark::State& state)
{
    int runs = 0;
    for (auto _ : state) {
        platform::GuardOutcome outcome = platform::RunGuarded([&] { ++runs; });
        benchmark::DoNotOptimize(outcome);
    }
    benchmark::DoNotOptimize(runs);
}
BENCHMARK(GuardOnly);

} // namespace

int main(int argc, char** argv)
{
    library = platform::LoadLibraryA(driver::kLibraryFileName);
    if (library == nullptr) {
        std::fprintf(stderr,
                     "%s not found. Run with the simulator's folder on the library path:\n"
                     "    LD_LIBRARY_PATH=<build directory>/sim %s\n",
                     driver::kLibraryFileName, argv[0]);
        return 1;
    }
    // The default rack in memory only, without the call log, which would otherwise
    // format and keep every one of the millions of calls.
    kovra_sim_reset();
    kovra_sim_use_default_rack();
    kovra_sim_set_call_logging(0);

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
