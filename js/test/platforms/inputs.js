// The fixed inputs of the platform checks (tests/platforms/*.c), made the
// same way from integers: an xorshift32 walk whose steps are exact floats.
export function walk(length) {
  let state = 2463534242;
  let v = Math.fround(100);
  const out = new Float32Array(length);
  for (let i = 0; i < length; ++i) {
    state = (state ^ (state << 13)) >>> 0;
    state = (state ^ (state >>> 17)) >>> 0;
    state = (state ^ (state << 5)) >>> 0;
    // A step in [-1, 1) with 24 significant bits.
    v = Math.fround(v + ((state >>> 8) - 0x800000) / 8388608);
    out[i] = v;
  }
  return out;
}

export const hex8 = (bits) => (bits >>> 0).toString(16).padStart(8, '0');

// binary32 bits of each value, as the C hosts print them: computed NaNs as
// `nan` (their sign and payload mean nothing), except `keepBits`.
export function slots(values, keepBits) {
  const bits = new Uint32Array(values.buffer, values.byteOffset, values.length);
  let line = '';
  for (const b of bits) {
    const isNan = (b & 0x7f800000) === 0x7f800000 && (b & 0x007fffff) !== 0;
    line += isNan && b !== keepBits ? ' nan' : ` ${hex8(b)}`;
  }
  return line;
}
