// The options a stream and a book take alike: what a missing value does,
// and whether the outputs before a filter has settled are given.
import { describe } from './describe.js';

export const MISSING = ['error', 'drop', 'keep'];
const WARMUP = ['keep', 'nan'];

// { missing, warmup } of a stream's options, each read once: what a sample
// the library would turn into NaN for good does, and whether the outputs
// before the filter has settled are given or blanked.
export function streamOptions(options, what) {
  if (options === undefined) return { missing: 'error', warmup: 'keep' };
  if (options === null || typeof options !== 'object') {
    throw new TypeError(`${what}: options must be an object, got ${describe(options)}`);
  }
  const given = options.missing;
  const missing = given === undefined ? 'error' : given;
  if (!MISSING.includes(missing)) {
    throw new TypeError(`${what}: missing must be one of ${MISSING.join(', ')}, got ${describe(missing)}`);
  }
  const asked = options.warmup;
  const warmup = asked === undefined ? 'keep' : asked;
  if (!WARMUP.includes(warmup)) {
    throw new TypeError(`${what}: warmup must be 'keep' or 'nan', got ${describe(warmup)}`);
  }
  return { missing, warmup, givenMissing: given, givenWarmup: asked };
}
