// A stream's saved state: the caller's bytes read into a copy of ours,
// checked by the library before anything changes, loaded into a state,
// and a state saved out again.
import { describe } from './describe.js';
import { check } from './errors.js';
import { filters } from './filters.js';
import { isArrayBuffer, typedKind, typedLength } from './intrinsics.js';
import { STREAM_BYTES } from './module.js';
import { checkBuffer, checkLength } from './values.js';

// The kind and parameters a saved state records (its header, little-endian),
// read from our own copy of the bytes.
function describeSaved(bytes) {
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  const filter = filters[view.getUint16(6, true) - 1];
  const period = view.getInt32(12, true);
  const p = filter.shape === 'PERIOD' ? { period }
    : filter.shape === 'TWO_PERIODS' ? { highPassPeriod: period, smoothPeriod: view.getInt32(16, true) }
      : { gamma: view.getFloat32(20, true), period };
  return { filter, params: p };
}

// Saved bytes (a Uint8Array or an ArrayBuffer) copied into a Uint8Array of
// ours, through the intrinsic getters: an own `length` or `buffer` on the
// caller's array changes nothing.
export function readSaved(bytes, what) {
  let view;
  if (typedKind(bytes) === 'Uint8Array') {
    checkBuffer(bytes, what);
    view = bytes;
  } else if (isArrayBuffer(bytes)) {
    try {
      view = new Uint8Array(bytes);
    } catch {
      throw new TypeError(`${what}: the ArrayBuffer is detached (transferred or resized away); it holds no saved state`);
    }
  } else {
    throw new TypeError(`${what}: expected a saved stream as a Uint8Array or an ArrayBuffer, got ${describe(bytes)}`);
  }
  checkLength(typedLength.call(view), what);
  return new Uint8Array(view); // a copy, from the internal slots
}

// Loads saved bytes (ours) into the tsf_stream at `at`; the library's error,
// and the stream as it was, when they are not a saved state.
export function loadInto(wasm, at, bytes) {
  const copy = wasm.malloc(Math.max(bytes.length, 1));
  try {
    wasm.views();
    wasm.u8.set(bytes, copy);
    check(wasm.exports.tsf_stream_load(at, copy, bytes.length));
  } finally {
    wasm.free(copy);
  }
}

// The kind and parameters of saved bytes (ours) once the library has
// accepted them, loaded into a state of its own: the library's error when
// they are not a saved state.
export function checkSaved(wasm, bytes) {
  const at = wasm.malloc(STREAM_BYTES);
  try {
    loadInto(wasm, at, bytes);
  } finally {
    wasm.free(at);
  }
  return describeSaved(bytes);
}

// The state at `at` in the library's portable format, in a Uint8Array of ours.
export function saveFrom(wasm, at) {
  const size = check(wasm.exports.tsf_stream_save(at, 0, 0));
  const buffer = wasm.malloc(size);
  try {
    check(wasm.exports.tsf_stream_save(at, buffer, size));
    return wasm.u8.slice(buffer, buffer + size);
  } finally {
    wasm.free(buffer);
  }
}
