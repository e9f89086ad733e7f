"""A book of the stream library: many series of one kind in one block of
memory, a row at a time (see the "Books" section of tsfilters_stream.h).

The memory is a NumPy array of 64-bit words that this module owns; the
library never allocates. Slots are the library's: a series keeps its slot
until it is removed, a freed slot is the next one taken, and a dense row is
one value per slot in use (a free slot's value is not read, its output is
NaN). Growing moves the book into a larger array, so its address is read
again after every add.

The saved bytes are the library's own, then, when the book has symbols or
blanks its warm-up, a record of those (magic "TSFJ") that the JavaScript
package writes and reads too; a native program loads the first `size`
bytes, the size written at offset 8 of the book.
"""

import ctypes
import struct
import zlib

import numpy as np

from . import parameters as _parameters
from .stream_library import functions, tsf_book_info, tsf_params  # noqa: F401 (tsf_params for callers)

MISSING_CODES = {"error": 0, "drop": 1, "keep": 2}
_OPTIONS_MAGIC = b"TSFJ"
_FREE = 0xFFFFFFFF
_BOOK_MAGIC = b"TSFB"


def available():
    return functions().book_update is not None


def _library():
    lib = functions()
    if lib.book_update is None:
        raise RuntimeError("this tsfilters_stream library has no books; rebuild it "
                           "(cmake --build ... --target tsfilters_stream)")
    return lib


