// A TypeScript consumer of the lean entry: init() with each source form,
// then the package's own API, type-checked with --strict.
import { init, superSmoother, Stream, type WasmSource } from 'tsfilters/lean';

async function main(bytes: Uint8Array, module: WebAssembly.Module): Promise<number> {
  await init();
  await init(new URL('./tsfilters.wasm', import.meta.url));
  await init('https://example.com/tsfilters.wasm');
  await init(fetch('/tsfilters.wasm'));
  await init(await fetch('/tsfilters.wasm'));
  await init(bytes);
  await init(bytes.buffer as ArrayBuffer);
  await init(module);
  const source: WasmSource = bytes;
  await init(Promise.resolve(source));
  const smooth: Float32Array = superSmoother([1, 2, 3], { period: 10 });
  const live = new Stream('laguerreFilter', { gamma: 0.5 });
  return live.update(smooth[2]);
}
void main;
