// Number text is written for every value of every page line; it must stay cheap.
#include <benchmark/benchmark.h>

#include <string>

#include "common/number_text.h"

namespace {

void BM_NumberTextAngles(benchmark::State& state) {
    std::string line;
    for (auto _ : state) {
        line.clear();
        for (int b = 0; b < 264; ++b) {
            tilt::appendNumberText(line, (b - 128) * 1.40625);
        }
        benchmark::DoNotOptimize(line.data());
    }
    state.SetItemsProcessed(state.iterations() * 264);
}
BENCHMARK(BM_NumberTextAngles);

}  // namespace
