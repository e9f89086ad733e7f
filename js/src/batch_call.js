// The library's batch call over values the package has read already: the
// one step the seven functions and the settling measurements share.
import { instance } from './module.js';
import { copyIn } from './values.js';

// The batch call over values already read.
export function runRead(filter, read, p) {
  const n = read.length;
  if (n === 0) return new Float32Array(0);
  const wasm = instance();
  // A filter that writes every slot from firstWritten on runs in place (the
  // library allows it); one scaled by its RMS writes all slots or none, and
  // gets an output of its own, prefilled with NaN.
  const inPlace = !filter.rmsWindow;
  const input = wasm.malloc((inPlace ? 4 : 8) * n);
  const written = inPlace ? input : input + 4 * n;
  try {
    copyIn(wasm, read, input);
    if (!inPlace) wasm.f32.fill(NaN, written >>> 2, (written >>> 2) + n);
    const fn = wasm.exports[filter.exportName];
    if (filter.shape === 'PERIOD') fn(input, p.period, n, written);
    else if (filter.shape === 'TWO_PERIODS') fn(input, p.highPassPeriod, p.smoothPeriod, n, written);
    else fn(input, p.gamma, p.period, n, written);
    wasm.views();
    // new + set: slice() of a view of the module's memory is many times slower.
    const output = new Float32Array(n);
    output.set(wasm.f32.subarray(written >>> 2, (written >>> 2) + n));
    output.fill(NaN, 0, filter.firstWritten);
    return output;
  } finally {
    wasm.free(input);
  }
}
