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

// One of the two functions as the coefficient derivation uses it.
struct Function {
    const char* name;
    double (*argument)(std::int32_t period);
    bool (*inFastRange)(double x);  // outside: decided before any path runs
    bool (*fast)(double x, double& result);
    tsfilters::math::WideRounded (*slow)(double x);
    double (*full)(double x);
    double (*mpfr)(double x);
    std::atomic<std::uint64_t> outsideFastRange{0}, fallbacks{0};
};

bool expFastRange(double x) { return x >= -708.0 && x <= 708.0; }
bool cosFastRange(double x) {
    const double a = x < 0.0 ? -x : x;
    return a >= 0x1p-27 && a < tsfilters::math::kCosFastLimit;
}

Function expFunction{"exp", coefficient_arguments::ofExp, expFastRange,
                     tsfilters::math::expFast, tsfilters::math::expWide,
                     tsfilters::correctlyRoundedExp, mpfr_reference::exp};
Function cosFunction{"cos", coefficient_arguments::ofCos, cosFastRange,
                     tsfilters::math::cosFast, tsfilters::math::cosWide,
                     tsfilters::correctlyRoundedCos, mpfr_reference::cos};

std::atomic<std::uint64_t> periodsRun{0}, undecidedSlow{0}, mismatches{0};
std::mutex printLock;

bool same(double a, double b) { return a == b || (a != a && b != b); }

void check(Function& f, std::int32_t period) {
    const double x = f.argument(period);
    if (!f.inFastRange(x)) {
        // Period 0 (x = -inf or inf) and, for cos, the longest periods,
        // whose cosine rounds to 1.
        ++f.outsideFastRange;
        if (!same(f.full(x), f.mpfr(x))) ++mismatches;
        return;
    }
    double fast;
    if (f.fast(x, fast)) return;
    ++f.fallbacks;
    const tsfilters::math::WideRounded slow = f.slow(x);
    const double mpfr = f.mpfr(x);
    if (slow.undecided) ++undecidedSlow;
    if (slow.value != mpfr) ++mismatches;
    const std::lock_guard<std::mutex> hold(printLock);
    std::printf("%s period %" PRId32 " x=%a: slow path %a, MPFR %a%s\n", f.name, period, x,
                slow.value, mpfr, slow.value == mpfr ? "" : "  MISMATCH");
    std::fflush(stdout);
}

void run(std::int64_t first, std::int64_t last) {
    for (std::int64_t p = first; p <= last; ++p) {
        const auto period = static_cast<std::int32_t>(p);
        check(expFunction, period);
        check(cosFunction, period);
        ++periodsRun;
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

    std::vector<std::thread> workers;
    const std::int64_t span = last - first + 1;
    for (int t = 0; t < threads; ++t) {
        const std::int64_t from = first + span * t / threads;
        const std::int64_t to = first + span * (t + 1) / threads - 1;
        workers.emplace_back([from, to] { run(from, to); });
    }
    for (std::thread& w : workers) w.join();

    std::printf("periods %" PRId64 "..%" PRId64 ": %" PRIu64 " run\n", first, last,
                periodsRun.load());
    for (const Function* f : {&expFunction, &cosFunction})
        std::printf("%s: %" PRIu64 " outside the fast path's range, %" PRIu64 " fallbacks\n",
                    f->name, f->outsideFastRange.load(), f->fallbacks.load());
    std::printf("slow path undecided: %" PRIu64 "; disagreements with MPFR: %" PRIu64 "\n",
                undecidedSlow.load(), mismatches.load());
    return mismatches.load() == 0 && undecidedSlow.load() == 0 ? 0 : 1;
}
