// ReadBlock of the first and of the last block of a 100 MB container.
#include "SimExe.h"
#include "ZLibEx.h"
#include "html_like.h"

#include <benchmark/benchmark.h>

namespace {

// About 100 MB: a 2 MB prefix (the viewer) and 1,600 pages of 60 KB.
constexpr int kPages = 1600;

void BuildContainer() {
    SimExe::TBlockStore& store = SimExe::BlockStore();
    if (!store.empty()) return;
    store = std::string(2 << 20, '\x7F');
    const std::string page = ZLibEx::CompressString(HtmlLike(4 << 10), ZLibEx::lvDefault);
    std::string filler = HtmlLike(60 << 10, 7);  // stored raw so the container really is 100 MB
    for (int i = 0; i < kPages; ++i) {
        SimExe::AppendBlock("filler/" + std::to_string(i) + ".bin", filler, store);
        SimExe::AppendBlock("page" + std::to_string(i) + ".html", page, store);
    }
}

void ReadPage(benchmark::State& state, int index) {
    BuildContainer();
    const std::string name = "PAGE" + std::to_string(index) + ".HTML";
    std::string value;
    for (auto _ : state) {
        SimExe::ReadBlock(name, value);
        benchmark::DoNotOptimize(value);
    }
    state.counters["container_MB"] = static_cast<double>(SimExe::BlockStore().size()) / (1 << 20);
}

}  // namespace

static void BM_ReadBlockFirst(benchmark::State& state) { ReadPage(state, 0); }
static void BM_ReadBlockLast(benchmark::State& state) { ReadPage(state, kPages - 1); }
BENCHMARK(BM_ReadBlockFirst)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadBlockLast)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
