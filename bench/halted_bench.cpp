// A price that stops moving against one that moves, for every kind with the
// tools' default arguments:
//   batch        the export over 1,000,000 samples
//   stream       one tsf_stream_update of the same samples
//   per_sample   one tsf_stream_update per sample, as a live feed
//   live         one lanes row of 5,000 warm symbols, one new bar each
// `moving` is the walk of every benchmark; `halted` is the same walk that
// stops at sample 1,000 and repeats that price to the end (a suspended
// symbol, a series filled forward), and for `live` every symbol repeats its
// last price; `half` halts every other symbol of the book. The table at
// the end gives each halted case as a multiple of its moving one.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_common.hpp"
#include "filter_table.h"
#include "tsfilters.h"
#include "tsfilters_stream.h"
#include "test_support.hpp"

namespace {

constexpr std::int32_t kSamples = 1000000;
constexpr std::int32_t kMovesFor = 1000;
constexpr std::int32_t kLiveLanes = 5000;
constexpr std::int32_t kWarmBars = 2000;  // past every warm-up and the decay to a halt

struct Kind {
    std::string name;
    tsf_kind kind;
    tsf_params params;
    testing_support::Run batch;
};

std::vector<Kind> kinds() {
    std::vector<Kind> all;
    const testing_support::Arguments a;
    int number = 1;
#define TSF_HALTED_BENCH_KIND(Export, python, SHAPE, firstWritten, warmup, rms, period, smooth, gamma, ...) \
    all.push_back({#Export, tsf_kind(number++), {period, smooth, gamma}, testing_support::bind(::Export, a)});
    TSF_FILTER_TABLE(TSF_HALTED_BENCH_KIND)
#undef TSF_HALTED_BENCH_KIND
    return all;
}

const std::vector<float>& series(bool halted) {
    static const std::vector<float> moving = bench_common::prices(kSamples);
    static const std::vector<float> stopped = [] {
        std::vector<float> s = moving;
        for (std::size_t i = kMovesFor; i < s.size(); ++i) s[i] = s[kMovesFor - 1];
        return s;
    }();
    return halted ? stopped : moving;
}

void batch(benchmark::State& state, const Kind& k, bool halted) {
    const std::vector<float>& x = series(halted);
    std::vector<float> y(kSamples);
    for (auto _ : state) {
        k.batch(x.data(), kSamples, y.data());
        benchmark::DoNotOptimize(y.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kSamples);
}

void stream(benchmark::State& state, const Kind& k, bool halted, bool perSample) {
    const std::vector<float>& x = series(halted);
    std::vector<float> y(kSamples);
    for (auto _ : state) {
        tsf_stream s;
        tsf_stream_init(&s, k.kind, &k.params);
        if (perSample) {
            for (std::int32_t i = 0; i < kSamples; ++i) tsf_stream_update(&s, &x[std::size_t(i)], 1, &y[std::size_t(i)]);
        } else {
            tsf_stream_update(&s, x.data(), kSamples, y.data());
        }
        benchmark::DoNotOptimize(y.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kSamples);
}

// Every symbol has had kWarmBars moving bars; a halted one then repeats its
// last price on every row, a moving one goes on along the walk.
void live(benchmark::State& state, const Kind& k, int haltedEvery) {
    std::vector<tsf_stream> s(kLiveLanes);
    for (tsf_stream& lane : s) tsf_stream_init(&lane, k.kind, &k.params);
    const std::vector<float>& walk = bench_common::prices(kWarmBars + kLiveLanes + 4096);
    std::vector<float> y(kLiveLanes);
    // Lane j follows the walk from sample j.
    for (std::int32_t t = 0; t < kWarmBars; ++t)
        tsf_lanes_update(s.data(), kLiveLanes, walk.data() + t, 1, 1, 1, y.data(), 1, 1);
    std::vector<float> row(kLiveLanes);
    std::int32_t bar = kWarmBars;
    for (auto _ : state) {
        state.PauseTiming();
        for (std::int32_t j = 0; j < kLiveLanes; ++j) {
            const bool halted = haltedEvery > 0 && j % haltedEvery == 0;
            row[std::size_t(j)] = walk[std::size_t((halted ? kWarmBars - 1 : bar) + j)];
        }
        bar = bar + 1 < kWarmBars + 4096 ? bar + 1 : kWarmBars;
        state.ResumeTiming();
        tsf_lanes_update(s.data(), kLiveLanes, row.data(), 1, 1, 1, y.data(), 1, 1);
        benchmark::DoNotOptimize(y.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kLiveLanes);
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<Kind> all = kinds();
    for (const Kind& k : all) {
        for (const bool halted : {false, true}) {
            const std::string input = halted ? "/halted" : "/moving";
            benchmark::RegisterBenchmark(("batch/" + k.name + input).c_str(),
                                         [k, halted](benchmark::State& s) { batch(s, k, halted); });
            benchmark::RegisterBenchmark(("stream/" + k.name + input).c_str(),
                                         [k, halted](benchmark::State& s) { stream(s, k, halted, false); });
            benchmark::RegisterBenchmark(("per_sample/" + k.name + input).c_str(),
                                         [k, halted](benchmark::State& s) { stream(s, k, halted, true); });
        }
        benchmark::RegisterBenchmark(("live/" + k.name + "/moving").c_str(), [k](benchmark::State& s) { live(s, k, 0); });
        benchmark::RegisterBenchmark(("live/" + k.name + "/halted").c_str(), [k](benchmark::State& s) { live(s, k, 1); });
        benchmark::RegisterBenchmark(("live/" + k.name + "/half").c_str(), [k](benchmark::State& s) { live(s, k, 2); });
    }
    benchmark::Initialize(&argc, argv);
    bench_common::SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const auto& ns = reporter.nsPerSample;
    std::printf("\nhalted / moving, best repetition (1.00 = as fast as a moving price)\n");
    std::printf("%-22s %8s %8s %11s %8s %10s\n", "kind", "batch", "stream", "per_sample", "live", "live half");
    for (const Kind& k : all) {
        std::printf("%-22s", k.name.c_str());
        const char* modes[] = {"batch", "stream", "per_sample", "live"};
        for (const char* mode : modes) {
            const std::string base = std::string(mode) + "/" + k.name;
            const auto m = ns.find(base + "/moving"), h = ns.find(base + "/halted");
            const int width = std::string(mode) == "per_sample" ? 11 : 8;
            if (m != ns.end() && h != ns.end()) std::printf(" %*.2f", width, h->second / m->second);
            else std::printf(" %*s", width, "-");
        }
        const auto m = ns.find("live/" + k.name + "/moving"), h = ns.find("live/" + k.name + "/half");
        if (m != ns.end() && h != ns.end()) std::printf(" %10.2f", h->second / m->second);
        std::printf("\n");
    }
    benchmark::Shutdown();
    return 0;
}
