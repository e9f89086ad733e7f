// The built-in getters and methods the package reads the caller's objects
// through, taken here when the package is first imported, before any code
// of the caller's can run. A value can be user code (a getter, a Proxy, a
// typed array with its own `length` or `buffer`); its intrinsic slots
// cannot lie, and they also hold for arrays and Maps made in another realm
// (a worker, an iframe, a vm context), where instanceof fails.

const TypedArray = Object.getPrototypeOf(Uint8Array);
const getter = (proto, key) => Object.getOwnPropertyDescriptor(proto, key).get;
const typedTag = getter(TypedArray.prototype, Symbol.toStringTag);
export const typedLength = getter(TypedArray.prototype, 'length');
export const typedBuffer = getter(TypedArray.prototype, 'buffer');
export const typedSet = TypedArray.prototype.set;
const arrayBufferBytes = getter(ArrayBuffer.prototype, 'byteLength');
export const sharedBufferBytes = typeof SharedArrayBuffer === 'undefined' ? undefined
  : getter(SharedArrayBuffer.prototype, 'byteLength');
export const isArray = Array.isArray;

/** The kind of typed array `value` really is ('Float32Array', ...), or undefined. */
export const typedKind = (value) => typedTag.call(value);

export function isArrayBuffer(value) {
  try {
    arrayBufferBytes.call(value);
    return true;
  } catch {
    return false;
  }
}

export const mapSize = getter(Map.prototype, 'size');
export const mapForEach = Map.prototype.forEach;
export const mapSet = Map.prototype.set;

/** Whether `value` is a Map (told by its internal slots, as typed arrays are). */
export function isMap(value) {
  try {
    mapSize.call(value);
    return true;
  } catch {
    return false;
  }
}

// Whether a typed array lies on an ordinary ArrayBuffer: a row's quick
// check, which throws nothing on the live path. A SharedArrayBuffer fails
// it; checkBuffer then says why.
export function ordinaryBuffer(typed) {
  try {
    arrayBufferBytes.call(typedBuffer.call(typed));
    return true;
  } catch {
    return false;
  }
}
