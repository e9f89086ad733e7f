// CyberneticOscillator: the band-pass divided by the RMS of its first 100
// values (rms_window.hpp), so that it swings around zero at about unit size
// whatever the scale of the input. The band-pass is formed here from the
// two kernels, exactly as BandPass forms it.
#pragma once

#include "filters/band_pass.hpp"
#include "filters/parameters.hpp"

namespace tsfilters {

using CyberneticOscillatorStep = BandPassStep;

inline CyberneticOscillatorStep makeCyberneticOscillator(const Parameters& p) {
    return makeBandPass(p);
}

}  // namespace tsfilters
