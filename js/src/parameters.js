// A filter's parameters: checked and completed from the caller's object,
// and written to (or read from) a tsf_params in the module's memory.
import { describe } from './describe.js';
import { INT32_MAX, checkNumber } from './values.js';

// The parameters each shape takes, as the C functions name them.
const shapeParameters = {
  PERIOD: ['period'],
  TWO_PERIODS: ['highPassPeriod', 'smoothPeriod'],
  GAMMA_PERIOD: ['gamma', 'period'],
};

// A period is any int32, as the C functions take it: 0, 1 and negative
// periods are passed on, and the library's arithmetic decides what they give.
function checkPeriod(value, what) {
  checkNumber(value, what);
  if (!Number.isInteger(value) || value < -INT32_MAX - 1 || value > INT32_MAX) {
    throw new RangeError(`${what} must be an integer in the int32 range, got ${value}`);
  }
  return value;
}

// The filter's parameters: the defaults, overridden by `params`. gamma is
// any number (NaN and the infinities too, as in C), rounded to binary32.
export function parametersOf(filter, params, what) {
  if (params === undefined) params = {};
  if (params === null || typeof params !== 'object' || Array.isArray(params)) {
    throw new TypeError(`${what}: parameters must be an object, got ${describe(params)}`);
  }
  const allowed = shapeParameters[filter.shape];
  for (const key of Object.keys(params)) {
    if (!allowed.includes(key)) {
      throw new TypeError(`${what}: unknown parameter '${key}' for ${filter.name} (it takes ${allowed.join(', ')})`);
    }
  }
  const d = filter.defaults;
  const get = (key, fallback) => (params[key] === undefined ? fallback : params[key]);
  switch (filter.shape) {
    case 'PERIOD':
      return { period: checkPeriod(get('period', d.period), `${what}: period`) };
    case 'TWO_PERIODS':
      return {
        highPassPeriod: checkPeriod(get('highPassPeriod', d.period), `${what}: highPassPeriod`),
        smoothPeriod: checkPeriod(get('smoothPeriod', d.smoothPeriod), `${what}: smoothPeriod`),
      };
    default:
      return {
        gamma: Math.fround(checkNumber(get('gamma', d.gamma), `${what}: gamma`)),
        period: checkPeriod(get('period', d.period), `${what}: period`),
      };
  }
}

// Writes tsf_params for `filter` at `at`.
export function writeParams(wasm, filter, p, at) {
  wasm.views();
  const view = wasm.data;
  view.setInt32(at, filter.shape === 'TWO_PERIODS' ? p.highPassPeriod : p.period, true);
  view.setInt32(at + 4, filter.shape === 'TWO_PERIODS' ? p.smoothPeriod : 0, true);
  view.setFloat32(at + 8, filter.shape === 'GAMMA_PERIOD' ? p.gamma : 0, true);
}

// tsf_params at `at`, as the parameters of `filter`.
export function readParams(wasm, filter, at) {
  wasm.views();
  const v = wasm.data;
  const period = v.getInt32(at, true);
  if (filter.shape === 'PERIOD') return { period };
  if (filter.shape === 'TWO_PERIODS') return { highPassPeriod: period, smoothPeriod: v.getInt32(at + 4, true) };
  return { gamma: v.getFloat32(at + 8, true), period };
}
