#!/usr/bin/python3
"""Checks a Windows release zip as a user unpacks it:
- it holds exactly the files README.txt promises, under one top folder;
- each DLL's export and import tables pass check_dll.py (the export names
  come from the build: the filter table and the stream library's list);
- each .def lists exactly its DLL's exports;
- both import libraries of each DLL, MSVC's .lib and MinGW's .dll.a, define
  the import symbol of every export, with the leading underscore that 32-bit
  C names carry;
- README.txt declares every function of the table __cdecl and names the
  release.

    check_windows_zip.py --objdump OBJDUMP --nm NM --version V --bits 64|32
        --names export_names.txt --stream-names export_names.txt ZIP SCRATCH
"""
import argparse
import re
import shutil
import subprocess
import sys
import zipfile
from pathlib import Path

CHECK_DLL = Path(__file__).resolve().parent.parent / "scripts" / "check_dll.py"
LIBRARIES = ("tsfilters", "tsfilters_stream")


def expected_files(top):
    files = ["LICENSE", "CHANGELOG.md", "README.txt", "bin/host_demo.exe",
             "include/tsfilters.h", "include/tsfilters_version.h",
             "include/tsfilters_stream.h", "include/tsfilters_stream.hpp"]
    for lib in LIBRARIES:
        files += [f"bin/{lib}.dll", f"lib/{lib}.def", f"lib/{lib}.lib", f"lib/lib{lib}.dll.a"]
    return sorted(f"{top}/{f}" for f in files)


def read_names(path):
    return sorted(Path(path).read_text().split())


def def_exports(path):
    """The names after EXPORTS, without ordinals or other attributes."""
    text = Path(path).read_text()
    body = text.split("EXPORTS", 1)[1] if "EXPORTS" in text else ""
    return sorted(line.split()[0] for line in body.splitlines() if line.strip())


def defined_symbols(nm, archive):
    out = subprocess.run([nm, archive], check=True, capture_output=True, text=True).stdout
    return set(re.findall(r"^[0-9a-f]* *[A-Z] (\S+)$", out, re.M))


def main():
    parser = argparse.ArgumentParser()
    for option in ("--objdump", "--nm", "--version", "--names", "--stream-names"):
        parser.add_argument(option, required=True)
    parser.add_argument("--bits", required=True, choices=("64", "32"))
    parser.add_argument("zip")
    parser.add_argument("scratch")
    args = parser.parse_args()

    top = f"tsfilters-{args.version}-win{args.bits}"
    failures = []
    with zipfile.ZipFile(args.zip) as archive:
        files = sorted(n for n in archive.namelist() if not n.endswith("/"))
        if files != expected_files(top):
            failures.append(f"the zip holds {files}, expected {expected_files(top)}")
        shutil.rmtree(args.scratch, ignore_errors=True)
        archive.extractall(args.scratch)
    root = Path(args.scratch) / top

    names = {"tsfilters": read_names(args.names), "tsfilters_stream": read_names(args.stream_names)}
    prefix = "_" if args.bits == "32" else ""
    for lib in LIBRARIES:
        dll = root / "bin" / f"{lib}.dll"
        command = [sys.executable, str(CHECK_DLL), "--objdump", args.objdump,
                   "--names", args.names if lib == "tsfilters" else args.stream_names, str(dll)]
        if args.bits == "32" and lib == "tsfilters":
            command.insert(-1, "--cdecl-sse2")
        if subprocess.run(command).returncode != 0:
            failures.append(f"{dll.name}: check_dll.py failed (above)")
        listed = def_exports(root / "lib" / f"{lib}.def")
        if listed != names[lib]:
            failures.append(f"{lib}.def lists {listed}, the DLL exports {names[lib]}")
        for archive in (f"{lib}.lib", f"lib{lib}.dll.a"):
            symbols = defined_symbols(args.nm, root / "lib" / archive)
            missing = [n for n in names[lib] if f"__imp_{prefix}{n}" not in symbols]
            if missing:
                failures.append(f"{archive} has no import symbol for {missing}")

    readme = (root / "README.txt").read_text()
    if args.version not in readme:
        failures.append(f"README.txt does not name release {args.version}")
    for name in names["tsfilters"]:
        if not re.search(rf"void __cdecl {name}\(", readme):
            failures.append(f"README.txt does not declare {name} __cdecl")
    if not (root / "LICENSE").read_text().startswith("MIT License"):
        failures.append("LICENSE is not the MIT licence")

    for failure in failures:
        print("FAIL:", failure)
    if not failures:
        print(f"{Path(args.zip).name}: {len(files)} files, tables, .def files and import libraries ok")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
