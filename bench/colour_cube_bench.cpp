// Cost of our own point arithmetic for the colour cube lanternis builds on an 8-bit-per-channel
// window, to set against the initialisation time it reports (which adds the GL's list compile).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>

#include "colour_cube.h"

namespace {

constexpr std::int32_t channelBits = 8;

// Same loop order and bounds as the list build: red slowest, blue fastest.
void fullCube(benchmark::State& state) {
    const CubeScale scale = cubeScaleFor(channelBits, channelBits, channelBits);
    const double redLevels = std::pow(2.0, channelBits);
    const double greenLevels = std::pow(2.0, channelBits);
    const double blueLevels = std::pow(2.0, channelBits);
    for (auto _ : state) {
        for (std::int32_t r = 0; redLevels > r; ++r) {
            for (std::int32_t g = 0; greenLevels > g; ++g) {
                for (std::int32_t b = 0; blueLevels > b; ++b) {
                    CubePoint point = colourCubePoint(r, g, b, scale);
                    benchmark::DoNotOptimize(point);
                }
            }
        }
    }
    state.SetItemsProcessed(state.iterations() *
                            static_cast<std::int64_t>(verticesPerFrameFor(channelBits, channelBits,
                                                                          channelBits)));
}

}  // namespace

BENCHMARK(fullCube)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
