// The module of the `tsfilters` entry: the copy embedded in the package as
// base64, compiled synchronously on first use, so that the package needs
// no `await` before its first call and loads the same way everywhere: in
// Node, from a bundle, and in a page opened from file://, where a browser
// fetches no file beside the script. The module is far below the size
// browsers allow to compile on the main thread.
import { wasmBase64 } from '../generated/tsfilters_wasm.js';

export function defaultModule() {
  const text = atob(wasmBase64);
  const bytes = new Uint8Array(text.length);
  for (let i = 0; i < text.length; ++i) bytes[i] = text.charCodeAt(i);
  return new WebAssembly.Module(bytes);
}
