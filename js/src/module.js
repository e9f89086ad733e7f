// Loads tsfilters.wasm and wraps its memory. Everything here is internal to
// the package; the other files of src/ build the public API on it.
//
// Where the compiled module comes from is the one thing the two entries do
// differently: `tsfilters` (index.js) hands in the copy embedded in the
// package, compiled on first use (provideModule); `tsfilters/lean` hands
// in none, and its init() makes the instance through instanceOf() and
// share(), once it has checked the module. Nothing here imports the
// embedded copy, so that an application on the lean entry never ships it.

let compiled = null;
let provider = null;

/** Gives the module to compile on first use, when no init() has loaded one. */
export function provideModule(make) {
  if (provider === null) provider = make;
}

function wasmModule() {
  if (compiled === null) {
    if (provider === null) {
      throw new Error('tsfilters: the WebAssembly module is not loaded yet; call `await init()` of ' +
        "'tsfilters/lean' (once) before the first call, or import 'tsfilters', which embeds it");
    }
    compiled = provider();
  }
  return compiled;
}

/** Whether the shared instance exists (the module is loaded and running). */
export const loaded = () => shared !== null;

/** sizeof(tsf_stream) in the module this package was built with. */
export const STREAM_BYTES = 768;

// The module is built against the WASI C library but does no input or
// output; the three calls that library keeps are answered here. The
// environment holds only what `environment` names (TSFILTERS_SIMD picks the
// lanes' instruction set, as it does natively).
export const WASI_MODULE = 'wasi_snapshot_preview1';

function wasiImports(environment, memoryOf) {
  const encoder = new TextEncoder();
  const strings = Object.entries(environment).map(([k, v]) => encoder.encode(`${k}=${v}\0`));
  const view = () => new DataView(memoryOf().buffer);
  return {
    environ_sizes_get(countAt, sizeAt) {
      view().setUint32(countAt, strings.length, true);
      view().setUint32(sizeAt, strings.reduce((n, s) => n + s.length, 0), true);
      return 0;
    },
    environ_get(pointersAt, bytesAt) {
      const bytes = new Uint8Array(memoryOf().buffer);
      for (const s of strings) {
        view().setUint32(pointersAt, bytesAt, true);
        bytes.set(s, bytesAt);
        pointersAt += 4;
        bytesAt += s.length;
      }
      return 0;
    },
    proc_exit(code) {
      throw new WebAssembly.RuntimeError(`tsfilters.wasm exited with code ${code}`);
    },
  };
}

/** The names of the imports an instance is given, all in WASI_MODULE. */
export const WASI_NAMES = Object.freeze(Object.keys(wasiImports({}, () => null)));

// One instance of the module (by default the package's): its exports and
// views of its memory, which are made again whenever the memory grows.
export class Instance {
  constructor(environment = {}, module = wasmModule()) {
    let memory = null;
    const instance = new WebAssembly.Instance(module, {
      [WASI_MODULE]: wasiImports(environment, () => memory),
    });
    this.exports = instance.exports;
    memory = this.exports.memory;
    this.exports._initialize();
    this.buffer = null;
    this.views();
    // A scratch area for a few floats, for the calls of one value.
    this.scratch = this.malloc(16);
  }

  // Whether the memory grew since the views were made (they are then made again).
  views() {
    const buffer = this.exports.memory.buffer;
    if (buffer === this.buffer) return false;
    this.buffer = buffer;
    this.f32 = new Float32Array(buffer);
    this.u8 = new Uint8Array(buffer);
    this.data = new DataView(buffer);
    return true;
  }

  // A block of `bytes` bytes in the module's memory, 16-byte aligned. A
  // RangeError when the memory (4 GiB at most) has no room.
  malloc(bytes) {
    const at = bytes > 0x7fffffff ? 0 : this.exports.malloc(bytes);
    if (at === 0) throw new RangeError(`tsfilters: ${bytes} bytes do not fit the WebAssembly memory`);
    if (this.views()) this.reserve();
    return at;
  }

  // The C allocator grows the memory by as little as it needs, and each
  // growth costs in proportion to the memory's size (the engine remaps it
  // and the old ArrayBuffer is detached and collected), so a million
  // streams made one by one took minutes. Whenever it has grown, half as
  // much again (at most 256 MiB) is claimed and handed back at once: the
  // allocator keeps it as free space for what comes next, and the memory
  // grows in geometric steps. Near the 4 GiB limit the claim just fails.
  reserve() {
    const size = this.buffer.byteLength;
    const spare = this.exports.malloc(Math.min(size / 2, 1 << 28));
    if (spare !== 0) this.exports.free(spare);
    this.views();
  }

  free(at) {
    this.exports.free(at);
  }

  // The C string at `at`.
  string(at) {
    this.views();
    let end = at;
    while (this.u8[end] !== 0) ++end;
    return new TextDecoder().decode(this.u8.subarray(at, end));
  }
}

let shared = null;

// TSFILTERS_SIMD from the environment where the runtime lets us read it
// without asking: Node's process.env; in Deno only with env permission
// already granted (reading without it throws, or prompts at a terminal),
// since a package that only computes must run without --allow-env.
function simdFromEnvironment() {
  try {
    const deno = globalThis.Deno;
    if (deno !== undefined) {
      const permission = deno.permissions?.querySync?.({ name: 'env', variable: 'TSFILTERS_SIMD' });
      if (permission?.state !== 'granted') return undefined;
    }
    return globalThis.process?.env?.TSFILTERS_SIMD;
  } catch {
    return undefined;
  }
}

// TSFILTERS_SIMD in the environment picks the lanes' instruction set
// ('scalar' or 'simd128'), as it does for the native library.
function sharedEnvironment() {
  const simd = simdFromEnvironment();
  return simd ? { TSFILTERS_SIMD: simd } : {};
}

// The instance the package's functions use, made on first use.
export function instance() {
  if (shared === null) shared = new Instance(sharedEnvironment());
  return shared;
}

/**
 * An instance of `module` made as the shared one would be, but not shared:
 * init() checks it before anything uses it, and a module it refuses
 * leaves no trace.
 */
export const instanceOf = (module) => new Instance(sharedEnvironment(), module);

/** Makes `made` the shared instance; a no-op once there is one. */
export function share(made) {
  if (shared === null) shared = made;
}
