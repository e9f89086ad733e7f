"""The filter functions' docstrings, written from the library's own
documentation: the comment above each function in its public header.

``tsfilters.h`` beside this file is that header (a link to
``include/tsfilters.h`` in a source checkout, a copy in a built package).
Each comment opens with what the filter computes and then describes every
argument as ``name : text``; the docstring keeps the description, the
parameters the Python function takes and the warm-up slots, and adds what
the table says about slots the library leaves unwritten and the RMS window.
"""

import re
import textwrap
from pathlib import Path

from ._engine.filter_table import RMS_WINDOW, SHAPE_PARAMETERS

# A comment block right before the declaration of an exported function.
_DECLARED = re.compile(r"/\*((?:(?!\*/).)*)\*/\s*TSF_API\s+void\s+TSF_CALL\s+(\w+)\(", re.S)
# One argument of a comment: "name : text".
_ARGUMENT = re.compile(r"^(\w+)\s*:\s*(.*)$")
# The warm-up slots as the `output` argument gives them.
_WARMUP = re.compile(r"slots (\d+)\.\.(\d+) ([^;,]+)$")


def _comments(text):
    """C name -> (description, {argument: text}) from a header's text."""
    comments = {}
    for body, c_name in _DECLARED.findall(text):
        lines = [re.sub(r"^\s*\*?\s?", "", line).strip() for line in body.splitlines()]
        description, arguments, last = [], {}, None
        for line in filter(None, lines):
            m = _ARGUMENT.match(line)
            if m:
                last = m.group(1)
                arguments[last] = m.group(2)
            elif last is None:
                description.append(line)
            else:
                arguments[last] += " " + line
        comments[c_name] = (" ".join(description), arguments)
    return comments


def _read_header():
    try:
        return _comments(Path(__file__).with_name("tsfilters.h").read_text())
    except OSError:
        return {}


_COMMENTS = _read_header()


def _snake(name):
    """highPassPeriod -> high_pass_period"""
    return re.sub(r"(?<=[a-z0-9])([A-Z])", r"_\1", name).lower()


def _slots(first, last):
    return f"Slot {first}" if first == last else f"Slots {first}-{last}"


def describe(name, row, comments=None):
    """The docstring of filter `name`, whose table row is `row`."""
    comments = _COMMENTS if comments is None else comments
    description, arguments = comments.get(row.c_name, ("", {}))
    arguments = {_snake(key): text for key, text in arguments.items()}
    text = description.rstrip(".") or f"The library's {row.c_name}"
    lines = [textwrap.fill(f"{text} ({row.c_name}).", 72)]
    notes = []
    warmup = _WARMUP.search(arguments.get("output", ""))
    if warmup:
        first, last, what = warmup.groups()
        notes.append(f"{_slots(int(first), int(last))} {what}.")
    if row.first_written > 0:
        one = row.first_written == 1
        notes.append(f"{_slots(0, row.first_written - 1)} {'is' if one else 'are'} never "
                     f"written by the library, so {'it is' if one else 'they are'} NaN.")
    if row.rms_scaled:
        notes.append(f"All NaN when there are fewer than {RMS_WINDOW} samples or that RMS "
                     f"is 0. The scale comes from the {RMS_WINDOW} oldest samples given: the "
                     "same day reads differently when the series starts elsewhere.")
    if notes:
        lines.append(textwrap.fill(" ".join(notes), 72))
    documented = [key for key in SHAPE_PARAMETERS[row.shape] if key in arguments]
    if documented:
        width = max(len(key) for key in documented)
        lines.append("\n".join(f"  {key:<{width}} : {arguments[key]}" for key in documented))
    return "\n\n".join(lines)
