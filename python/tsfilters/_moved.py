"""The old homes of modules that moved into the command's package: each
warns once on import and then is the module itself, so that what a caller
reads or replaces in it is what the command uses."""

import importlib
import sys
import warnings


def alias(old, new, stacklevel=3):
    warnings.warn(f"{old} is deprecated; use {new}", DeprecationWarning, stacklevel=stacklevel)
    module = importlib.import_module(new)
    sys.modules[old] = module
    return module
