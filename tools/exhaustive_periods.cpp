// Runs every int32 period through the fast paths of the library's exp and
// cos, with the arguments the coefficient derivation gives them, counts
// the periods whose rounding the fast path cannot decide, and checks the
// slow path's result for each of those against MPFR. A fast-path result is
// correctly rounded whenever it is accepted (its error bound and the
// rounding test see to that), so together this covers every period.
//
//   exhaustive_periods [threads [first last]]
//
// One thread takes about half an hour. Prints one line per fallback and a
// summary; exits 1 if any result disagrees with MPFR.
#include <atomic>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "coefficient_arguments.hpp"
#include "math/correctly_rounded.hpp"
#include "mpfr_reference.hpp"

namespace {

struct Counts {
    std::atomic<std::uint64_t> periods{0};
    std::atomic<std::uint64_t> expSpecial{0}, cosSpecial{0};  // decided before any path
    std::atomic<std::uint64_t> expFallback{0}, cosFallback{0};
    std::atomic<std::uint64_t> undecidedWide{0};
    std::atomic<std::uint64_t> mismatches{0};
};

std::mutex printLock;

void report(const char* what, std::int32_t period, double x, double mine, double mpfr) {
    const std::lock_guard<std::mutex> hold(printLock);
    std::printf("%s period %" PRId32 " x=%a: slow path %a, MPFR %a%s\n", what, period, x, mine,
                mpfr, mine == mpfr ? "" : "  MISMATCH");
    std::fflush(stdout);
}

void checkExp(std::int32_t period, Counts& counts) {
    const double x = coefficient_arguments::ofExp(period);
    // Outside the fast path's range only period 0 (x = -inf) occurs.
    if (!(x >= -708.0 && x <= 708.0)) {
        ++counts.expSpecial;
        if (tsfilters::correctlyRoundedExp(x) != mpfr_reference::exp(x)) ++counts.mismatches;
        return;
    }
    double fast;
    if (tsfilters::math::expFast(x, fast)) return;
    ++counts.expFallback;
    const tsfilters::math::WideRounded slow = tsfilters::math::expWide(x);
    const double mpfr = mpfr_reference::exp(x);
    if (slow.undecided) ++counts.undecidedWide;
    if (slow.value != mpfr) ++counts.mismatches;
    report("exp", period, x, slow.value, mpfr);
}

void checkCos(std::int32_t period, Counts& counts) {
    const double x = coefficient_arguments::ofCos(period);
    const double a = x < 0.0 ? -x : x;
    if (!(a >= 0x1p-27 && a < tsfilters::math::kCosFastLimit)) {
        // Period 0 (x = inf) and the longest periods, whose cosine rounds
        // to 1 before any path runs.
        ++counts.cosSpecial;
        const double mine = tsfilters::correctlyRoundedCos(x), mpfr = mpfr_reference::cos(x);
        if (mine != mpfr && !(mine != mine && mpfr != mpfr)) ++counts.mismatches;
        return;
    }
    double fast;
    if (tsfilters::math::cosFast(x, fast)) return;
    ++counts.cosFallback;
    const tsfilters::math::WideRounded slow = tsfilters::math::cosWide(x);
    const double mpfr = mpfr_reference::cos(x);
    if (slow.undecided) ++counts.undecidedWide;
    if (slow.value != mpfr) ++counts.mismatches;
    report("cos", period, x, slow.value, mpfr);
}

void run(std::int64_t first, std::int64_t last, Counts& counts) {
    for (std::int64_t p = first; p <= last; ++p) {
        const auto period = static_cast<std::int32_t>(p);
        checkExp(period, counts);
        checkCos(period, counts);
        ++counts.periods;
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int threads = argc > 1 ? std::atoi(argv[1]) : 1;
    const std::int64_t first = argc > 3 ? std::atoll(argv[2]) : INT32_MIN;
    const std::int64_t last = argc > 3 ? std::atoll(argv[3]) : INT32_MAX;
    if (threads < 1 || first > last || first < INT32_MIN || last > INT32_MAX) {
        std::fprintf(stderr, "usage: exhaustive_periods [threads [first last]]\n");
        return 2;
    }

    Counts counts;
    std::vector<std::thread> workers;
    const std::int64_t span = last - first + 1;
    for (int t = 0; t < threads; ++t) {
        const std::int64_t from = first + span * t / threads;
        const std::int64_t to = first + span * (t + 1) / threads - 1;
        workers.emplace_back([from, to, &counts] { run(from, to, counts); });
    }
    for (std::thread& w : workers) w.join();

    std::printf("periods %" PRId64 "..%" PRId64 ": %" PRIu64 " run\n", first, last,
                counts.periods.load());
    std::printf("exp: %" PRIu64 " outside the fast path's range, %" PRIu64 " fallbacks\n",
                counts.expSpecial.load(), counts.expFallback.load());
    std::printf("cos: %" PRIu64 " outside the fast path's range, %" PRIu64 " fallbacks\n",
                counts.cosSpecial.load(), counts.cosFallback.load());
    std::printf("slow path undecided: %" PRIu64 "; disagreements with MPFR: %" PRIu64 "\n",
                counts.undecidedWide.load(), counts.mismatches.load());
    return counts.mismatches.load() == 0 && counts.undecidedWide.load() == 0 ? 0 : 1;
}
