#!/usr/bin/python3
"""Inspects a Windows tsfilters.dll with the target's objdump:
- the export table holds exactly the table's names, undecorated (no @N
  suffix, no leading underscore), so GetProcAddress finds them by name;
- it imports only from Windows' own DLLs, so it loads on a bare Windows:
  the GCC runtime (libgcc, libstdc++, libwinpthread) is linked in.
With --cdecl-sse2 (32-bit x86), the code of each exported function also
- returns with a plain `ret`: cdecl, the caller removes the arguments;
- does its arithmetic in SSE2 and none on the x87, whose extended precision
  would change results. The x87 may only move a double that a math function
  returns in st(0), which is exact.

    check_dll.py --objdump OBJDUMP --names export_names.txt [--cdecl-sse2] DLL
"""
import argparse
import re
import subprocess
import sys

WINDOWS_DLL = re.compile(r"(kernel32|msvcrt|ucrtbase|api-ms-win-crt-[a-z0-9-]+)\.dll", re.I)
SSE_ARITHMETIC = re.compile(r"(add|sub|mul|div|sqrt)s[sd]")
X87_MOVES = {"fstpl", "fldl", "fstl"}


def run(*command):
    return subprocess.run(command, check=True, capture_output=True, text=True).stdout


def export_names(headers):
    """The names under "[Ordinal/Name Pointer] Table", up to the blank line."""
    at = headers.find("[Ordinal/Name Pointer] Table")
    if at < 0:
        return []
    table = re.split(r"\n[ \t]*\n", headers[at:], maxsplit=1)[0]
    return sorted(re.findall(r"^\s*\[ *\d+\] (\S+)", table, re.M))


def code_failures(objdump, dll, name):
    """What makes `name` not a cdecl, SSE2-only function; [] when it is one."""
    # The 32-bit C symbol of a cdecl function carries a leading underscore.
    code = run(objdump, "-d", "--no-show-raw-insn", f"--disassemble=_{name}", dll)
    instructions = re.findall(r":\t([a-z0-9]+)([^\n]*)", code)
    if not instructions:
        return [f"no code for _{name}: a cdecl function has that symbol, "
                f"a __stdcall one _{name}@N"]
    failures = []
    returns = [operands for mnemonic, operands in instructions if mnemonic.startswith("ret")]
    if any("$" in operands for operands in returns):
        failures.append(f"{name} pops its own arguments: not cdecl")
    x87 = {m for m, _ in instructions if m.startswith("f") and m not in X87_MOVES}
    if x87:
        failures.append(f"{name} uses the x87 ({', '.join(sorted(x87))}): "
                        "build with -msse2 -mfpmath=sse")
    sse2 = sum(1 for m, _ in instructions if SSE_ARITHMETIC.fullmatch(m))
    if not returns or not sse2:
        failures.append(f"{name}: {len(returns)} returns, {sse2} SSE arithmetic instructions")
    return failures


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--objdump", required=True)
    parser.add_argument("--names", required=True, help="the table's export names")
    parser.add_argument("--cdecl-sse2", action="store_true")
    parser.add_argument("dll")
    args = parser.parse_args()

    with open(args.names) as f:
        expected = sorted(f.read().split())
    headers = run(args.objdump, "-p", args.dll)
    exported = export_names(headers)
    imports = re.findall(r"DLL Name: (\S+)", headers)
    print("exports:", " ".join(exported))
    print("imports:", " ".join(imports))

    failures = []
    if exported != expected:
        failures.append(f"exported {exported}, expected exactly {expected}")
    for dll in imports:
        if not WINDOWS_DLL.fullmatch(dll):
            failures.append(f"needs {dll}, which a bare Windows does not have; "
                            "link the runtime statically")
    if args.cdecl_sse2:
        for name in expected:
            failures += code_failures(args.objdump, args.dll, name)
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
