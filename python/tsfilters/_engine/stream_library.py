"""The stream library's functions, declared for ctypes, and its errors.

The stream library (``tsfilters_stream``) is found by the same rules as the
batch library (see `loading.places`). A `tsf_stream` is plain bytes owned by
the caller, so Python keeps each one in a NumPy array of 64-bit words: the
words give the struct's alignment, and copying the array is a snapshot.

ctypes releases the GIL around every call of a CDLL function, which is what
lets the lanes run on several threads at once.
"""

import ctypes

from . import loading
from .filter_table import KINDS, NAMES  # noqa: F401 (for callers)
from .structs import tsf_book_info, tsf_params  # noqa: F401 (tsf_book_info for callers)

_c = ctypes
_VOID_P = _c.c_void_p
_FLOAT_P = _c.POINTER(_c.c_float)


# name: (restype, argtypes). Streams travel as void* so that any buffer
# (a NumPy array of words, a slice of one) can be passed without a cast.
_SIGNATURES = {
    "tsf_stream_bytes": (_c.c_size_t, ()),
    "tsf_stream_init": (_c.c_int, (_VOID_P, _c.c_int, _c.POINTER(tsf_params))),
    "tsf_stream_update": (_c.c_int32, (_VOID_P, _FLOAT_P, _c.c_int32, _FLOAT_P)),
    "tsf_stream_peek": (_c.c_int, (_VOID_P, _c.c_float, _FLOAT_P)),
    "tsf_stream_window": (_c.c_int32, (_VOID_P, _FLOAT_P)),
    "tsf_stream_samples": (_c.c_int64, (_VOID_P,)),
    "tsf_stream_save": (_c.c_int32, (_VOID_P, _VOID_P, _c.c_int32)),
    "tsf_stream_load": (_c.c_int, (_VOID_P, _VOID_P, _c.c_int32)),
    "tsf_strerror": (_c.c_char_p, (_c.c_int,)),
}
# The lanes arrived after the stream calls: a library without them still
# serves streams, and the lanes then run one stream at a time (see _lanes).
_OPTIONAL = {
    # The input and output go as void* too: the lanes are handed addresses
    # worked out from strides, and a cast of each to float* would cost
    # more than a live row's call.
    "tsf_lanes_update": (_c.c_int, (_VOID_P, _c.c_int32, _VOID_P, _c.c_int64, _c.c_int64,
                                    _c.c_int32, _VOID_P, _c.c_int64, _c.c_int64)),
    "tsf_simd_target": (_c.c_char_p, ()),
    "tsf_lanes_peek": (_c.c_int, (_VOID_P, _c.c_int32, _FLOAT_P, _c.c_int64, _FLOAT_P,
                                  _c.c_int64)),
    # A long table's symbols, stored back to back, each filtered as its own
    # series: kind, params, input, starts (int64), segments, total, output.
    "tsf_segments_run": (_c.c_int64, (_c.c_int, _c.POINTER(tsf_params), _VOID_P, _VOID_P,
                                      _c.c_int32, _c.c_int64, _VOID_P)),
}
# The books, which Streams runs on (see _book). Every pointer travels as
# void*: a row is handed over as its array's address, and a cast per row
# would cost more than the row's Python work.
_BOOK = {
    "tsf_book_bytes": (_c.c_int64, (_c.c_int, _c.c_int32)),
    "tsf_book_init": (_c.c_int, (_VOID_P, _c.c_int64, _c.c_int, _c.c_int32, _c.c_int)),
    "tsf_book_grow": (_c.c_int, (_VOID_P, _c.c_int64, _c.c_int32, _VOID_P)),
    "tsf_book_describe": (_c.c_int, (_VOID_P, _VOID_P)),
    "tsf_book_add": (_c.c_int32, (_VOID_P, _c.POINTER(tsf_params))),
    "tsf_book_add_stream": (_c.c_int32, (_VOID_P, _VOID_P)),
    "tsf_book_remove": (_c.c_int, (_VOID_P, _c.c_int32)),
    "tsf_book_reset": (_c.c_int, (_VOID_P, _c.c_int32)),
    "tsf_book_samples": (_c.c_int64, (_VOID_P, _c.c_int32)),
    "tsf_book_params": (_c.c_int, (_VOID_P, _c.c_int32, _c.POINTER(tsf_params))),
    "tsf_book_get": (_c.c_int, (_VOID_P, _c.c_int32, _VOID_P)),
    "tsf_book_update": (_c.c_int32, (_VOID_P, _VOID_P, _VOID_P)),
    "tsf_book_peek": (_c.c_int32, (_VOID_P, _VOID_P, _VOID_P)),
    "tsf_book_update_sparse": (_c.c_int32, (_VOID_P, _VOID_P, _VOID_P, _c.c_int32, _VOID_P)),
    "tsf_book_peek_sparse": (_c.c_int32, (_VOID_P, _VOID_P, _VOID_P, _c.c_int32, _VOID_P)),
    # Rows of doubles, rounded in the library: a float64 row goes in as it is.
    "tsf_book_update_doubles": (_c.c_int32, (_VOID_P, _VOID_P, _VOID_P)),
    "tsf_book_peek_doubles": (_c.c_int32, (_VOID_P, _VOID_P, _VOID_P)),
    "tsf_book_update_sparse_doubles": (_c.c_int32, (_VOID_P, _VOID_P, _VOID_P, _c.c_int32, _VOID_P)),
    "tsf_book_peek_sparse_doubles": (_c.c_int32, (_VOID_P, _VOID_P, _VOID_P, _c.c_int32, _VOID_P)),
    "tsf_book_save": (_c.c_int64, (_VOID_P, _VOID_P, _c.c_int64)),
    "tsf_book_saved_info": (_c.c_int, (_VOID_P, _c.c_int64, _VOID_P)),
    "tsf_book_load": (_c.c_int, (_VOID_P, _c.c_int64, _c.c_int32, _VOID_P, _c.c_int64)),
}

