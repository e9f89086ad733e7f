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

#include "staged.hpp"
#include "test_support.hpp"
#include "tsfilters.h"

namespace {

using Run = std::function<void(const float*, std::int32_t, float*)>;

const std::vector<float>& prices(std::size_t n) {
    static std::map<std::size_t, std::vector<float>> cache;
    std::vector<float>& s = cache[n];
    if (s.empty()) {
        std::mt19937 rng(2024);
        std::normal_distribution<float> move(0.0f, 0.5f);
        float v = 50.0f;
        for (std::size_t i = 0; i < n; ++i) s.push_back(v += move(rng));
    }
    return s;
}

void runSeries(benchmark::State& state, const Run& run) {
    const auto n = static_cast<std::int32_t>(state.range(0));
    const std::vector<float>& x = prices(std::size_t(n));
    std::vector<float> y(static_cast<std::size_t>(n));
    for (auto _ : state) {
        run(x.data(), n, y.data());
        benchmark::DoNotOptimize(y.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * n);
}

void limit(const float* x, std::int32_t n, float* y) {
    const double c1 = 0.0790150479611301, c2 = 1.56230873626227, c3 = -0.641323784223398;
    float y1 = 0, y2 = 0;
    for (std::int32_t i = 0; i < n; ++i) {
        double t = c1 * double(x[i]);
        t = t + c2 * double(y1);
        t = t + c3 * double(y2);
        y2 = y1;
        y1 = float(t);
        y[i] = y1;
    }
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

using Run_ = benchmark::BenchmarkReporter::Run;

// Keeps the best ns per sample of every benchmark over its repetitions, for
// the summary: the fastest repetition is the one least disturbed by the rest
// of the machine.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> nsPerSample;

    void ReportRuns(const std::vector<Run_>& runs) override {
        // With repetitions, print only the aggregates; keep every run here.
        std::vector<Run_> shown;
        for (const Run_& r : runs)
            if (r.run_type == Run_::RT_Aggregate || r.repetitions <= 1) shown.push_back(r);
        ConsoleReporter::ReportRuns(shown);
        for (const Run_& r : runs) {
            if (r.run_type != Run_::RT_Iteration || r.error_occurred) continue;
            const auto items = r.counters.find("items_per_second");
            if (items == r.counters.end() || items->second.value <= 0) continue;
            const double ns = 1e9 / items->second.value;
            const auto [it, added] = nsPerSample.emplace(r.benchmark_name(), ns);
            if (!added && ns < it->second) it->second = ns;
        }
    }
};
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
