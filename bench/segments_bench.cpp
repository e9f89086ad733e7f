// Speed of tsf_segments_run on a long table sorted by symbol and time,
// 20,000 symbols x 50 rows, against the same 1,000,000 samples filtered as
// one series by the batch export and by one stream, for every kind with the
// tools' default arguments. The oscillators' 50-row segments are shorter
// than their window of 100 and have no output, so the oscillators are also
// timed on 5,000 symbols x 200 rows. A ragged table of 1 to 99 rows per
// symbol shows the segments that run through the tile. Run with TSFILTERS_SIMD=avx2 (sse2,
// scalar) to measure a narrower instruction set.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "bench_common.hpp"
#include "filter_table.h"
#include "test_support.hpp"
#include "tsfilters_stream.h"

namespace {

constexpr std::int64_t kSamples = 1000000;

struct Kind {
    std::string name;
    tsf_kind kind;
    tsf_params params;
    testing_support::Run batch;
    bool oscillator;
};

std::vector<Kind> kinds() {
    std::vector<Kind> all;
    const std::vector<testing_support::Filter> filters = testing_support::allFilters();
    int number = 1;
#define TSF_SEGMENTS_BENCH_KIND(Export, python, SHAPE, firstWritten, warmup, rms, period, smooth, gamma, ...) \
    all.push_back({#Export, tsf_kind(number), {period, smooth, gamma}, filters[size_t(number - 1)].library,    \
                   rms != 0});                                                                                \
    ++number;
    TSF_FILTER_TABLE(TSF_SEGMENTS_BENCH_KIND)
#undef TSF_SEGMENTS_BENCH_KIND
    return all;
}

void batchRun(benchmark::State& state, const Kind& k) {
    bench_common::runSeries(state, std::int32_t(kSamples), k.batch);
}

void streamRun(benchmark::State& state, const Kind& k) {
    bench_common::runSeries(state, std::int32_t(kSamples), [&k](const float* x, std::int32_t n, float* y) {
        tsf_stream s;
        tsf_stream_init(&s, k.kind, &k.params);
        tsf_stream_update(&s, x, n, y);
    });
}

// The walk cut into `rows`-row segments, each its own symbol; rows 0: of
// 1 to 99 rows at random, 50 on average (symbols listed or delisted within
// the table), which run through the tile rather than in place.
void segmentsRun(benchmark::State& state, const Kind& k, std::int64_t rows) {
    const std::vector<float>& x = bench_common::prices(size_t(kSamples));
    std::vector<float> y(x.size());
    std::vector<std::int64_t> starts;
    std::mt19937 rng(7);
    std::uniform_int_distribution<std::int64_t> ragged(1, 99);
    for (std::int64_t at = 0; at < kSamples; at += rows > 0 ? rows : ragged(rng)) starts.push_back(at);
    for (auto _ : state) {
        tsf_segments_run(k.kind, &k.params, x.data(), starts.data(), std::int32_t(starts.size()), kSamples,
                         y.data());
        benchmark::DoNotOptimize(y.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kSamples);
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<Kind> all = kinds();
    for (const Kind& k : all) {
        benchmark::RegisterBenchmark(("batch/" + k.name).c_str(), [k](benchmark::State& s) { batchRun(s, k); });
        benchmark::RegisterBenchmark(("stream/" + k.name).c_str(), [k](benchmark::State& s) { streamRun(s, k); });
        benchmark::RegisterBenchmark(("segments_50/" + k.name).c_str(),
                                     [k](benchmark::State& s) { segmentsRun(s, k, 50); });
        benchmark::RegisterBenchmark(("segments_ragged/" + k.name).c_str(),
                                     [k](benchmark::State& s) { segmentsRun(s, k, 0); });
        if (k.oscillator)
            benchmark::RegisterBenchmark(("segments_200/" + k.name).c_str(),
                                         [k](benchmark::State& s) { segmentsRun(s, k, 200); });
    }
    benchmark::Initialize(&argc, argv);
    bench_common::SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const auto& ns = reporter.nsPerSample;
    std::printf("\n%s, target %s; ms per 1,000,000 samples; segments as a multiple of batch\n",
                bench_common::cpuModel().c_str(), tsf_simd_target());
    std::printf("%-22s %10s %10s %14s %8s %14s %8s %15s %8s\n", "kind", "batch", "stream", "20,000 x 50",
                "x batch", "ragged 1..99", "x batch", "5,000 x 200", "x batch");
    for (const Kind& k : all) {
        const auto at = [&](const std::string& name) {
            const auto it = ns.find(name + "/" + k.name);
            return it == ns.end() ? -1.0 : it->second;
        };
        const double batch = at("batch"), stream = at("stream"), s50 = at("segments_50"),
                     ragged = at("segments_ragged"), s200 = at("segments_200");
        if (batch < 0) continue;
        const double ms = double(kSamples) / 1e6;
        std::printf("%-22s %10.3f %10.3f %14.3f %8.2f %14.3f %8.2f", k.name.c_str(), batch * ms, stream * ms,
                    s50 * ms, s50 / batch, ragged * ms, ragged / batch);
        if (s200 > 0) std::printf(" %15.3f %8.2f", s200 * ms, s200 / batch);
        std::printf("\n");
    }
    benchmark::Shutdown();
    return 0;
}
