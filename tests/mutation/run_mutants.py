#!/usr/bin/python3
"""Measures the unit tests: applies single faults to the library's sources in
a scratch copy of the tree, rebuilds, runs the unit tests and reports which
faults they catch (killed) and which they miss (survived).

Usage: tests/mutation/run_mutants.py [--mutants FILE] [--only NAME ...]
                                     [--skip-equivalent] [--keep] [--jobs N]

The faults are listed in mutants.txt beside this script (its header gives
the format). The copy is configured once with only the library and the unit
tests; each mutant is then an incremental rebuild. A mutant that fails to
build is reported apart: it shows nothing about the tests. The exit status
is 0 when every mutant not marked equivalent was killed.
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


class Mutant:
    def __init__(self, name):
        self.name = name
        self.why = ""
        self.equivalent = None  # the reason, for an equivalent edit
        self.edits = []  # (path, old, new)


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

    def __init__(self, root, jobs):
        self.root = root
        self.build = os.path.join(root, "build")
        self.jobs = jobs

    def copy_from(self, source):
        ignore = shutil.ignore_patterns("build", ".git", "__pycache__")
        shutil.copytree(source, self.root, ignore=ignore, dirs_exist_ok=True)

    def configure(self, log):
        return run(["cmake", "-S", self.root, "-B", self.build] + CONFIGURE_OPTIONS, self.root, log) == 0

    def build_and_test(self, log):
        """'build failed', 'killed' or 'survived'."""
        # What `make check` builds and runs: the library and its unit tests.
        if run(["cmake", "--build", self.build, "-j", str(self.jobs), "--target", "unit_tests"],
               self.root, log) != 0:
            return "build failed"
        status = run(["ctest", "--test-dir", self.build, "-j", str(self.jobs), "--timeout", "600",
                      "-L", "^unit$"], self.root, log)
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

    tree = Tree(tempfile.mkdtemp(prefix="tsfilters-mutants-"), args.jobs)
    logs = os.path.join(tree.root, "logs")
    print(f"scratch copy: {tree.root}", flush=True)
    tree.copy_from(SOURCE)
    os.makedirs(logs)

    # The unmutated tree must build and pass, or no result means anything.
    baseline = os.path.join(logs, "baseline.log")
    if not tree.configure(baseline) or tree.build_and_test(baseline) != "survived":
        sys.exit(f"the unmutated tree does not build or pass its tests; see {baseline}")

    results = []
    width = max(len(m.name) for m in mutants)
    for mutant in mutants:
        log = os.path.join(logs, mutant.name + ".log")
        start = time.time()
        originals = tree.apply(mutant)
        if originals is None:
            status = "stale"  # the source changed under the edit
        else:
            try:
                status = tree.build_and_test(log)
            finally:
                tree.restore(originals)
        caught_by = failed_tests(log) if status == "killed" else []
        results.append((mutant, status))
        expected = " (equivalent)" if mutant.equivalent else ""
        detail = ", ".join(caught_by[:3]) + (" ..." if len(caught_by) > 3 else "")
        print(f"{mutant.name:<{width}}  {status:<12}{expected:<14}{time.time() - start:5.0f} s  {detail}",
              flush=True)

    real = [(m, s) for m, s in results if not m.equivalent]
    equivalent = [(m, s) for m, s in results if m.equivalent]
    killed = sum(1 for _, s in real if s == "killed")
    print(f"\n{killed} of {len(real)} mutants killed; {len(equivalent)} equivalent edits run apart")
    problems = [(m, s) for m, s in real if s != "killed"]
    problems += [(m, s) for m, s in equivalent if s == "killed"]
    for m, s in problems:
        note = " (marked equivalent: is it?)" if m.equivalent else ""
        print(f"  {s}: {m.name}: {m.why}{note}")

    if args.keep:
        print(f"logs in {logs}")
    else:
        shutil.rmtree(tree.root)
    return 0 if all(s == "killed" for _, s in real) else 1


if __name__ == "__main__":
    sys.exit(main())
