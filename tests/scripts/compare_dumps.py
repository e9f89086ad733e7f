#!/usr/bin/python3
"""Requires two output dumps to be byte-identical: the same bits from every
build. On a difference, names the first call and slot whose outputs differ.
A dump has one line per call, "<call>: <slot0 bits> <slot1 bits> ...".

    compare_dumps.py REFERENCE_DUMP DUMP
"""
import sys


def first_difference(reference, other):
    for number, (a, b) in enumerate(zip(reference, other)):
        if a != b:
            call, _, a_slots = a.partition(": ")
            b_slots = b.partition(": ")[2]
            for slot, (x, y) in enumerate(zip(a_slots.split(), b_slots.split())):
                if x != y:
                    return f"line {number}, {call}, slot {slot}: reference {x}, this build {y}"
            return f"line {number}, {call}: {a!r} against {b!r}"
    return "one dump is a prefix of the other"


def main():
    reference_path, other_path = sys.argv[1:3]
    try:
        with open(reference_path, "rb") as f:
            reference = f.read()
    except FileNotFoundError:
        print(f"FAIL: no reference dump {reference_path}: build and test that tree first")
        return 1
    with open(other_path, "rb") as f:
        other = f.read()
    if reference == other:
        print(f"identical dumps, {len(reference)} bytes")
        return 0
    a = reference.decode(errors="replace").splitlines()
    b = other.decode(errors="replace").splitlines()
    print(f"FAIL: {other_path} differs from {reference_path} ({len(b)} vs {len(a)} lines)")
    print(first_difference(a, b))
    return 1


if __name__ == "__main__":
    sys.exit(main())
