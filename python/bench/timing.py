"""What the Python benches share: the fastest of interleaved runs, a batch
of calls for a cost too small to time alone, and the processor's model
that every printed ratio goes with.

Contenders are run in turns and the fastest run of each counts: a busy
machine slows a run down, never speeds one up, so the minimum is the
figure least disturbed by the rest of the machine."""

import platform
import time
from pathlib import Path


def best(contenders, repeats):
    """{name: fastest wall time in seconds}, contenders interleaved."""
    times = {name: float("inf") for name in contenders}
    for _ in range(repeats):
        for name, run in contenders.items():
            start = time.perf_counter()
            run()
            times[name] = min(times[name], time.perf_counter() - start)
    return times


def per_call(run, calls):
    """`run` as a batch of `calls` calls, for a cost too small to time alone."""
    def batch():
        for _ in range(calls):
            run()
    return batch


def best_per_call(contenders, repeats, calls):
    """{name: fastest seconds per call}, each timed over `calls` calls."""
    batches = {name: per_call(run, calls) for name, run in contenders.items()}
    return {name: t / calls for name, t in best(batches, repeats).items()}


def processor():
    """The processor's model name, as lscpu gives it."""
    try:
        for line in Path("/proc/cpuinfo").read_text().splitlines():
            if line.startswith("model name"):
                return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return platform.processor() or platform.machine() or "unknown processor"
