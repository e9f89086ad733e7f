"""Writes what the installed package computes, as bits, one line per case:
every function over fixed series with several parameter sets (2-D tables
with threads included), every stream kind fed one sample at a time with a
peek before each, the saved bytes at three points of a series without NaN,
and a lanes book row by row. Run on two platforms, the outputs must be equal byte for byte.

    python python_bits.py OUTPUT
"""
import hashlib
import sys

import numpy as np

import tsfilters


def walk(n, seed):
    """A walk whose steps are exact floats, made from integers alone."""
    state, v, out = seed, np.float32(100.0), np.empty(n, dtype=np.float32)
    for i in range(n):
        state ^= (state << 13) & 0xFFFFFFFF
        state ^= state >> 17
        state ^= (state << 5) & 0xFFFFFFFF
        v = np.float32(v + np.float32((state >> 8) - 0x800000) / np.float32(8388608.0))
        out[i] = v
    return out


def series():
    x = walk(700, 2463534242)
    gaps = x.copy()
    gaps[[60, 200, 201]] = [np.nan, np.inf, -np.inf]
    halted = x.copy()
    halted[300:] = halted[299]
    return {"walk": x, "non-finite": gaps, "halted": halted, "tiny": x * np.float32(1e-38)}


PARAMETERS = {
    "high_pass": [dict(period=p) for p in (2, 20, 48, 600)],
    "super_smoother": [dict(period=p) for p in (2, 10, 20, 600)],
    "ultimate_smoother": [dict(period=p) for p in (2, 20, 600)],
    "band_pass": [dict(high_pass_period=48, smooth_period=10), dict(high_pass_period=20, smooth_period=3)],
    "cybernetic_oscillator": [dict(high_pass_period=48, smooth_period=10), dict(high_pass_period=12, smooth_period=5)],
    "laguerre_filter": [dict(gamma=g, period=20) for g in (0.0, 0.5, 0.8, 0.95)],
    "laguerre_oscillator": [dict(gamma=g, period=30) for g in (0.2, 0.8)],
}


def bits(values):
    """binary32 hex, NaNs as `nan` (their sign and payload mean nothing)."""
    a = np.asarray(values, dtype=np.float32).ravel()
    return " ".join("nan" if np.isnan(v) else f"{int(b):08x}" for v, b in zip(a, a.view(np.uint32)))


def main():
    lines = [f"tsfilters {tsfilters.__version__}"]
    inputs = series()
    for name, sets in PARAMETERS.items():
        function = getattr(tsfilters, name)
        for params in sets:
            label = f"{name} {sorted(params.items())}"
            for input_name, x in inputs.items():
                lines.append(f"{label} {input_name}: {bits(function(x, **params, missing='keep'))}")
            table = np.stack([inputs["walk"], inputs["halted"], inputs["non-finite"]], axis=1)
            lines.append(f"{label} table: {bits(function(table, **params, threads=2, missing='keep'))}")
            # Saved bytes of a stream that has met no NaN: once one is in
            # the state, its sign and payload differ between processors
            # without meaning (x86 makes negative NaNs, ARM positive ones).
            for input_name in ("halted", "non-finite"):
                stream = tsfilters.Stream(name, missing="keep", **params)
                outputs, peeks, saved = [], [], []
                for i, v in enumerate(inputs[input_name][:400]):
                    peeks.append(stream.peek(float(v) + 0.5))
                    outputs.append(stream.update(float(v)))
                    if i in (3, 120, 399) and input_name == "halted":
                        saved.append(stream.to_bytes(dates=False).hex())
                lines.append(f"{label} stream {input_name}: {bits(outputs)} peeks: {bits(peeks)} "
                             f"saved: {' '.join(saved)}")
            book = tsfilters.Streams(name, 5, missing="keep", **params)
            rows = [book.update(table[t % len(table)].repeat(2)[:5] + np.float32(t % 3)) for t in range(300)]
            lines.append(f"{label} lanes: {bits(rows)}")
    text = "\n".join(lines) + "\n"
    with open(sys.argv[1], "w", encoding="ascii") as out:
        out.write(text)
    print(f"{len(lines)} lines, sha256 {hashlib.sha256(text.encode()).hexdigest()}")


if __name__ == "__main__":
    main()
