// Compression and decompression throughput on HTML-like data.
#include "ZLibEx.h"
#include "html_like.h"

#include <benchmark/benchmark.h>

static void BM_CompressString(benchmark::State& state) {
    const std::string data = HtmlLike(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(ZLibEx::CompressString(data, ZLibEx::lvDefault));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_CompressString)->Arg(64 << 10)->Arg(4 << 20);

static void BM_DecompressString(benchmark::State& state) {
    const std::string data = HtmlLike(static_cast<std::size_t>(state.range(0)));
    const std::string packed = ZLibEx::CompressString(data, ZLibEx::lvDefault);
    for (auto _ : state) benchmark::DoNotOptimize(ZLibEx::DecompressString(packed));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
    state.counters["ratio"] = static_cast<double>(data.size()) / static_cast<double>(packed.size());
}
BENCHMARK(BM_DecompressString)->Arg(64 << 10)->Arg(4 << 20);

BENCHMARK_MAIN();
