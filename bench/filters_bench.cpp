// Speed of the seven exports against two yardsticks measured in the same run:
//
//  limit   one two-pole recursion whose feedback stays in registers and is
//          rounded to single precision each step. Every exact filter here
//          carries such a chain of dependent operations per sample (widen,
//          multiply, two adds, round), so no bit-identical implementation
//          can run faster on one series.
//  staged  each filter computed the straightforward way by the tests' plain
//          reference: composites run their kernels into heap scratch series,
//          and the feedback is read back from the output array.
//
// After the usual table it prints, per function and size, the time per
// sample as a ratio to `limit` and the speed-up over `staged`.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "bench_common.hpp"
#include "staged.hpp"
#include "test_support.hpp"
#include "tsfilters.h"

namespace {

using bench_common::limit;
using bench_common::SummaryReporter;

using Run = std::function<void(const float*, std::int32_t, float*)>;

void runSeries(benchmark::State& state, const Run& run) {
    bench_common::runSeries(state, static_cast<std::int32_t>(state.range(0)), run);
}

struct Entry {
    std::string name;
    Run run;
    Run staged;  // empty for the yardstick itself
};

// The yardstick, then every filter of the table with the tools' default
// arguments and its staged computation.
std::vector<Entry> entries() {
    std::vector<Entry> all = {{"limit", limit, {}}};
    const testing_support::Arguments a;
#define TSF_BENCH_ENTRY(Export, python, SHAPE, ...) \
    all.push_back({#Export, testing_support::bind(::Export, a), testing_support::bind(yardstick::Export, a)});
    TSF_FILTER_TABLE(TSF_BENCH_ENTRY)
#undef TSF_BENCH_ENTRY
    return all;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<int> sizes = {100, 10000, 1000000};
    const std::vector<Entry> all = entries();
    for (const Entry& e : all) {
        auto* b = benchmark::RegisterBenchmark(e.name.c_str(), [run = e.run](benchmark::State& s) { runSeries(s, run); });
        for (int n : sizes) b->Arg(n);
        if (e.staged) {
            auto* s = benchmark::RegisterBenchmark(("staged/" + e.name).c_str(),
                                                   [run = e.staged](benchmark::State& st) { runSeries(st, run); });
            for (int n : sizes) s->Arg(n);
        }
    }
    benchmark::Initialize(&argc, argv);
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\n%-22s %8s %12s %10s %12s\n", "function", "samples", "ns/sample", "x limit", "vs staged");
    for (int n : sizes) {
        const std::string size = "/" + std::to_string(n);
        const auto limitNs = reporter.nsPerSample.find("limit" + size);
        if (limitNs == reporter.nsPerSample.end()) continue;
        for (const Entry& e : all) {
            const auto ns = reporter.nsPerSample.find(e.name + size);
            if (ns == reporter.nsPerSample.end()) continue;
            std::printf("%-22s %8d %12.3f %10.3f", e.name.c_str(), n, ns->second, ns->second / limitNs->second);
            const auto staged = reporter.nsPerSample.find("staged/" + e.name + size);
            if (staged != reporter.nsPerSample.end())
                std::printf(" %11.2fx", staged->second / ns->second);
            std::printf("\n");
        }
    }
    benchmark::Shutdown();
    return 0;
}
