// The Laguerre arithmetic to the bit: the stage, the cascade's five new
// stages and weighted sum before rounding, and the oscillator's difference.
// Stages are carried in double precision and never rounded, so a one-ulp
// slip in a stage lives on in every later sample while the float outputs
// rarely show it; here the doubles themselves are compared with the plain
// reference, from arbitrary stage values.
#include <array>
#include <cstdint>

#include "awkward_numbers.hpp"
#include "filter_table.h"
#include "reference.hpp"
#include "step_state.hpp"
#include "test_support.hpp"

using namespace testing_support;

namespace {

using Stages = std::array<double, 5>;  // L1 to L5

// The values of one case: all of one magnitude, or (one case in five) each
// of any class.
struct Family {
    AwkwardNumbers& rnd;
    const bool anyClass = rnd.chance(20);
    const int exponent = rnd.familyExponent();

    float sample() { return anyClass ? rnd.anyFloat() : rnd.floatAround(exponent); }
    double stage() {
        return anyClass ? double(rnd.anyFloat()) * rnd.doubleAround(0) : rnd.doubleAround(exponent);
    }
    // Often the float nearest `cancelling`, whose sum with the other terms
    // then cancels to its last bits.
    float sampleOrNear(double cancelling) {
        return !anyClass && rnd.chance(40) ? float(cancelling) : sample();
    }
};

// Runs `check` on a step made for each of 20,000 damping factors, from 50
// states each.
template <class Step, class Check>
void expectForManyStates(std::uint64_t seed, Check check) {
    AwkwardNumbers rnd(seed);
    Mismatches bad;
    for (int p = 0; p < 20000; ++p) {
        const float gamma = rnd.gamma();
        Step step(gamma);
        for (int c = 0; c < 50; ++c) {
            Family family{rnd};
            check(step, gamma, family, bad);
        }
    }
    EXPECT_NO_MISMATCHES(bad);
}

TEST(UnroundedLaguerre, StageFromAnyValues) {
    AwkwardNumbers rnd(11);
    Mismatches bad;
    for (int c = 0; c < 2000000; ++c) {
        Family family{rnd};
        const double g = rnd.gamma();
        const double before = family.stage(), own = family.stage();
        bad.check(tsfilters::laguerreStage(g, before, own), reference::laguerreStage(g, before, own),
                  "stage", [&] { return "gamma, before, own = " + describeValues(g, before, own); });
    }
    EXPECT_NO_MISMATCHES(bad);
}

// The cascade from any stage values: its five new stages, the weighted sum
// before rounding, the output, and the state it carries on.
TEST(UnroundedLaguerre, CascadeFromAnyState) {
    using Step = tsfilters::LaguerreCascadeStep;
    expectForManyStates<Step>(12, [](Step& step, float gamma, Family& family, Mismatches& bad) {
        const double g = gamma;
        const float previousL0 = family.sample();
        Stages l;
        for (double& v : l) v = family.stage();
        const Stages next = {reference::laguerreStage(g, previousL0, l[0]),
                             reference::laguerreStage(g, l[0], l[1]),
                             reference::laguerreStage(g, l[1], l[2]),
                             reference::laguerreStage(g, l[2], l[3]),
                             reference::laguerreStage(g, l[3], l[4])};
        // Often L0 cancels the weighted new stages almost entirely.
        const float l0 = family.sampleOrNear(-reference::laguerreSum(0.0, next[0], next[1], next[2], next[4]));
        const double sum = reference::laguerreSum(l0, next[0], next[1], next[2], next[4]);
        auto describe = [&] {
            return "gamma, L0, previous L0, L1..L5 = " +
                   describeValues(gamma, l0, previousL0, l[0], l[1], l[2], l[3], l[4]);
        };

        setState(step, std::array<double, 6>{previousL0, l[0], l[1], l[2], l[3], l[4]});
        const auto a = step.advanced();
        bad.checkAll(Stages{a.l1, a.l2, a.l3, a.l4, a.l5}, next, "new stages", describe);
        bad.check(step.unrounded(l0), sum, "weighted sum", describe);
        bad.check(step.next(l0), float(sum) * 0.0625f, "output", describe);
        bad.checkAll(stateOf<6>(step),
                     std::array<double, 6>{l0, next[0], next[1], next[2], next[3], next[4]},
                     "state after the sample", describe);
    });
}

// The oscillator's difference between the smoothed sample and the first
// stage, taken in double precision and rounded once.
TEST(UnroundedLaguerre, DifferenceFromAnyState) {
    using Step = tsfilters::LaguerreDifferenceStep;
    expectForManyStates<Step>(13, [](Step& step, float gamma, Family& family, Mismatches& bad) {
        const double g = gamma;
        const float previousL0 = family.sample();
        const double l1 = family.stage();
        const double next = reference::laguerreStage(g, previousL0, l1);
        const float l0 = family.sampleOrNear(next);
        const double difference = double(l0) - next;
        auto describe = [&] {
            return "gamma, L0, previous L0, L1 = " + describeValues(gamma, l0, previousL0, l1);
        };

        setState(step, std::array<double, 2>{previousL0, l1});
        bad.check(step.unrounded(l0), difference, "difference", describe);
        bad.check(step.next(l0), float(difference), "output", describe);
        bad.checkAll(stateOf<2>(step), std::array<double, 2>{l0, next}, "state after the sample",
                     describe);
    });
}

}  // namespace