# Python filter name -> tsf_kind: a kind is its row number in the table.
class Functions:
    """The declared functions as attributes; `lanes_update`,
    `simd_target`, `lanes_peek`, `segments_run` and the `book_` ones are
    None when the library predates them."""

    def __init__(self, lib):
        for name, (restype, argtypes) in {**_SIGNATURES, **_OPTIONAL, **_BOOK}.items():
            try:
                fn = getattr(lib, name)
            except AttributeError:
                if name in _OPTIONAL or name in _BOOK:
                    setattr(self, name[4:], None)
                    continue
                raise loading.LibraryNotFoundError(
                    f"{lib._name} has no function {name}; is it the tsfilters_stream library?"
                ) from None
            fn.restype, fn.argtypes = restype, argtypes
            setattr(self, name[4:], fn)
        self.stream_words = self.stream_bytes() // 8
        # tsf_stream_update once more, without argtypes, for one live sample:
        # its caller passes ready-made ctypes objects (a void* to the state,
        # a float buffer by reference, the count 1 as a C int), which ctypes
        # then passes unconverted, at half the cost of the declared call.
        # Indexing, unlike attribute access, gives a function object of its
        # own, so the declared one keeps its argtypes.
        self.stream_update_plain = lib["tsf_stream_update"]
        self.stream_update_plain.restype = _c.c_int32
        # And tsf_stream_peek, for a live peek: the sample goes as a c_float.
        self.stream_peek_plain = lib["tsf_stream_peek"]
        self.stream_peek_plain.restype = _c.c_int

    def message(self, code):
        return self.strerror(code).decode("utf-8", "replace")

    def check(self, code):
        """`code`, unless it is one of the library's negative error codes."""
        if code < 0:
            raise ValueError(self.message(code))
        return code


# The stream library's functions, loaded on first use.
functions = loading.LoadedOnce(lambda: Functions(loading.open_library("tsfilters_stream")))
