"""Filter names and parameters as the stream-based calls take them.

`Stream`, `Streams`, `sweep` and `response` take a filter by name and its
parameters by keyword; a parameter left out takes the filter's default from
the table. Values are checked as the batch functions check them (integers
inside int32 for periods, a real number for gamma) and otherwise passed as
given: the library decides what a period of 0 does.
"""

import numpy as np

from .filter_table import FILTER_TABLE, KINDS, SHAPE_PARAMETERS
from .structs import tsf_params
from .values import check_int32, check_real

# How each parameter is checked before it goes to C.
CHECKS = {"period": check_int32, "high_pass_period": check_int32,
          "smooth_period": check_int32, "gamma": check_real}

# Where each parameter goes in a tsf_params.
_FIELDS = {"period": "period", "high_pass_period": "period",
           "smooth_period": "smooth_period", "gamma": "gamma"}


def row(name):
    """The table row of filter `name`; ValueError naming the choices."""
    try:
        return FILTER_TABLE[name]
    except (KeyError, TypeError):
        raise ValueError(f"unknown filter {name!r}; choose from {', '.join(FILTER_TABLE)}") from None


def names(name):
    """The parameter names filter `name` takes, in the C order."""
    return SHAPE_PARAMETERS[row(name).shape]


def given(name, parameters):
    """`parameters` completed with the filter's defaults, unchecked;
    TypeError for a parameter the filter does not take."""
    taken = names(name)
    unknown = [key for key in parameters if key not in taken]
    if unknown:
        raise TypeError(f"{name} takes {', '.join(taken)}, not {', '.join(unknown)}")
    return {key: parameters.get(key, row(name).defaults[key]) for key in taken}


def checked(name, parameters):
    """One parameter set of filter `name`, defaults filled in, checked."""
    return {key: CHECKS[key](key, value) for key, value in given(name, parameters).items()}


def per_lane(name, parameters, lanes):
    """[one checked parameter set per lane]: each parameter is one value for
    every lane or a sequence of exactly `lanes` values."""
    columns = {}
    for key, value in given(name, parameters).items():
        if np.ndim(value) == 0:
            columns[key] = [value] * lanes
            continue
        values = list(value)
        if len(values) != lanes:
            raise ValueError(f"{key} has {len(values)} values for {lanes} columns; "
                             "give one value, or one per column")
        columns[key] = values
    return [checked(name, {key: values[j] for key, values in columns.items()})
            for j in range(lanes)]


def kind(name):
    row(name)
    return KINDS[name]


def c_params(parameters):
    """A tsf_params holding one checked parameter set."""
    out = tsf_params()
    for key, value in parameters.items():
        setattr(out, _FIELDS[key], value)
    return out
