// Speed of the stream library against the `limit` yardstick of the same
// run, for every kind with the tools' default arguments, over 1,000,000
// samples:
//   update/one_call     all samples in one tsf_stream_update
//   update/per_sample   one tsf_stream_update per sample, as a live feed
//   peek                one tsf_stream_peek per sample on a warm stream
// The table at the end gives ns per sample and the ratio to `limit`.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_common.hpp"
#include "filter_table.h"
#include "tsfilters_stream.h"

namespace {

constexpr std::int32_t kSamples = 1000000;

struct Kind {
    std::string name;
    tsf_kind kind;
    tsf_params params;
};

std::vector<Kind> kinds() {
    std::vector<Kind> all;
    int number = 1;
#define TSF_STREAM_BENCH_KIND(Export, python, SHAPE, firstWritten, warmup, rms, period, smooth, gamma, ...) \
    all.push_back({#Export, tsf_kind(number++), {period, smooth, gamma}});
    TSF_FILTER_TABLE(TSF_STREAM_BENCH_KIND)
#undef TSF_STREAM_BENCH_KIND
    return all;
}

tsf_stream started(const Kind& k) {
    tsf_stream s;
    tsf_stream_init(&s, k.kind, &k.params);
    return s;
}

void limitRun(benchmark::State& state) { bench_common::runSeries(state, kSamples, bench_common::limit); }

void updateOneCall(benchmark::State& state, const Kind& k) {
    const std::vector<float>& x = bench_common::prices(kSamples);
    std::vector<float> y(kSamples);
    for (auto _ : state) {
        tsf_stream s = started(k);
        tsf_stream_update(&s, x.data(), kSamples, y.data());
        benchmark::DoNotOptimize(y.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kSamples);
}

void updatePerSample(benchmark::State& state, const Kind& k) {
    const std::vector<float>& x = bench_common::prices(kSamples);
    std::vector<float> y(kSamples);
    for (auto _ : state) {
        tsf_stream s = started(k);
        for (std::int32_t i = 0; i < kSamples; ++i) tsf_stream_update(&s, &x[std::size_t(i)], 1, &y[std::size_t(i)]);
        benchmark::DoNotOptimize(y.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kSamples);
}

// Each peek is a forming bar's new price on a stream past every warm-up.
void peek(benchmark::State& state, const Kind& k) {
    const std::vector<float>& x = bench_common::prices(kSamples);
    std::vector<float> y(kSamples);
    tsf_stream s = started(k);
    tsf_stream_update(&s, x.data(), 200, y.data());
    for (auto _ : state) {
        for (std::int32_t i = 0; i < kSamples; ++i) tsf_stream_peek(&s, x[std::size_t(i)], &y[std::size_t(i)]);
        benchmark::DoNotOptimize(y.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kSamples);
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<Kind> all = kinds();
    const char* modes[] = {"update/one_call", "update/per_sample", "peek"};
    benchmark::RegisterBenchmark("limit", limitRun);
    for (const Kind& k : all) {
        benchmark::RegisterBenchmark(("update/one_call/" + k.name).c_str(), [k](benchmark::State& s) { updateOneCall(s, k); });
        benchmark::RegisterBenchmark(("update/per_sample/" + k.name).c_str(), [k](benchmark::State& s) { updatePerSample(s, k); });
        benchmark::RegisterBenchmark(("peek/" + k.name).c_str(), [k](benchmark::State& s) { peek(s, k); });
    }
    benchmark::Initialize(&argc, argv);
    bench_common::SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const auto limitNs = reporter.nsPerSample.find("limit");
    if (limitNs != reporter.nsPerSample.end()) {
        std::printf("\n%-22s %-18s %10s %9s\n", "kind", "call", "ns/sample", "x limit");
        std::printf("%-22s %-18s %10.3f %9.3f\n", "limit", "", limitNs->second, 1.0);
        for (const char* mode : modes)
            for (const Kind& k : all) {
                const auto ns = reporter.nsPerSample.find(std::string(mode) + "/" + k.name);
                if (ns == reporter.nsPerSample.end()) continue;
                std::printf("%-22s %-18s %10.3f %9.3f\n", k.name.c_str(), mode, ns->second,
                            ns->second / limitNs->second);
            }
    }
    benchmark::Shutdown();
    return 0;
}
