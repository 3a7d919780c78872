#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "number_fill.h"

namespace {

constexpr std::int64_t fillCount = 67'108'864;  // 512 MiB of doubles

// One buffer for every case, touched up front so page faults stay out of the timings.
std::vector<double>& sharedBuffer() {
    static std::vector<double> buffer(fillCount, 1.0);
    return buffer;
}

template <typename Fill>
void runFill(benchmark::State& state, Fill fill) {
    std::vector<double>& buffer = sharedBuffer();
    for (auto _ : state) {
        fill(buffer.data(), fillCount);
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * fillCount);
}

void scalarLoop(benchmark::State& state) {
    runFill(state, fillNumbersScalar);
}

void fastFill(benchmark::State& state) {
    state.SetLabel(fillPathName(bestFillPath()));
    runFill(state, fillNumbers);
}

void forcedPath(benchmark::State& state, FillPath path) {
    if (!fillPathSupported(path)) {
        state.SkipWithError("path not supported on this processor");
        return;
    }
    runFill(state, [path](double* numbers, std::int64_t count) {
        fillNumbersWith(numbers, count, path);
    });
}

}  // namespace

BENCHMARK(scalarLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(fastFill)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(forcedPath, avx512, FillPath::Avx512)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(forcedPath, avx2, FillPath::Avx2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(forcedPath, sse2, FillPath::Sse2)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
