// The fill as shardfall pays for it: on a fresh buffer, whose pages the kernel has still to map
// in (the program fills a buffer it has just allocated), and on a warm one, for the arithmetic
// alone. Beside them: the C-library loop both ways, and a plain write of a fresh buffer, the
// floor that no fill can go below.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "number_fill.h"

namespace {

constexpr std::int64_t fillCount = 67'108'864;  // 512 MiB of doubles

using Fill = void (*)(double*, std::int64_t, FillPath);

void cLibrary(double* numbers, std::int64_t count, FillPath) {
    fillNumbersCLibrary(numbers, count);
}

void plainWrite(double* numbers, std::int64_t count, FillPath) {
    std::memset(numbers, 0x55, static_cast<std::size_t>(count) * sizeof(double));
}

// Times fill alone; a fresh buffer is allocated (as shardfall allocates it) and released
// outside the timing.
void timedFill(benchmark::State& state, Fill fill, FillPath path, bool fresh) {
    std::unique_ptr<double[]> warm;
    if (!fresh) {
        warm.reset(new double[fillCount]);
        fill(warm.get(), fillCount, path);
    }
    for (auto _ : state) {
        std::unique_ptr<double[]> buffer(fresh ? new double[fillCount] : nullptr);
        double* numbers = fresh ? buffer.get() : warm.get();
        const auto start = std::chrono::steady_clock::now();
        fill(numbers, fillCount, path);
        benchmark::DoNotOptimize(numbers);
        benchmark::ClobberMemory();
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    state.SetItemsProcessed(state.iterations() * fillCount);
}

void registerCase(const std::string& name, Fill fill, FillPath path) {
    for (bool fresh : {true, false}) {
        benchmark::RegisterBenchmark((name + (fresh ? "/fresh" : "/warm")).c_str(), timedFill,
                                     fill, path, fresh)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
}

}  // namespace

int main(int argc, char** argv) {
    for (FillPath path : allFillPaths) {
        if (fillPathSupported(path)) {
            registerCase("fill/" + std::string(fillPathName(path)), fillNumbers, path);
        }
    }
    registerCase("cLibrary", cLibrary, FillPath::Portable);
    benchmark::RegisterBenchmark("plainWrite/fresh", timedFill, plainWrite, FillPath::Portable,
                                 true)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
