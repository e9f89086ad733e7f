// What a caller's value is, for the package's error messages, read from
// its internal kind alone, so that no getter or Proxy trap runs while a
// message is written. Both entries and the chart adapter word their
// messages with it.
import { isArray, isArrayBuffer, typedKind } from './intrinsics.js';

// What a value is, for an error message: 'an Int32Array', 'undefined',
// 'the string "3"', 'number NaN'. Reads nothing of the caller's object but
// its internal kind, so a getter or a Proxy cannot run here.
export function describe(value) {
  if (value === null || value === undefined) return String(value);
  if (isArray(value)) return 'an array';
  const kind = typedKind(value) ?? (ArrayBuffer.isView(value) ? 'DataView' : undefined);
  if (kind !== undefined) return `${/^[AEIO]/.test(kind) ? 'an' : 'a'} ${kind}`;
  if (isArrayBuffer(value)) return 'an ArrayBuffer';
  switch (typeof value) {
    case 'object': return 'an object';
    case 'function': return 'a function';
    case 'symbol': return 'a symbol';
    case 'string': return `the string ${JSON.stringify(value.length > 40 ? `${value.slice(0, 40)}...` : value)}`;
    default: return `${typeof value} ${String(value)}`;
  }
}

// A value as a message writes it where the value itself is meant (a bar's
// time or close, a count): a string quoted, a number or a boolean as
// written, anything else as describe() names it.
export function written(value) {
  if (typeof value === 'string') return JSON.stringify(value);
  if (typeof value === 'number' || typeof value === 'boolean' || typeof value === 'bigint') return String(value);
  return describe(value);
}
