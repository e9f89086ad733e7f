#!/usr/bin/python3
"""Every function of the library has a bounded stack frame, so stack use does
not grow with the length of the series. GCC's -fstack-usage writes one .su
report per object, a line per function ending in its kind: "static", or
"dynamic,bounded" where a 32-bit build realigns the stack.

    check_stack_usage.py OBJECT_DIRECTORY_OF_THE_LIBRARY
"""
import pathlib
import sys


def main():
    reports = sorted(pathlib.Path(sys.argv[1]).rglob("*.su"))
    if not reports:
        print(f"FAIL: no stack usage reports under {sys.argv[1]}")
        return 1
    unbounded = []
    for report in reports:
        for line in report.read_text().splitlines():
            print(line)
            if line.rsplit("\t", 1)[-1] not in ("static", "dynamic,bounded"):
                unbounded.append(line)
    for line in unbounded:
        print("FAIL: frame size depends on the call:", line)
    return 1 if unbounded else 0


if __name__ == "__main__":
    sys.exit(main())
