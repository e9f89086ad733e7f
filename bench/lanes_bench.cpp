// Speed of tsf_lanes_update per lane-sample, against the single-series
// export of the same filter and the `limit` yardstick, all in the same run,
// for every kind with the tools' default arguments:
//   time_major     1,000 lanes x 10,000 samples, a table of dates x series
//   series_major   1,000 separate series of 10,000 samples
//   sweep          256 periods (2..257) over one series of 10,000 samples
//   live           one new sample for each of 5,000 warm lanes
//   export         the batch function over one series of 10,000 samples
// The instruction set is the one tsf_simd_target() names: run the program
// with TSFILTERS_SIMD=avx2 (sse2, scalar) to measure a narrower one.
//
// On a vector set it also measures, in the same run, the two bounds of
// lane_bounds.hpp: a copy of the table (memory) and each kind's step over
// a cached tile with 1 to 8 vectors side by side (arithmetic, the best
// count kept), and prints each kind's table figures as a percentage of the
// larger bound.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "bench_common.hpp"
#include "lane_bounds.hpp"
#include "filter_table.h"
#include "stream/value_offsets.hpp"
#include "test_support.hpp"
#include "tsfilters_stream.h"

namespace {

constexpr std::int32_t kSamples = 10000;
constexpr std::int32_t kTableLanes = 1000;
constexpr std::int32_t kSweepLanes = 256;
constexpr std::int32_t kLiveLanes = 5000;

struct Kind {
    std::string name;
    tsf_kind kind;
    tsf_params params;
    testing_support::Run batch;
};

std::vector<Kind> kinds() {
    std::vector<Kind> all;
    const std::vector<testing_support::Filter> filters = testing_support::allFilters();
    int number = 1;
#define TSF_LANES_BENCH_KIND(Export, python, SHAPE, firstWritten, warmup, rms, period, smooth, gamma, ...) \
    all.push_back({#Export, tsf_kind(number), {period, smooth, gamma}, filters[size_t(number - 1)].library}); \
    ++number;
    TSF_FILTER_TABLE(TSF_LANES_BENCH_KIND)
#undef TSF_LANES_BENCH_KIND
    return all;
}

std::vector<tsf_stream> started(const Kind& k, std::int32_t lanes, bool sweep = false) {
    std::vector<tsf_stream> s(static_cast<size_t>(lanes));
    for (std::int32_t j = 0; j < lanes; ++j) {
        tsf_params p = k.params;
        if (sweep) p.period = 2 + j;
        tsf_stream_init(&s[size_t(j)], k.kind, &p);
    }
    return s;
}

// Lane j's series: the benchmark walk, shifted so that lanes differ.
const std::vector<float>& table(bool timeMajor) {
    static std::vector<float> byTime, bySeries;
    std::vector<float>& t = timeMajor ? byTime : bySeries;
    if (t.empty()) {
        const std::vector<float>& x = bench_common::prices(kSamples + kTableLanes);
        t.resize(size_t(kSamples) * kTableLanes);
        for (std::int32_t j = 0; j < kTableLanes; ++j)
            for (std::int32_t i = 0; i < kSamples; ++i)
                t[timeMajor ? size_t(i) * kTableLanes + size_t(j) : size_t(j) * kSamples + size_t(i)] =
                    x[size_t(i + j)];
    }
    return t;
}

void limitRun(benchmark::State& state) { bench_common::runSeries(state, kSamples, bench_common::limit); }

void exportRun(benchmark::State& state, const Kind& k) { bench_common::runSeries(state, kSamples, k.batch); }

// Fresh streams each time: their warm-ups and windows are part of the cost.
void tableRun(benchmark::State& state, const Kind& k, bool timeMajor) {
    const std::vector<float>& x = table(timeMajor);
    std::vector<float> y(x.size());
    const std::int64_t time = timeMajor ? kTableLanes : 1, lane = timeMajor ? 1 : kSamples;
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<tsf_stream> s = started(k, kTableLanes);
        state.ResumeTiming();
        tsf_lanes_update(s.data(), kTableLanes, x.data(), time, lane, kSamples, y.data(), time, lane);
        benchmark::DoNotOptimize(y.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kSamples * kTableLanes);
}

void sweepRun(benchmark::State& state, const Kind& k) {
    const std::vector<float>& x = bench_common::prices(kSamples);
    std::vector<float> y(size_t(kSamples) * kSweepLanes);
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<tsf_stream> s = started(k, kSweepLanes, true);
        state.ResumeTiming();
        tsf_lanes_update(s.data(), kSweepLanes, x.data(), 1, 0, kSamples, y.data(), kSweepLanes, 1);
        benchmark::DoNotOptimize(y.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kSamples * kSweepLanes);
}

// A bar closes for every symbol: one sample per lane, lanes past warm-up.
void liveRun(benchmark::State& state, const Kind& k) {
    std::vector<tsf_stream> s = started(k, kLiveLanes);
    const std::vector<float>& x = bench_common::prices(200 + kLiveLanes);
    std::vector<float> y(200 * size_t(kLiveLanes));
    tsf_lanes_update(s.data(), kLiveLanes, x.data(), 1, 1, 200, y.data(), kLiveLanes, 1);
    std::int32_t bar = 0;
    for (auto _ : state) {
        tsf_lanes_update(s.data(), kLiveLanes, x.data() + (bar++ % 200), 1, 1, 1, y.data(), 1, 1);
        benchmark::DoNotOptimize(y.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kLiveLanes);
}

// The first bytes of a kind's stream that a live row reads and writes.
std::int32_t liveBytes(tsf_stream& stream) {
    namespace ts = tsfilters::stream;
    std::uint16_t offsets[ts::lanes::kMaxValues] = {};
    switch (ts::stateOf(&stream).kind) {
#define TSF_LIVE_BYTES(Export, ...) \
    case ts::Export##Kind::kNumber: ts::lanes::findValues<ts::Export##Kind>(ts::stateOf(&stream), offsets); break;
        TSF_FILTER_TABLE(TSF_LIVE_BYTES)
#undef TSF_LIVE_BYTES
    }
    return ts::lanes::bytesRead(offsets);
}

// The memory a live row cannot avoid: each stream's header and values read
// and written back, a word per cache line, asking for the lines 16 lanes
// ahead, and the row's sample copied to its output.
void liveMemoryRun(benchmark::State& state, const Kind& k) {
    std::vector<tsf_stream> s = started(k, kLiveLanes);
    const std::int32_t bytes = liveBytes(s[0]);
    const std::vector<float>& x = bench_common::prices(kLiveLanes);
    std::vector<float> y(static_cast<size_t>(kLiveLanes));
    constexpr std::int32_t kAhead = 16;
    for (auto _ : state) {
        for (std::int32_t j = 0; j < kLiveLanes; ++j) {
            auto* at = reinterpret_cast<unsigned char*>(&s[size_t(j)]);
            if (j + kAhead < kLiveLanes)
                for (std::int32_t b = 0; b < bytes; b += 64) __builtin_prefetch(at + kAhead * sizeof(tsf_stream) + b, 1, 3);
            for (std::int32_t b = 0; b < bytes; b += 64) {
                std::uint64_t word;
                std::memcpy(&word, at + b, sizeof word);
                asm volatile("" : "+r"(word));
                std::memcpy(at + b, &word, sizeof word);
            }
            y[size_t(j)] = x[size_t(j)];
        }
        benchmark::DoNotOptimize(y.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kLiveLanes);
}

// The time-major table copied by copy(in, out): the memory bound (the
// kernels' vector width) and the same copy in a kind's order of visits.
template <class Copy>
void copyRun(benchmark::State& state, Copy copy) {
    const std::vector<float>& x = table(true);
    std::vector<float> y(x.size());
    for (auto _ : state) {
        copy(x.data(), y.data());
        benchmark::DoNotOptimize(y.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(x.size()));
}

// The arithmetic bound of a kind with `inFlight` vectors side by side.
void arithmeticRun(benchmark::State& state, const lane_bounds::Kernels& b, const Kind& k, int inFlight) {
    const std::vector<float>& walk = bench_common::prices(lane_bounds::kTileFloats);
    std::vector<float> sink(lane_bounds::kTileFloats);
    std::int64_t done = 0;
    for (auto _ : state) {
        done += b.arithmetic(int(k.kind), inFlight, walk.data(), sink.data());
        benchmark::DoNotOptimize(sink.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(done);
}

constexpr int kInFlight[] = {1, 2, 3, 4, 6, 8};

using Figures = std::map<std::string, double>;

// Each kind's table figures against its two bounds, in ns per lane-sample.
void printBounds(const Figures& ns, const std::vector<Kind>& all) {
    const auto memory = ns.find("bound_memory");
    if (memory == ns.end()) return;
    std::printf("\nbounds: %s, target %s; memory = copy of the %d x %d table, %.3f ns per element\n",
                bench_common::cpuModel().c_str(), tsf_simd_target(), kSamples, kTableLanes, memory->second);
    std::printf("copy in visits = the same copy in the order the kind's kernels visit the table (not a bound)\n");
    std::printf("%-22s %10s %10s %8s %10s %14s %14s %15s %12s %8s\n", "kind", "arithmetic", "(in flight)", "memory",
                "larger", "time_major %", "series_major %", "copy in visits", "live memory", "live %");
    for (const Kind& k : all) {
        double arithmetic = 0;
        int best = 0;
        for (int inFlight : kInFlight) {
            const auto a = ns.find("bound_arithmetic/" + k.name + "/" + std::to_string(inFlight));
            if (a != ns.end() && (best == 0 || a->second < arithmetic)) arithmetic = a->second, best = inFlight;
        }
        if (best == 0) continue;
        const double larger = std::max(arithmetic, memory->second);
        std::printf("%-22s %10.3f %11d %8.3f %10.3f", k.name.c_str(), arithmetic, best, memory->second, larger);
        for (const char* mode : {"time_major/", "series_major/"}) {
            const auto t = ns.find(mode + k.name);
            if (t == ns.end()) std::printf(" %14s", "-");
            else std::printf(" %13.0f%%", 100.0 * larger / t->second);
        }
        const auto visits = ns.find("copy_in_visits/" + k.name);
        if (visits == ns.end()) std::printf(" %15s", "-");
        else std::printf(" %15.3f", visits->second);
        // A live row's bound: its streams' lines through the caches, or the
        // arithmetic, whichever is larger.
        const auto liveMemory = ns.find("bound_live/" + k.name), live = ns.find("live/" + k.name);
        if (liveMemory != ns.end() && live != ns.end())
            std::printf(" %12.3f %7.0f%%", liveMemory->second,
                        100.0 * std::max(arithmetic, liveMemory->second) / live->second);
        std::printf("\n");
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<Kind> all = kinds();
    const char* modes[] = {"time_major", "series_major", "sweep", "live"};
    benchmark::RegisterBenchmark("limit", limitRun);
    for (const Kind& k : all) {
        benchmark::RegisterBenchmark(("export/" + k.name).c_str(), [k](benchmark::State& s) { exportRun(s, k); });
        benchmark::RegisterBenchmark(("time_major/" + k.name).c_str(), [k](benchmark::State& s) { tableRun(s, k, true); });
        benchmark::RegisterBenchmark(("series_major/" + k.name).c_str(), [k](benchmark::State& s) { tableRun(s, k, false); });
        benchmark::RegisterBenchmark(("sweep/" + k.name).c_str(), [k](benchmark::State& s) { sweepRun(s, k); });
        benchmark::RegisterBenchmark(("live/" + k.name).c_str(), [k](benchmark::State& s) { liveRun(s, k); });
    }
    if (const lane_bounds::Kernels* bounds = lane_bounds::kernelsFor(tsf_simd_target())) {
        benchmark::RegisterBenchmark("bound_memory", [bounds](benchmark::State& s) {
            copyRun(s, [bounds](const float* in, float* out) { bounds->copy(in, out, size_t(kSamples) * kTableLanes); });
        });
        for (const Kind& k : all)
            benchmark::RegisterBenchmark(("bound_live/" + k.name).c_str(),
                                         [k](benchmark::State& s) { liveMemoryRun(s, k); });
        for (const Kind& k : all)
            benchmark::RegisterBenchmark(("copy_in_visits/" + k.name).c_str(),
                                         [bounds, k](benchmark::State& s) {
                                             copyRun(s, [bounds, k](const float* in, float* out) {
                                                 bounds->copyInVisits(int(k.kind), in, out, kSamples, kTableLanes);
                                             });
                                         });
        for (const Kind& k : all)
            for (int inFlight : kInFlight)
                benchmark::RegisterBenchmark(("bound_arithmetic/" + k.name + "/" + std::to_string(inFlight)).c_str(),
                                             [bounds, k, inFlight](benchmark::State& s) {
                                                 arithmeticRun(s, *bounds, k, inFlight);
                                             });
    }
    benchmark::Initialize(&argc, argv);
    bench_common::SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    // Speed-up over the export is export ns per sample / lanes ns per
    // lane-sample; live is given as a multiple of limit's time per sample.
    const auto limitNs = reporter.nsPerSample.find("limit");
    if (limitNs != reporter.nsPerSample.end()) {
        std::printf("\ntarget %s; limit %.3f ns/sample\n", tsf_simd_target(), limitNs->second);
        std::printf("%-22s %14s %14s %14s %14s %12s\n", "kind", "export ns", "time_major x", "series_major x",
                    "sweep x", "live x limit");
        for (const Kind& k : all) {
            const auto ex = reporter.nsPerSample.find("export/" + k.name);
            if (ex == reporter.nsPerSample.end()) continue;
            std::printf("%-22s %14.3f", k.name.c_str(), ex->second);
            for (const char* mode : modes) {
                const auto ns = reporter.nsPerSample.find(std::string(mode) + "/" + k.name);
                if (ns == reporter.nsPerSample.end()) {
                    std::printf(" %14s", "-");
                    continue;
                }
                const bool live = std::string(mode) == "live";
                std::printf(live ? " %12.2f" : " %14.2f", live ? ns->second / limitNs->second : ex->second / ns->second);
            }
            std::printf("\n");
        }
    }
    printBounds(reporter.nsPerSample, all);
    benchmark::Shutdown();
    return 0;
}
