// Reading the caller's numbers, arrays and typed arrays into arrays of the
// package's own, and copying those into the module's memory.
//
// Whatever the caller passes is read once, into arrays of this module's own,
// before any pointer into the module's memory is taken. A value can be user
// code (a getter, a Proxy, a typed array with its own `length`), and user
// code can call back into the package: grow the module's memory, free or
// create streams. Reading everything first leaves it nothing to interfere
// with; the module is only touched once no more user code can run.
import { describe } from './describe.js';
import { isArray, sharedBufferBytes, typedBuffer, typedKind, typedLength } from './intrinsics.js';

export const INT32_MAX = 0x7fffffff;

export function checkBuffer(typed, what) {
  const buffer = typedBuffer.call(typed);
  if (sharedBufferBytes !== undefined) {
    let shared = true;
    try {
      sharedBufferBytes.call(buffer);
    } catch {
      shared = false;
    }
    // Another thread could change it while the module reads it.
    if (shared) throw new TypeError(`${what}: a SharedArrayBuffer is not accepted; copy it into an ordinary array first`);
  }
  try {
    new Uint8Array(buffer, 0, 0);
  } catch {
    throw new TypeError(`${what}: its ArrayBuffer is detached`);
  }
}

export function checkLength(length, what) {
  if (length > INT32_MAX) {
    throw new RangeError(`${what}: ${length} values; the library takes at most ${INT32_MAX} in one call`);
  }
}

// A Float32Array, a Float64Array or an array of numbers, read into a
// Float32Array (each value rounded to binary32 as a C cast from double
// rounds it); anything else is a TypeError. Typed arrays are told by their
// internal kind, which also holds for arrays made in another realm (a
// worker, an iframe, a vm context). An array is read element by element,
// once each, so a getter sees one read; a value that is not a number is
// refused before the rest is read, and before anything is allocated in the
// module: `new Array(3e8)` costs nothing to refuse.
//
// With `borrow`, an array of numbers may be read into a buffer the package
// keeps for the next call (see readNumbers): the caller must copy it into
// the module before any code of the caller's can run again.
export function readValues(values, what, borrow = false) {
  const kind = typedKind(values);
  if (kind === 'Float32Array' || kind === 'Float64Array') {
    checkBuffer(values, what);
    checkLength(typedLength.call(values), what);
    return new Float32Array(values); // from the array's internal slots: a copy
  }
  if (!isArray(values)) {
    throw new TypeError(`${what}: expected a Float32Array, a Float64Array or an array of numbers, got ${describe(values)}`);
  }
  const n = values.length;
  if (!Number.isSafeInteger(n) || n < 0) throw new TypeError(`${what}: its length ${describe(n)} is not a length`);
  checkLength(n, what);
  return n <= BORROWED_MOST && borrow ? readBorrowed(values, n, what)
    : n <= 1 << 24 ? readNumbers(values, new Float32Array(n), n, what)
      : readGrowing(values, n, what);
}

// The buffer that batch calls read arrays of numbers into, kept between
// calls: a fresh one of 4 MB costs as much as reading a million numbers
// into it. Kept up to BORROWED_MOST values; `borrowed` is true while a read
// into it is under way, so that a getter that calls the package meanwhile
// reads into a buffer of its own.
const BORROWED_MOST = 1 << 21;
let kept = new Float32Array(0);
let borrowed = false;

function readBorrowed(values, n, what) {
  if (borrowed) return readNumbers(values, new Float32Array(n), n, what);
  if (kept.length < n) kept = new Float32Array(Math.min(BORROWED_MOST, Math.max(n, 2 * kept.length)));
  borrowed = true;
  try {
    return readNumbers(values, kept, n, what).subarray(0, n);
  } finally {
    borrowed = false;
  }
}

// The one pass over an array of numbers, into `into[0 .. n-1]`: a loop with
// no other work, which the engine keeps tight.
function readNumbers(values, into, n, what) {
  for (let i = 0; i < n; ++i) {
    const v = values[i];
    if (typeof v !== 'number') throw new TypeError(`${what}[${i}] is ${describe(v)}, not a number`);
    into[i] = v;
  }
  return into;
}

// An array longer than 16M values (64 MB) grows its buffer as it is read,
// so that `new Array(3e8)` allocates little before its first hole.
function readGrowing(values, n, what) {
  let read = new Float32Array(1 << 16);
  for (let i = 0; i < n; ++i) {
    const v = values[i];
    if (typeof v !== 'number') throw new TypeError(`${what}[${i}] is ${describe(v)}, not a number`);
    if (i === read.length) {
      const more = new Float32Array(Math.min(n, 2 * read.length));
      more.set(read);
      read = more;
    }
    read[i] = v;
  }
  return read;
}

// A value the library would turn into NaN for good: NaN, or a number whose
// binary32 rounding is infinite (beyond about 3.4028235e38, or infinite).
export const isGap = (v) => !Number.isFinite(Math.fround(v));

// The module's memory as floats, for a call of one value: the memory only
// grows, and growing detaches the old buffer, whose view then reads as
// empty; asking the memory for its buffer costs more than the rest of a
// tick.
export function currentFloats(wasm) {
  if (wasm.f32.length === 0) wasm.views();
  return wasm.f32;
}

// Copies a Float32Array of ours into the module's memory at `at`. Nothing
// of the caller's runs here.
export function copyIn(wasm, values, at) {
  wasm.views();
  wasm.f32.set(values, at >>> 2);
}

export function checkNumber(value, what) {
  if (typeof value !== 'number') throw new TypeError(`${what} must be a number, got ${describe(value)}`);
  return value;
}
