// How long a filter takes to settle, measured on the library itself: what
// `warmup: 'nan'` blanks and what the chart adapter hides, the same
// numbers as the Python package's.
import { runRead } from './batch_call.js';
import { filterNamed } from './filters.js';
import { parametersOf } from './parameters.js';

// Whether a filter follows a level (a smoother: gain 1 at zero frequency)
// rather than removing it, measured at its defaults on a unit step.
const follows = new Map();
function followsItsInput(filter) {
  if (!follows.has(filter.name)) {
    const step = new Float32Array(4096).fill(1, filter.warmup);
    const out = runRead(filter, step, parametersOf(filter, undefined, filter.name));
    follows.set(filter.name, Math.abs(out[out.length - 1] - 1) < 0.5);
  }
  return follows.get(filter.name);
}

// The settling length, measured on the library exactly as the Python
// package's tsfilters.settling.settling_length measures it (the same
// steps, the same double arithmetic on the same float32 outputs), so that
// both give the same numbers: the samples, from the first, until the
// response to a unit step given after the warm-up stays within 1% of its
// final value (1% of its largest swing); null when it never settles on the
// right level (1 for a smoother, 0 for a filter that removes the level).
function measureSettling(filter, p, tolerance = 0.01) {
  for (let count = 1024; count <= 1 << 22; count *= 4) {
    const step = new Float32Array(count).fill(1, filter.warmup);
    const response = runRead(filter, step, p).subarray(filter.firstWritten);
    if (response.length === 0 || !response.every(Number.isFinite)) return null;
    const final = response[response.length - 1];
    const swing = Float64Array.from(response, (v) => Math.abs(v - final));
    let largest = 0;
    for (const v of swing) largest = Math.max(largest, v);
    const level = followsItsInput(filter) ? 1 : 0;
    if (Math.abs(final - level) > tolerance * Math.max(largest, level)) {
      let late = 0;
      for (let i = Math.floor(count / 2); i < swing.length; ++i) late = Math.max(late, swing[i]);
      if (late <= tolerance * largest) return null; // settled, on the wrong level
      continue;
    }
    if (largest === 0) return filter.firstWritten;
    let outside = swing.length - 1;
    while (!(swing[outside] > tolerance * largest)) --outside;
    const last = outside + filter.firstWritten;
    if (last < Math.floor(count / 2)) return last + 1; // settled well before the end
  }
  return null;
}

const settled = new Map();

/**
 * How many samples filter `kind` needs, with `params` (its defaults for any
 * left out), before its output is reliable; null when it never settles.
 * The lengths `warmup: 'nan'` blanks, the same as the Python package's.
 */
export function settlingLength(kind, params) {
  const filter = filterNamed(kind);
  const p = parametersOf(filter, params, `${filter.name} settlingLength`);
  const key = `${filter.name} ${JSON.stringify(p)}`;
  if (!settled.has(key)) settled.set(key, measureSettling(filter, p));
  return settled.get(key);
}

// How many of a series' first samples `warmup: 'nan'` blanks: its settling
// length, counted in its own samples, as the batch calls blank it; every
// sample when the filter never settles with these parameters.
export function blankedSamples(filter, p) {
  return settlingLength(filter.name, p) ?? Infinity;
}
