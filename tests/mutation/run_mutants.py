#!/usr/bin/python3
"""Measures the unit tests: applies single faults to the library's sources in
a scratch copy of the tree, rebuilds, runs the unit tests and reports which
faults they catch (killed) and which they miss (survived).

Usage: tests/mutation/run_mutants.py [--mutants FILE] [--only NAME ...]
                                     [--skip-equivalent] [--keep] [--jobs N]

The faults are listed in mutants.txt beside this script (its header gives
the format). The copy is configured once with only the library and the unit
tests; each mutant is then an incremental rebuild of the tests that can see
it (GROUPS below: the unit tests of a part of the library, all of `make
check` for the rest). A lane kernel's mutant runs in the lanes tests forced
to each instruction set that can show it and that this processor has; one
that only a set the processor lacks could show (AVX-512 on most machines)
is reported as not run here. A mutant that fails to build is reported
apart: it shows nothing about the tests. The exit status is 0 when every
mutant not marked equivalent was killed.
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))

# Only the library and its unit tests: no examples, benchmarks, other
# platforms or hardening trees.
CONFIGURE_OPTIONS = [
    "-DCMAKE_BUILD_TYPE=Release",
    "-DTSFILTERS_BUILD_TESTS=ON",
    "-DTSFILTERS_BUILD_EXAMPLES=OFF",
    "-DTSFILTERS_BUILD_BENCHMARKS=OFF",
]


# The lane kernels' instruction sets, from the narrowest; scalar is the
# plain code that every processor runs.
SIMD_SETS = ["scalar", "sse2", "avx2", "avx512"]
KERNEL_SETS = ["sse2", "avx2", "avx512"]

# (source path or folder, the label of the unit tests of that part of the
# library (ctest label, target unit_tests_<label>; cmake/Testing.cmake), the
# instruction sets whose forced runs can see a change there). The first
# match wins; a file that none matches is checked by all of `make check`.
GROUPS = [
    ("src/math/", "math", None),
    ("src/stream/lane_kernels.hpp", "lanes", KERNEL_SETS),
    ("src/stream/lanes_sse2.cpp", "lanes", ["sse2"]),
    ("src/stream/lanes_avx2.cpp", "lanes", ["avx2"]),
    ("src/stream/lanes_avx512.cpp", "lanes", ["avx512"]),
    ("src/stream/lanes_", "lanes", SIMD_SETS),
    ("src/stream/simd_target", "lanes", SIMD_SETS),
    ("src/stream/", "stream", None),
]


def processor_sets():
    """The instruction sets of SIMD_SETS this processor runs."""
    flags = set()
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("flags"):
                    flags = set(line.split(":", 1)[1].split())
                    break
    except OSError:
        pass
    have = ["scalar"]
    if "sse2" in flags:
        have.append("sse2")
    if "avx2" in flags:
        have.append("avx2")
    if {"avx512f", "avx512vl"} <= flags:
        have.append("avx512")
    return have


class Mutant:
    def __init__(self, name):
        self.name = name
        self.why = ""
        self.equivalent = None  # the reason, for an equivalent edit
        self.simd = None  # the instruction sets that can show it, if narrower than its file's
        self.wanted = []  # those, or its file's
        self.edits = []  # (path, old, new)

    def tests(self, have):
        """(label, sets): the ctest label to run (None: all of `make check`)
        and, for the lanes, the forced instruction sets to run them on ([]
        when none of those that could show the mutant is here)."""
        found = set()
        for path, _, _ in self.edits:
            found.add(next(((label, tuple(sets) if sets else None)
                            for prefix, label, sets in GROUPS if path.startswith(prefix)), (None, None)))
        if len(found) != 1:
            return None, None
        label, sets = found.pop()
        if sets is not None:
            self.wanted = list(self.simd or sets)
            sets = [s for s in self.wanted if s in have]
        return label, sets


def parse_mutants(path):
    mutants, mutant, file, block, old = [], None, None, None, None
    with open(path) as f:
        lines = f.read().split("\n")
    for number, line in enumerate(lines, 1):
        where = f"{path}:{number}"
        if block is not None:  # inside <<<< ... >>>>
            if line == "====":
                old, block = "\n".join(block), []
            elif line == ">>>>":
                if old is None:
                    sys.exit(f"{where}: '>>>>' before '===='")
                mutant.edits.append((file, old, "\n".join(block)))
                block, old = None, None
            else:
                block.append(line)
        elif line.startswith("== "):
            mutant = Mutant(line[3:].strip())
            mutants.append(mutant)
            file = None
        elif line.startswith("#") or not line.strip():
            continue
        elif mutant is None:
            sys.exit(f"{where}: text before the first '== name'")
        elif line.startswith("why:"):
            mutant.why = line[4:].strip()
        elif line.startswith("equivalent:"):
            mutant.equivalent = line[11:].strip()
        elif line.startswith("simd:"):
            mutant.simd = line[5:].split()
            if not mutant.simd or set(mutant.simd) - set(SIMD_SETS):
                sys.exit(f"{where}: simd: names sets of {' '.join(SIMD_SETS)}")
        elif line.startswith("--- "):
            file = line[4:].strip()
        elif line == "<<<<":
            if file is None:
                sys.exit(f"{where}: an edit needs a '--- file' first")
            block = []
        else:
            sys.exit(f"{where}: cannot read {line!r}")
    if block is not None:
        sys.exit(f"{path}: the last edit is not closed with '>>>>'")
    names = [m.name for m in mutants]
    if len(set(names)) != len(names):
        sys.exit(f"{path}: two mutants share a name")
    return mutants


def run(command, cwd, log):
    with open(log, "a") as out:
        out.write("$ " + " ".join(command) + "\n")
        out.flush()
        return subprocess.run(command, cwd=cwd, stdout=out, stderr=subprocess.STDOUT).returncode


def failed_tests(log):
    """The names ctest lists under 'The following tests FAILED'."""
    names, listing = [], False
    with open(log, errors="replace") as f:
        for line in f:
            if "The following tests FAILED" in line:
                listing = True
            elif listing:
                m = re.match(r"\s*\d+ - (\S+)", line)
                if not m:
                    break
                names.append(m.group(1))
    return names


class Tree:
    """The scratch copy, its build directory and the unit test run."""

    def __init__(self, root, jobs, have):
        self.root = root
        self.build = os.path.join(root, "build")
        self.jobs = jobs
        self.have = have

    def copy_from(self, source):
        ignore = shutil.ignore_patterns("build", ".git", "__pycache__")
        shutil.copytree(source, self.root, ignore=ignore, dirs_exist_ok=True)

    def configure(self, log):
        # Kernels for a set the processor lacks could never run here: not
        # building them saves each lane mutant a long compile.
        skip = ";".join(s for s in KERNEL_SETS if s not in self.have)
        options = CONFIGURE_OPTIONS + ["-DTSFILTERS_SKIP_LANE_SETS=" + skip]
        return run(["cmake", "-S", self.root, "-B", self.build] + options, self.root, log) == 0

    def build_and_test(self, log, label=None, sets=None):
        """'build failed', 'killed' or 'survived'. Without a label, what
        `make check` builds and runs: the library and all its unit tests."""
        target = "unit_tests_" + label if label else "unit_tests"
        if run(["cmake", "--build", self.build, "-j", str(self.jobs), "--target", target],
               self.root, log) != 0:
            return "build failed"
        select = ["-L", "^unit$"] + (["-L", "^" + label + "$"] if label else [])
        if sets is not None:  # the lanes tests forced to these sets
            select += ["-R", "^(" + "|".join(sets) + ")\\."]
        status = run(["ctest", "--test-dir", self.build, "-j", str(self.jobs), "--timeout", "600"]
                     + select, self.root, log)
        return "killed" if status != 0 else "survived"

    def apply(self, mutant):
        """Applies the edits; returns the original texts, or None if an edit's
        text is no longer found exactly once (the list is stale)."""
        originals = {}
        for path, old, new in mutant.edits:
            full = self.holder(path, old)
            if full is None:
                self.restore(originals)
                return None
            if full not in originals:
                with open(full) as f:
                    originals[full] = f.read()
            with open(full) as f:
                text = f.read()
            if text.count(old) != 1:
                self.restore(originals)
                return None
            with open(full, "w") as f:
                f.write(text.replace(old, new))
        return originals

    def holder(self, path, old):
        """The file an edit applies to: `path` itself, or for a folder (a
        path ending in '/') the one file in it whose text holds `old`; None
        when no file or several do."""
        full = os.path.join(self.root, path)
        if not path.endswith("/"):
            return full
        found = []
        for name in sorted(os.listdir(full)):
            candidate = os.path.join(full, name)
            if os.path.isfile(candidate):
                with open(candidate) as f:
                    if old in f.read():
                        found.append(candidate)
        return found[0] if len(found) == 1 else None

    @staticmethod
    def restore(originals):
        for full, text in originals.items():
            with open(full, "w") as f:
                f.write(text)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--mutants", default=os.path.join(HERE, "mutants.txt"))
    parser.add_argument("--only", nargs="+", metavar="NAME", help="run only these mutants")
    parser.add_argument("--skip-equivalent", action="store_true",
                        help="do not run the mutants marked equivalent")
    parser.add_argument("--keep", action="store_true", help="keep the scratch copy and its logs")
    parser.add_argument("--jobs", type=int, default=2)
    args = parser.parse_args()

    mutants = parse_mutants(args.mutants)
    if args.only:
        unknown = set(args.only) - {m.name for m in mutants}
        if unknown:
            sys.exit("no such mutant: " + ", ".join(sorted(unknown)))
        mutants = [m for m in mutants if m.name in args.only]
    if args.skip_equivalent:
        mutants = [m for m in mutants if not m.equivalent]

    have = processor_sets()
    tree = Tree(tempfile.mkdtemp(prefix="tsfilters-mutants-"), args.jobs, have)
    logs = os.path.join(tree.root, "logs")
    print(f"scratch copy: {tree.root}", flush=True)
    print(f"instruction sets here: {' '.join(have)}", flush=True)
    began = time.time()
    tree.copy_from(SOURCE)
    os.makedirs(logs)

    # The unmutated tree must build and pass the tests the mutants will be
    # run against, or no result means anything.
    baseline = os.path.join(logs, "baseline.log")
    labels = {m.tests(have)[0] for m in mutants}
    if not tree.configure(baseline) or any(
            tree.build_and_test(baseline, label) != "survived"
            for label in ([None] if None in labels else sorted(labels))):
        sys.exit(f"the unmutated tree does not build or pass its tests; see {baseline}")

    results = []
    width = max(len(m.name) for m in mutants)
    for mutant in mutants:
        log = os.path.join(logs, mutant.name + ".log")
        start = time.time()
        label, sets = mutant.tests(have)
        originals = None if sets == [] else tree.apply(mutant)
        if sets == []:
            status = "not here"  # only a set this processor lacks can show it
        elif originals is None:
            status = "stale"  # the source changed under the edit
        else:
            try:
                status = tree.build_and_test(log, label, sets)
            finally:
                tree.restore(originals)
        caught_by = failed_tests(log) if status == "killed" else []
        results.append((mutant, status))
        expected = " (equivalent)" if mutant.equivalent else ""
        if status == "not here":
            detail = "needs " + " or ".join(mutant.wanted)
        else:
            detail = (label or "unit") + (f" [{' '.join(sets)}]" if sets else "") + ": "
            detail += ", ".join(caught_by[:3]) + (" ..." if len(caught_by) > 3 else "")
        print(f"{mutant.name:<{width}}  {status:<12}{expected:<14}{time.time() - start:5.0f} s  {detail}",
              flush=True)

    absent = [(m, s) for m, s in results if s == "not here"]
    real = [(m, s) for m, s in results if not m.equivalent and s != "not here"]
    equivalent = [(m, s) for m, s in results if m.equivalent and s != "not here"]
    killed = sum(1 for _, s in real if s == "killed")
    print(f"\n{killed} of {len(real)} mutants killed; {len(equivalent)} equivalent edits run apart; "
          f"{len(absent)} not run (this processor lacks the instruction set); "
          f"{time.time() - began:.0f} s")
    for m, _ in absent:
        print(f"  not here: {m.name} (needs {' or '.join(m.wanted)})")
    problems = [(m, s) for m, s in real if s != "killed"]
    problems += [(m, s) for m, s in equivalent if s == "killed"]
    for m, s in problems:
        note = " (marked equivalent: is it?)" if m.equivalent else ""
        print(f"  {s}: {m.name}: {m.why}{note}")

    if args.keep:
        print(f"logs in {logs}")
    else:
        shutil.rmtree(tree.root)
    return 0 if all(s == "killed" for _, s in real) else 1  # "not here" is no failure


if __name__ == "__main__":
    sys.exit(main())
