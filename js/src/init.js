// init() of the `tsfilters/lean` entry: compiles tsfilters.wasm from a URL,
// a Response, bytes or a compiled module, streaming where the response
// allows, and makes the module's instance, after which every call of the
// package works as in the default entry.
import { filterTable } from '../generated/filter_table.js';
import { STREAM_BYTES, WASI_MODULE, WASI_NAMES, instanceOf, loaded, share } from './module.js';

// Every export the package calls, and what it must be. A module without one
// of them is some other program, or another version's, and would fail in
// whichever call first reached the gap, with the engine's own error.
export const NEEDED = Object.freeze({
  memory: 'memory',
  ...Object.fromEntries(['_initialize', 'malloc', 'free', 'tsf_strerror', 'tsf_simd_target',
    'tsf_stream_bytes', 'tsf_stream_init', 'tsf_stream_update', 'tsf_stream_peek', 'tsf_stream_window',
    'tsf_stream_samples', 'tsf_stream_reset', 'tsf_stream_save', 'tsf_stream_load',
    'tsf_lanes_update', 'tsf_lanes_peek', ...filterTable.map((row) => row.exportName)]
    .map((name) => [name, 'function'])),
});

// The calls of init() so far, each after the one before: a call made while
// another loads waits for it, and loads its own source only if that failed.
let queue = Promise.resolve();

const what = (value) => {
  if (value === null) return 'null';
  if (typeof value !== 'object' && typeof value !== 'function') return `${typeof value} ${String(value)}`;
  const kind = Object.prototype.toString.call(value).slice(8, -1);
  return `${/^[AEIO]/.test(kind) ? 'an' : 'a'} ${kind}`;
};

const sourceError = (value) => new TypeError('tsfilters init: the source must be a URL, a string URL, a Response, ' +
  `a Promise of one, an ArrayBuffer, a typed array or a WebAssembly.Module; got ${what(value)}`);

const isResponse = (value) => typeof Response !== 'undefined' && value instanceof Response;

// The bytes of a file: URL through the runtime's file system (Node, Deno
// and Bun all have node:fs). The specifier is computed so that bundlers
// for the browser leave it alone. A browser has no node:fs, and no page
// may fetch a file: URL.
async function readFileUrl(url) {
  let fs;
  try {
    const specifier = ['node', 'fs/promises'].join(':');
    fs = globalThis.process?.getBuiltinModule?.(specifier) ??
      await import(/* webpackIgnore: true */ /* @vite-ignore */ specifier);
  } catch (error) {
    throw new TypeError(`tsfilters init: cannot read ${url.href} here: a page cannot load a file: URL; ` +
      "serve the page over HTTP, or use the entry 'tsfilters', which embeds the module", { cause: error });
  }
  try {
    return await fs.readFile(url);
  } catch (error) {
    throw new TypeError(`tsfilters init: cannot read ${url.href}: ${error.message}`, { cause: error });
  }
}

async function fetchUrl(url) {
  if (url.protocol === 'file:') return compile(await readFileUrl(url), url.href);
  let response;
  try {
    response = await fetch(url);
  } catch (error) {
    throw new TypeError(`tsfilters init: fetching ${url.href} failed: ${error.message}`, { cause: error });
  }
  return fromResponse(response);
}

// Streaming compiles while the bytes arrive, and needs the server to send
// Content-Type: application/wasm; any other type is read whole, then compiled.
async function fromResponse(response) {
  const where = response.url || 'the Response';
  if (!response.ok) throw new TypeError(`tsfilters init: ${where} answered HTTP ${response.status}`);
  if (response.bodyUsed) throw new TypeError(`tsfilters init: the body of ${where} was already read`);
  const type = response.headers.get('Content-Type') ?? '';
  if (typeof WebAssembly.compileStreaming === 'function' && /^application\/wasm\s*(;|$)/i.test(type)) {
    return WebAssembly.compileStreaming(response);
  }
  return compile(await response.arrayBuffer(), where);
}

// Bytes that do not even start as a WebAssembly module (an HTML error
// page, say) are refused here; the engine's own CompileError is left for
// the rest, since it also reports what is not the bytes' fault, such as a
// Content-Security-Policy without 'wasm-unsafe-eval'.
function compile(bytes, where) {
  const refuse = (why) => Promise.reject(new TypeError(`tsfilters init: ${where} is not a WebAssembly module (${why})`));
  // A detached buffer has no bytes either.
  if (bytes.byteLength < 8) return refuse(`${bytes.byteLength} bytes`);
  const view = new Uint8Array(bytes instanceof ArrayBuffer ? bytes : bytes.buffer, bytes.byteOffset ?? 0, 4);
  if (view[0] !== 0 || view[1] !== 0x61 || view[2] !== 0x73 || view[3] !== 0x6d) {
    return refuse('it does not start with \\0asm');
  }
  return WebAssembly.compile(bytes);
}

