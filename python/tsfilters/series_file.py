"""Deprecated: the series the command reads from a file is now
`tsfilters.cli.series_file`; this name still works and warns."""

from ._moved import alias

alias(__name__, "tsfilters.cli.series_file")
