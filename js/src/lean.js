// The `tsfilters/lean` entry: the package's API without the embedded
// module, which init() loads from tsfilters.wasm (by default the one in the
// package's generated/ folder, or wherever it is told). Its API is built
// from the same files as tsfilters/lightweight-charts, so the adapter runs
// on the module this init() loaded. scripts/build_lean.mjs also bundles it into one file,
// generated/lean.js, for a page without a bundler (with tsfilters.wasm
// beside it).
export * from './api.js';
export { init } from './init.js';
