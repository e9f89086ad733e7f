// The errors the library reports, as TsfiltersError with its code, and the
// package's own wording of the few it knows more about: a freed stream, a
// value that would make every later output NaN.
import { instance } from './module.js';

/**
 * A failure the library reported: `message` is its own (tsf_strerror), `code`
 * its TSF_E_ number. The package's own message replaces the library's where
 * the package knows more, as for a freed stream (TSF_E_NOT_STREAM).
 */
export class TsfiltersError extends Error {
  constructor(code, message) {
    super(message ?? instance().string(instance().exports.tsf_strerror(code)));
    this.name = 'TsfiltersError';
    this.code = code;
  }
}

// What the C library answers for a tsf_stream that is not one: a freed
// stream's state no longer exists.
export const TSF_E_NOT_STREAM = -3;
export const freedError = (what) => new TsfiltersError(TSF_E_NOT_STREAM,
  `tsfilters: ${what} freed (by free() or at the end of a \`using\` block); make a new one, or Stream.load a saved state`);

// The library's TSF_E_ codes the package tells apart.
export const TSF_E_VERSION = -5;
export const TSF_E_SIZE = -6;
export const TSF_E_CRC = -7;
export const TSF_E_STATE = -8;
export const TSF_E_MISSING = -14;
export const TSF_E_CAPACITY = -17;

// A library return value: negative codes are thrown (tsf_stream_samples
// returns an int64, a BigInt here).
export function check(code) {
  if (code < 0) throw new TsfiltersError(Number(code));
  return code;
}

export function gapError(what, v, where) {
  const kind = Number.isNaN(v) ? 'NaN' : 'an infinite value (or one beyond binary32\'s range)';
  return new RangeError(`${what}: ${kind} ${where}; nothing was fed, since it would make every later output NaN (pass { missing: 'drop' } to skip such values)`);
}
