// bench_register.h - registers a benchmark under a name made at run time.
// Set-up that cannot be done (no quelm.bmp, say) skips the benchmark with
// the reason instead of ending the run.
#ifndef QUELM_BENCH_BENCH_REGISTER_H
#define QUELM_BENCH_BENCH_REGISTER_H

#include <benchmark/benchmark.h>

#include <chrono>
#include <exception>
#include <string>
#include <utility>

namespace quelm_bench {

template <class Function, class... Args>
benchmark::internal::Benchmark *Register(const std::string &name, Function function,
                                         Args... args) {
    return benchmark::RegisterBenchmark(name.c_str(),
                                        [=](benchmark::State &state) {
                                            try {
                                                function(state, args...);
                                            } catch (const std::exception &e) {
                                                state.SkipWithError(e.what());
                                            }
                                        })
        ->Unit(benchmark::kMicrosecond);
}

// For benchmarks registered with UseManualTime: runs prepare untimed, then
// times run, every iteration.
template <class Prepare, class Run>
void TimeEach(benchmark::State &state, Prepare prepare, Run run) {
    for (auto _ : state) {
        prepare();
        const auto start = std::chrono::steady_clock::now();
        run();
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
}

}  // namespace quelm_bench

#endif