class Book:
    """The memory of one book and the calls on it. Not locked: Streams
    holds its own lock around every call."""

    def __init__(self, name, capacity, missing):
        lib = _library()
        self.kind = _parameters.kind(name)
        self._allocate(lib, max(int(capacity), 8))
        lib.check(lib.book_init(self.address, self.words.nbytes, self.kind, self.capacity,
                                MISSING_CODES[missing]))
        self.slots = 0

    def _allocate(self, lib, capacity):
        size = lib.check(lib.book_bytes(self.kind, capacity))
        try:
            words = np.zeros(-(-size // 8), dtype=np.uint64)
        except MemoryError:
            raise MemoryError(f"a book of {capacity:,} series needs {size / 2**30:,.1f} GiB, "
                              "more than this process could allocate") from None
        self.words, self.address, self.capacity = words, words.ctypes.data, capacity
        return words

    def grow(self, capacity):
        lib = _library()
        old, old_address = self.words, self.address
        self._allocate(lib, capacity)
        lib.check(lib.book_grow(self.address, self.words.nbytes, capacity, old_address))
        del old

    def _room(self):
        if self.slots >= self.capacity and self.live() >= self.capacity:
            self.grow(self.capacity * 2)

    def add_c(self, c_params):
        """Adds a series of `c_params` (a tsf_params); returns its slot."""
        self._room()
        lib = functions()
        slot = lib.check(lib.book_add(self.address, ctypes.byref(c_params)))
        self.slots = max(self.slots, slot + 1)
        return slot

    def add_stream(self, state_address):
        self._room()
        lib = functions()
        slot = lib.check(lib.book_add_stream(self.address, state_address))
        self.slots = max(self.slots, slot + 1)
        return slot

    def remove(self, slot):
        functions().check(functions().book_remove(self.address, slot))

    def reset(self, slot):
        functions().check(functions().book_reset(self.address, slot))

    def samples(self, slot):
        return functions().check(functions().book_samples(self.address, slot))

    def describe(self):
        info = tsf_book_info()
        functions().check(functions().book_describe(self.address, ctypes.byref(info)))
        return info

    def live(self):
        return self.describe().live

    def stream(self, slot):
        """The tsf_stream that continues the series in `slot`, as words."""
        lib = functions()
        state = np.zeros((1, lib.stream_words), dtype=np.uint64)
        lib.check(lib.book_get(self.address, slot, state.ctypes.data))
        return state

    def copy(self):
        other = Book.__new__(Book)
        other.kind, other.slots, other.capacity = self.kind, self.slots, self.capacity
        other.words = self.words.copy()  # a byte copy of a book is a snapshot
        other.address = other.words.ctypes.data
        return other

    def save(self):
        lib = functions()
        size = lib.check(lib.book_save(self.address, None, 0))
        buffer = ctypes.create_string_buffer(size)
        lib.check(lib.book_save(self.address, buffer, size))
        return buffer.raw

    @classmethod
    def load(cls, data):
        """The book saved at the start of `data` (its own size is at offset
        8) and the bytes after it; ValueError with the library's reason."""
        lib = _library()
        if len(data) < 32 or not data.startswith(_BOOK_MAGIC):
            raise ValueError("the bytes are not a saved book (no \"TSFB\" at their start)")
        size, = struct.unpack_from("<q", data, 8)
        if size < 32 or size > len(data):
            raise ValueError(f"the saved book says it is {size} bytes, and {len(data)} were given")
        head = data[:size]
        info = tsf_book_info()
        lib.check(lib.book_saved_info(head, size, ctypes.byref(info)))
        book = cls.__new__(cls)
        book.kind = info.kind
        book._allocate(lib, max(info.slots, 8))
        lib.check(lib.book_load(book.address, book.words.nbytes, book.capacity, head, size))
        book.slots = info.slots
        return book, info, data[size:]


def encode_options(warmup, names):
    """The record after a saved book: its warm-up and, if it has them, one
    text symbol per slot (None for a free slot)."""
    encoded = [] if names is None else [None if s is None else s.encode("utf-8") for s in names]
    body = b"".join(struct.pack("<I", _FREE) if e is None else struct.pack("<I", len(e)) + e
                    for e in encoded)
    size = 24 + len(body)
    head = _OPTIONS_MAGIC + struct.pack("<HHIII", 1, 1 if warmup == "nan" else 0, size,
                                        0 if names is None else 1, len(encoded))
    record = head + body
    return record + struct.pack("<I", zlib.crc32(record))


def decode_options(data, live):
    """(warmup, names or None) of the record after a saved book, checked
    against the book's slots (`live[s]`: slot s holds a series); ValueError
    for anything encode_options does not write."""
    n = len(data)
    if n < 24 or not data.startswith(_OPTIONS_MAGIC):
        raise ValueError("what follows the book is not a record of this package (no \"TSFJ\")")
    version, warmup, size, named, count = struct.unpack_from("<HHIII", data, 4)
    if version != 1:
        raise ValueError(f"the options after the book are of version {version}, "
                         "which this package does not know")
    if size != n:
        raise ValueError(f"the options after the book say they are {size} bytes, and {n} follow")
    if struct.unpack_from("<I", data, n - 4)[0] != zlib.crc32(data[:n - 4]):
        raise ValueError("the options after the book do not match their checksum: damaged bytes")
    if warmup > 1 or named > 1 or count != (len(live) if named else 0):
        raise ValueError("the options after the book hold a warm-up, a flag or a count no save "
                         "writes")
    at, names = 20, None
    if named:
        names = []
        for s in range(count):
            if at + 4 > n - 4:
                raise ValueError("the options after the book end inside their symbols")
            length, = struct.unpack_from("<I", data, at)
            at += 4
            if length == _FREE or not live[s]:
                if length != _FREE or live[s]:
                    raise ValueError(f"the options after the book name slot {s} wrongly")
                names.append(None)
                continue
            if length > n - 4 - at:
                raise ValueError("the options after the book end inside their symbols")
            try:
                names.append(data[at:at + length].decode("utf-8"))
            except UnicodeDecodeError:
                raise ValueError(f"the symbol of slot {s} is not UTF-8") from None
            at += length
        if len({name for name in names if name is not None}) != sum(live):
            raise ValueError("the options after the book name one symbol twice")
    if at != n - 4:
        raise ValueError("the options after the book hold bytes no save writes")
    return ("nan" if warmup else "keep"), names
