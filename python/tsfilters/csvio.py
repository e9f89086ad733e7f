"""Deprecated: reading and writing the command's CSV files is now
`tsfilters.cli.csv_files`; this name still works and warns."""

from ._moved import alias

alias(__name__, "tsfilters.cli.csv_files")