// A source to a compiled module; a URL string is taken relative to the
// page (or worker) where there is one.
async function toModule(source) {
  if (source instanceof WebAssembly.Module) return source;
  if (source instanceof URL) return fetchUrl(source);
  if (typeof source === 'string') {
    let url;
    try {
      url = new URL(source, globalThis.location?.href);
    } catch {
      throw new TypeError(`tsfilters init: '${source}' is not a URL (outside a page, give an absolute one, ` +
        'or a URL object: pathToFileURL(path) for a file)');
    }
    return fetchUrl(url);
  }
  if (isResponse(source)) return fromResponse(source);
  if (source instanceof ArrayBuffer || ArrayBuffer.isView(source)) {
    return compile(ArrayBuffer.isView(source)
      ? new Uint8Array(source.buffer, source.byteOffset, source.byteLength) : source, 'the bytes');
  }
  throw sourceError(source);
}

const notOurs = (why, cause) => new TypeError(
  `tsfilters init: the module is not this version's tsfilters.wasm (${why})`, cause === undefined ? undefined : { cause });

// What keeps `module` from being this version's tsfilters.wasm, read from
// its exports and imports alone, before any of its code runs; null if nothing.
function refusal(module) {
  const exported = new Map(WebAssembly.Module.exports(module).map((e) => [e.name, e.kind]));
  const missing = [];
  const reasons = [];
  for (const [name, kind] of Object.entries(NEEDED)) {
    const has = exported.get(name);
    if (has === undefined) missing.push(name);
    else if (has !== kind) reasons.push(`its ${name} is a ${has}, not a ${kind}`);
  }
  if (missing.length > 0) reasons.unshift(`it lacks ${missing.join(', ')}`);
  const foreign = WebAssembly.Module.imports(module)
    .filter((i) => i.module !== WASI_MODULE || i.kind !== 'function' || !WASI_NAMES.includes(i.name))
    .map((i) => `${i.module}.${i.name}`);
  if (foreign.length > 0) reasons.push(`it imports ${foreign.join(', ')}, which this package does not provide`);
  return reasons.length > 0 ? reasons.join('; ') : null;
}

// Loads the module into an instance of its own, and shares it only once it
// has passed every check: a refused module leaves nothing behind, and the
// next init() starts afresh.
async function load(source) {
  if (source === undefined) source = new URL('./tsfilters.wasm', import.meta.url);
  else if (typeof source?.then === 'function') source = await source;
  const module = await toModule(source);
  const why = refusal(module);
  if (why !== null) throw notOurs(why);
  let made, bytes;
  try {
    made = instanceOf(module);
    bytes = made.exports.tsf_stream_bytes();
  } catch (error) {
    // A trap or a failed link is the module's doing; anything else (no
    // memory left, say) is passed on as it is.
    if (!(error instanceof WebAssembly.RuntimeError || error instanceof WebAssembly.LinkError)) throw error;
    throw notOurs(`it failed to start: ${error.message}`, error);
  }
  if (bytes !== STREAM_BYTES) {
    throw notOurs(`its tsf_stream_bytes() answers ${String(bytes)}, where this package's streams take ${STREAM_BYTES}`);
  }
  share(made);
}

/**
 * Loads tsfilters.wasm; every other call of `tsfilters/lean` needs it done.
 * `source`: a URL or a string URL (fetched; a file: URL is read), a
 * Response (compiled as it streams when its type is application/wasm), a
 * Promise of either (`fetch(...)`), the module's bytes or a compiled
 * WebAssembly.Module. By default, tsfilters.wasm beside this file. Once it
 * has succeeded, later calls resolve at once and load nothing; a module
 * that is not this version's tsfilters.wasm is refused with a TypeError
 * that says why, and after any failure a later call tries again. A call
 * made while another is loading waits for it, and loads its own source
 * only if that one failed.
 */
export function init(source) {
  if (loaded()) return Promise.resolve();
  // A promise given while another call loads is read only when its turn
  // comes; until then its rejection is not left unhandled.
  if (source instanceof Promise) Promise.prototype.then.call(source, undefined, () => {});
  const attempt = queue.then(() => (loaded() ? undefined : load(source)));
  queue = attempt.catch(() => {});
  return attempt;
}
