"""The C structs the stream library takes, declared for ctypes."""

import ctypes

_c = ctypes


class tsf_params(_c.Structure):
    _fields_ = [("period", _c.c_int32), ("smooth_period", _c.c_int32), ("gamma", _c.c_float)]


class tsf_book_info(_c.Structure):
    _fields_ = [("kind", _c.c_int), ("missing", _c.c_int32), ("capacity", _c.c_int32),
                ("slots", _c.c_int32), ("live", _c.c_int32)]
