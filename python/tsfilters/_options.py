"""The options every front takes, as the types that name their values.

Kept apart from the generated filter functions so that a module needing
only these names (the Polars methods) imports nothing else with them.
"""

from typing import Literal

# What a NaN (or null) sample does; see help(tsfilters).
Missing = Literal["error", "drop", "previous", "keep"]
# What the slots before the filter has settled hold; see help(tsfilters).
Warmup = Literal["keep", "nan"]
