"""The bottom layer: the two shared libraries found and declared for ctypes,
the filter table, the parameter checks, and the batch, lanes, book and
segment calls. It takes NumPy float32 arrays and plain values, and knows
nothing of frame libraries."""
