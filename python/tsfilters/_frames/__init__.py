"""The middle layer: what callers pass (NumPy arrays, pandas, Polars and
Arrow objects, xarray DataArrays, long tables) turned into the arrays the
engine takes and the results put back in the caller's kind of object, with
the checks of gaps, dates held as text, time order and dates already seen
written once for all of them. Which library an object belongs to is asked
of `kinds` alone."""
