#!/usr/bin/python3
"""Disassembles a library and fails on any fused multiply-add: x86's FMA
(vfmadd..., vfnmsub..., FMA4's too) or 64-bit ARM's (fmla, fmls, fmadd,
fmsub, fnmadd, fnmsub). A fused one rounds once where the filters round
twice, so one such instruction in a step changes results; the build's
-ffp-contract=off forbids them, and this proves no compiler, intrinsic or
flag brought one back into any function, the lane kernels included.

    check_no_fused.py --objdump OBJDUMP LIBRARY
"""
import argparse
import re
import subprocess
import sys

FUSED = re.compile(r"vfn?m(add|sub)\w*|fml[as]\w*|fn?m(add|sub)")
LABEL = re.compile(r"^[0-9a-f]+ <(.+)>:$")
INSTRUCTION = re.compile(r"^\s*[0-9a-f]+:\s+(\S+)")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--objdump", required=True)
    parser.add_argument("library")
    args = parser.parse_args()

    listing = subprocess.run([args.objdump, "-d", "--no-show-raw-insn", args.library],
                             check=True, capture_output=True, text=True).stdout
    function, instructions, fused = "?", 0, []
    for line in listing.splitlines():
        label = LABEL.match(line)
        if label:
            function = label.group(1)
            continue
        instruction = INSTRUCTION.match(line)
        if instruction:
            instructions += 1
            if FUSED.fullmatch(instruction.group(1)):
                fused.append(f"{function}: {line.strip()}")
    print(f"{instructions} instructions read")
    if instructions == 0:
        print("FAIL: the disassembly holds no instructions")
        return 1
    for line in fused:
        print("FAIL: fused multiply-add in", line)
    return 1 if fused else 0


if __name__ == "__main__":
    sys.exit(main())
