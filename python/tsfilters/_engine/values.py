"""The checks of a value before it goes to C as an argument: the int32 and
float parameters and the sample count."""

import numbers

INT32_MIN = -(2**31)
INT32_MAX = 2**31 - 1


def check_int32(name, value):
    """Periods are C int32_t: integers only, and inside that type's range."""
    if isinstance(value, bool) or not isinstance(value, numbers.Integral):
        raise TypeError(f"{name} must be an integer, not {type(value).__name__} {value!r}")
    value = int(value)
    if not INT32_MIN <= value <= INT32_MAX:
        raise ValueError(f"{name} = {value} is outside the int32 range [{INT32_MIN}, {INT32_MAX}]")
    return value


def check_real(name, value):
    """gamma is a C float: any real number; ctypes rounds it to float32."""
    if isinstance(value, bool) or not isinstance(value, numbers.Real):
        raise TypeError(f"{name} must be a real number, not {type(value).__name__} {value!r}")
    return float(value)


def check_length(count):
    """The sample count travels as int32_t: longer series cannot be passed."""
    if count > INT32_MAX:
        raise ValueError(f"the series has {count} samples; the library takes at most {INT32_MAX}")
