// Which instruction set the module's lanes run on.
import { instance } from './module.js';

/** The instruction set the lanes run on in this module: 'simd128' or 'scalar'. */
export function simdTarget() {
  const wasm = instance();
  return wasm.string(wasm.exports.tsf_simd_target());
}
