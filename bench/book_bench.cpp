// Speed of a book's row of 5,000 live series, every kind, on the
// instruction set tsf_simd_target() names (TSFILTERS_SIMD=avx2, sse2, scalar
// to measure a narrower one), against in the same run:
//   hand     the two-pole update written by hand over two contiguous
//            double arrays of state, y = c1*x + a*y1 + b*y2: the loop a
//            user would write instead of calling the library;
//   copy     a memcpy of the bytes a row reads and writes of the book
//            (its hot state), the floor of any row over that state.
// The row is timed on a book whose series share one parameter set (the
// usual book: the coefficients are then read once a row) and, as "mixed",
// on one whose periods differ from series to series.
// Then the memory per series of a book of 1,000,000 series of each kind.
// Plain timing, the best of many short runs (on a shared machine a short
// run is likelier to go undisturbed): no timed assertion anywhere.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench_common.hpp"
#include "stream/book_layout.hpp"
#include "tsfilters_stream.h"

namespace {

constexpr std::int32_t kSeries = 5000;
constexpr int kRows = 100;
constexpr int kRuns = 60;

template <class F>
double nanosPerRow(F&& run) {
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < kRows; ++i) run(i);
    const auto t1 = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::nano>(t1 - t0).count() / kRows;
}

// The best time of each of several runs, taken in turns: on a shared
// machine the load then falls alike on all of them, and a ratio of two
// best times compares runs of like luck.
template <class... F>
std::vector<double> bestInTurns(F&&... runs) {
    std::vector<double> best(sizeof...(runs), 1e300);
    for (int r = 0; r < kRuns; ++r) {
        std::size_t k = 0;
        ((best[k] = std::min(best[k], nanosPerRow(runs)), ++k), ...);
    }
    return best;
}

// The bytes of one series a steady row reads and writes, its coefficients
// aside when the series share them.
std::int64_t hotBytes(tsf_kind kind, bool shared) {
    const auto shape = tsfilters::stream::book::shapeOf(kind);
    return 8 + (shared ? 0 : 8 * shape.fields.constants) + 4 * shape.fields.floats + 8 * shape.fields.doubles +
           (shape.oscillator ? 4 : 0);
}

// A book of kSeries series of `kind`, warmed past every series' early
// samples: one parameter set, or periods from 10 to 49.
std::vector<std::uint64_t> warmBook(tsf_kind kind, bool mixed, const std::vector<std::vector<float>>& rows,
                                    std::vector<float>& out) {
    const std::int64_t bytes = tsf_book_bytes(kind, kSeries);
    std::vector<std::uint64_t> memory(size_t(bytes) / 8 + 1);
    auto* book = reinterpret_cast<tsf_book*>(memory.data());
    tsf_book_init(book, bytes, kind, kSeries, TSF_MISSING_DROP);
    for (std::int32_t s = 0; s < kSeries; ++s) {
        const tsf_params p = {mixed ? 10 + s % 40 : 10, 10, 0.8f};
        tsf_book_add(book, &p);
    }
    for (int i = 0; i < 120; ++i) tsf_book_update(book, rows[size_t(i) % rows.size()].data(), out.data());
    return memory;
}

const char* kindName(tsf_kind kind) {
    switch (kind) {
        case TSF_HIGH_PASS: return "high_pass";
        case TSF_SUPER_SMOOTHER: return "super_smoother";
        case TSF_ULTIMATE_SMOOTHER: return "ultimate_smoother";
        case TSF_BAND_PASS: return "band_pass";
        case TSF_CYBERNETIC_OSCILLATOR: return "cybernetic_oscillator";
        case TSF_LAGUERRE_FILTER: return "laguerre_filter";
        case TSF_LAGUERRE_OSCILLATOR: return "laguerre_oscillator";
    }
    return "?";
}

volatile float sink;

}  // namespace

int main() {
    std::printf("CPU: %s\ninstruction set: %s\n%d series a row, best of %d runs of %d rows\n\n",
                bench_common::cpuModel().c_str(), tsf_simd_target(), kSeries, kRuns, kRows);
    std::vector<std::vector<float>> rows(64, std::vector<float>(kSeries));
    for (size_t r = 0; r < rows.size(); ++r)
        for (std::int32_t s = 0; s < kSeries; ++s) rows[r][size_t(s)] = 100.0f + float((r * 7 + size_t(s) * 13) % 17);
    std::vector<float> out(kSeries);

    // The hand-written two-pole update over float64 state.
    std::vector<double> y1(kSeries, 100.0), y2(kSeries, 100.0), x64(kSeries), o64(kSeries);
    const double c1 = 0.06, a = 1.8, b = -0.86;
    const auto handRow = [&](int i) {
        const std::vector<float>& row = rows[size_t(i) % rows.size()];
        for (std::int32_t s = 0; s < kSeries; ++s) {
            const double y = c1 * double(row[size_t(s)]) + a * y1[size_t(s)] + b * y2[size_t(s)];
            y2[size_t(s)] = y1[size_t(s)];
            y1[size_t(s)] = y;
            o64[size_t(s)] = y;
        }
    };
    std::printf("%-22s %9s %9s %9s %7s %9s %7s %10s %10s %14s\n", "kind", "row ns", "mixed ns", "hand ns", "/hand",
                "copy ns", "/copy", "/smoother", "hot B/ser", "B/ser at 1M");

    double smoother = 0;
    for (int k : {2, 1, 3, 4, 5, 6, 7}) {
        const auto kind = tsf_kind(k);
        std::vector<std::uint64_t> one = warmBook(kind, false, rows, out), mixed = warmBook(kind, true, rows, out);
        auto* book = reinterpret_cast<tsf_book*>(one.data());
        auto* mixedBook = reinterpret_cast<tsf_book*>(mixed.data());
        const std::int64_t hot = hotBytes(kind, true);
        std::vector<unsigned char> from(size_t(hot * kSeries)), to(from.size());
        const std::vector<double> best = bestInTurns(
            [&](int i) { tsf_book_update(book, rows[size_t(i) % rows.size()].data(), out.data()); },
            [&](int i) { tsf_book_update(mixedBook, rows[size_t(i) % rows.size()].data(), out.data()); }, handRow,
            [&](int i) {
                from[size_t(i)] = static_cast<unsigned char>(i);
                std::memcpy(to.data(), from.data(), from.size());
                sink = float(to[size_t(i)]);
            });
        const double row = best[0], mixedRow = best[1], hand = best[2], copy = best[3];
        sink = out[17] + float(o64[17]);
        if (kind == TSF_SUPER_SMOOTHER) smoother = row;
        const std::int64_t million = tsf_book_bytes(kind, 1000000);
        std::printf("%-22s %9.0f %9.0f %9.0f %7.2f %9.0f %7.2f %10.2f %10lld %14.1f\n", kindName(kind), row,
                    mixedRow, hand, row / hand, copy, row / copy,
                    row / smoother, static_cast<long long>(hot), double(million) / 1e6);
    }
    return 0;
}
