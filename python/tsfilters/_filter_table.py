"""The seven filters, one row each: everything in the package that needs to
know something about a particular filter reads it from here, so this file is
the only one to change when the library gains or changes a filter.

Columns, as in the library's own table:
  c_name        the exported C function
  shape         the arguments between `input` and `count`:
                  "period"        int32 period
                  "two_periods"   int32 high_pass_period, int32 smooth_period
                  "gamma_period"  float gamma, int32 period
  first_written the first output slot a call writes
  warmup        samples before the recursion proper starts (copies of the
                input, zeros, or the Laguerre cascade filling from empty)
  rms_scaled    the output is divided by the RMS of its first 100 values, so
                a call needs 100 samples and writes every slot or none
  defaults      parameter values used when none are given
"""

from collections import namedtuple

FilterRow = namedtuple("FilterRow", "c_name shape first_written warmup rms_scaled defaults")

# Python name -> row, in the library's row order.
FILTER_TABLE = {
    "high_pass": FilterRow("HighPass", "period", 0, 4, False, {"period": 20}),
    "super_smoother": FilterRow("SuperSmoother", "period", 0, 2, False, {"period": 20}),
    "ultimate_smoother": FilterRow("UltimateSmoother", "period", 0, 4, False, {"period": 20}),
    "band_pass": FilterRow("BandPass", "two_periods", 0, 4, False,
                           {"high_pass_period": 48, "smooth_period": 10}),
    "cybernetic_oscillator": FilterRow("CyberneticOscillator", "two_periods", 0, 4, True,
                                       {"high_pass_period": 48, "smooth_period": 10}),
    "laguerre_filter": FilterRow("LaguerreFilter", "gamma_period", 1, 4, False,
                                 {"gamma": 0.8, "period": 20}),
    "laguerre_oscillator": FilterRow("LaguerreOscillator", "gamma_period", 0, 4, True,
                                     {"gamma": 0.8, "period": 20}),
}

# The parameter names of each shape, in the order the C function takes them.
SHAPE_PARAMETERS = {
    "period": ("period",),
    "two_periods": ("high_pass_period", "smooth_period"),
    "gamma_period": ("gamma", "period"),
}

# The oscillators' RMS is taken over this many of their first values.
RMS_WINDOW = 100
