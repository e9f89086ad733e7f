// The seven batch functions: a series in, the filter's outputs out, with
// the warm-up kept or blanked.
import { runRead } from './batch_call.js';
import { describe } from './describe.js';
import { byName } from './filters.js';
import { isArray } from './intrinsics.js';
import { parametersOf } from './parameters.js';
import { settlingLength } from './settling.js';
import { readValues } from './values.js';

function runBatch(filter, values, params) {
  const { warmup, ...rest } = batchOptions(params, filter.name);
  const p = parametersOf(filter, rest, filter.name);
  // Borrowed: runRead copies it into the module before any caller code runs.
  const read = readValues(values, `${filter.name}: values`, true);
  const output = runRead(filter, read, p);
  if (warmup === 'nan') {
    // Every slot when the filter never settles with these parameters.
    const settled = settlingLength(filter.name, p) ?? read.length;
    output.fill(NaN, 0, Math.min(settled, read.length));
  }
  return output;
}

// `params` of a batch call: the filter's parameters and `warmup`.
function batchOptions(params, what) {
  if (params === undefined) return { warmup: 'keep' };
  if (params === null || typeof params !== 'object' || isArray(params)) {
    throw new TypeError(`${what}: parameters must be an object, got ${describe(params)}`);
  }
  const copy = { ...params }; // each getter read once, here
  const warmup = copy.warmup === undefined ? 'keep' : copy.warmup;
  if (warmup !== 'keep' && warmup !== 'nan') {
    throw new TypeError(`${what}: warmup must be 'keep' or 'nan', got ${describe(warmup)}`);
  }
  delete copy.warmup;
  return { warmup, ...copy };
}

export const highPass = (values, params) => runBatch(byName.get('highPass'), values, params);
export const superSmoother = (values, params) => runBatch(byName.get('superSmoother'), values, params);
export const ultimateSmoother = (values, params) => runBatch(byName.get('ultimateSmoother'), values, params);
export const bandPass = (values, params) => runBatch(byName.get('bandPass'), values, params);
export const cyberneticOscillator = (values, params) => runBatch(byName.get('cyberneticOscillator'), values, params);
export const laguerreFilter = (values, params) => runBatch(byName.get('laguerreFilter'), values, params);
export const laguerreOscillator = (values, params) => runBatch(byName.get('laguerreOscillator'), values, params);
