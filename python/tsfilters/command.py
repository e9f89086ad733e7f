"""Deprecated: the command's entry point is now `tsfilters.cli`; this name
still works and warns."""

from ._moved import alias

alias(__name__, "tsfilters.cli")
