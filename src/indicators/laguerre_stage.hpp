// One first-order Laguerre stage: the new value mixes the previous value of
// the stage before it (weight 1 - gamma) with its own previous value
// (weight gamma). Stages carry double precision from sample to sample and
// are never rounded to single precision.
#pragma once

namespace tsfilters {

// The grouping (prev - g*prev) + g*own is part of the result: 1 - g is never
// formed on its own.
inline double laguerreStage(double g, double previousOfStageBefore, double own) {
    return (previousOfStageBefore - g * previousOfStageBefore) + g * own;
}

}  // namespace tsfilters
