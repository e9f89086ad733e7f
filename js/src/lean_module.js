// The module of the `tsfilters/lean` entry, which embeds none: until
// init() has loaded tsfilters.wasm, every call that needs it lands here.
export function defaultModule() {
  throw new Error('tsfilters/lean: the WebAssembly module is not loaded yet; ' +
    'call `await init()` (once) before the first call');
}
