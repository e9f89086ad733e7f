#!/usr/bin/python3
"""Reads a shared library's dynamic symbol table: exactly the filters of the
table are defined, nothing that allocates is imported, which proves that
no code path can reach the heap, and none of the platform's math functions
is imported: the library computes exp, cos and sqrt itself, the same bits
on every platform. No import needs a newer C library than the oldest one
the library's own imports name (or glibc 2.5, where that is older): a
plain memcpy, say, binds to GLIBC_2.14 on x86-64 and would raise the
Python wheel's manylinux floor from glibc 2.5.

    check_exports.py --nm NM --names export_names.txt LIBRARY
"""
import argparse
import re
import subprocess
import sys

ALLOCATORS = re.compile(r"malloc|calloc|realloc|_Znw|_Zna|aligned_alloc|posix_memalign")
PLATFORM_MATH = re.compile(r"(__)?(exp|cos|sqrt|sincos)[fl]?(_finite)?(@.*)?")
GLIBC_VERSION = re.compile(r"@+GLIBC_(\d+(?:\.\d+)*)$")


def newer_than_needed(imported):
    """The imports bound to a glibc newer than the library otherwise needs."""
    versions = {name: tuple(int(p) for p in m.group(1).split("."))
                for name in imported if (m := GLIBC_VERSION.search(name))}
    if not versions:
        return []
    floor = max(min(versions.values()), (2, 5))
    return sorted(name for name, v in versions.items() if v > floor)


def symbols(nm, library, which):
    out = subprocess.run([nm, "-D", which, "--format=just-symbols", library],
                         check=True, capture_output=True, text=True).stdout
    return out.split()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--nm", required=True)
    parser.add_argument("--names", required=True, help="the table's export names")
    parser.add_argument("library")
    args = parser.parse_args()

    with open(args.names) as f:
        expected = sorted(f.read().split())
    exported = sorted(symbols(args.nm, args.library, "--defined-only"))
    imported = symbols(args.nm, args.library, "--undefined-only")
    print("exports:", " ".join(exported))
    print("imports:", " ".join(imported))

    failures = []
    if exported != expected:
        failures.append(f"exported {exported}, expected exactly {expected}")
    allocators = [name for name in imported if ALLOCATORS.search(name)]
    if allocators:
        failures.append(f"the library imports allocators: {allocators}")
    math = [name for name in imported if PLATFORM_MATH.fullmatch(name)]
    if math:
        failures.append(f"the library imports platform math: {math}")
    newer = newer_than_needed(imported)
    if newer:
        failures.append(f"the library needs a newer C library for: {newer}")
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
