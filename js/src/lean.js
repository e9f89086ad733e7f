// The `tsfilters/lean` entry: the package's API without the embedded
// module, which init() loads from tsfilters.wasm beside this file (or from
// wherever it is told). npm pack bundles this file into generated/lean.js,
// with lean_module.js in place of default_module.js (scripts/build_lean.mjs).
export * from './index.js';
export { init } from './init.js';
