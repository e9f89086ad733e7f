// What the benchmark programs share: the input series, the `limit`
// yardstick (see filters_bench.cpp), the reporter that keeps the fastest
// repetition of every benchmark for the ratio tables, and the processor's
// name that every printed ratio goes with.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace bench_common {

// The processor's model as Linux names it, for the figures' heading.
inline std::string cpuModel() {
    std::ifstream info("/proc/cpuinfo");
    for (std::string line; std::getline(info, line);)
        if (line.rfind("model name", 0) == 0) {
            const std::size_t colon = line.find(':');
            if (colon != std::string::npos) return line.substr(line.find_first_not_of(' ', colon + 1));
        }
    return "unknown processor";
}

// A random walk around 50, the same for every program and run.
inline const std::vector<float>& prices(std::size_t n) {
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

// One two-pole recursion with its feedback in registers, rounded to single
// precision each step: the shortest chain an exact filter can have.
inline void limit(const float* x, std::int32_t n, float* y) {
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

// Times run(x, n, y) over the first n samples of the walk.
template <class Run>
void runSeries(benchmark::State& state, std::int32_t n, Run run) {
    const std::vector<float>& x = prices(std::size_t(n));
    std::vector<float> y(static_cast<std::size_t>(n));
    for (auto _ : state) {
        run(x.data(), n, y.data());
        benchmark::DoNotOptimize(y.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * n);
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

}  // namespace bench_common
