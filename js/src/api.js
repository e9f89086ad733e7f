// tsfilters for JavaScript: the library's seven filters, its streams and
// lanes, computed by the WebAssembly build of the same C++ sources, so that
// every output is the bits the native library writes.
//
// This is the API of both entries, and nothing else: each name comes from
// the file of its own concern. It has no module of its own: `tsfilters`
// (index.js) hands it the embedded one, `tsfilters/lean` loads one in
// init(). Both entries and the chart adapter build on the same files, so
// that an application that uses any of them together runs one instance of
// one module.
export { bandPass, cyberneticOscillator, highPass, laguerreFilter, laguerreOscillator, superSmoother, ultimateSmoother }
  from './batch.js';
export { TsfiltersError } from './errors.js';
export { filterNames, precisionLimit } from './filters.js';
export { settlingLength } from './settling.js';
export { simdTarget } from './simd.js';
export { Stream } from './stream.js';
export { Streams } from './streams.js';
