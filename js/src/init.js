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
    'tsf_stream_samples', 'tsf_stream_reset', 'tsf_stream_save', 'tsf_stream_load', 'tsf_stream_layout',
    'tsf_lanes_update', 'tsf_lanes_peek', 'tsf_book_bytes', 'tsf_book_init', 'tsf_book_grow', 'tsf_book_describe',
    'tsf_book_add', 'tsf_book_remove', 'tsf_book_reset', 'tsf_book_samples', 'tsf_book_params', 'tsf_book_get',
    'tsf_book_update', 'tsf_book_peek', 'tsf_book_update_sparse', 'tsf_book_peek_sparse', 'tsf_book_save',
    'tsf_book_saved_info', 'tsf_book_load', ...filterTable.map((row) => row.exportName)]
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

const sourceError = (value) => new TypeError('tsfilters init: the source must be a URL, a string URL (outside a page, or a file path), a Response, ' +
  `a Promise of one, an ArrayBuffer, a typed array or a WebAssembly.Module; got ${what(value)}`);

const isAbsoluteUrl = (text) => {
  try {
    return new URL(text) !== null;
  } catch {
    return false;
  }
};

const isResponse = (value) => typeof Response !== 'undefined' && value instanceof Response;

// node:fs where the runtime has it (Node, Deno and Bun), else null. The
// specifier is computed so that bundlers for the browser leave it alone.
async function fileSystem() {
  try {
    const specifier = ['node', 'fs/promises'].join(':');
    return globalThis.process?.getBuiltinModule?.(specifier) ??
      await import(/* webpackIgnore: true */ /* @vite-ignore */ specifier);
  } catch {
    return null;
  }
}

// What a server can pass instead, for the messages of a source it cannot read.
const SERVER_SOURCES = "on a server, pass the file's path (fileURLToPath(import.meta.resolve('tsfilters/tsfilters.wasm'))), " +
  "its bytes (readFileSync of that path) or a WebAssembly.Module";

// The bytes of a file, named by a file: URL or a path. A browser has no
// node:fs, and no page may fetch a file: URL.
async function readFile(file, shown) {
  const fs = await fileSystem();
  if (fs === null) {
    throw new TypeError(`tsfilters init: cannot read ${shown} here: a page cannot load a file; ` +
      "serve the page over HTTP, or use the entry 'tsfilters', which embeds the module");
  }
  try {
    return await fs.readFile(file);
  } catch (error) {
    throw new TypeError(`tsfilters init: cannot read ${shown}: ${error.message}; ${SERVER_SOURCES}`, { cause: error });
  }
}

async function fetchUrl(url) {
  if (url.protocol === 'file:') return compile(await readFile(url, url.href), url.href);
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
    // Outside a page a string that is no absolute URL is a file's path, as
    // a server has it ('C:\\...' is one too, not a URL of scheme c:).
    const page = globalThis.location?.href;
    const path = page === undefined && (/^[A-Za-z]:[\\/]/.test(source) || !isAbsoluteUrl(source));
    if (path) return compile(await readFile(source, source), source);
    let url;
    try {
      url = new URL(source, page);
    } catch {
      throw new TypeError(`tsfilters init: '${source}' is not a URL`);
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

// The package's tsfilters.wasm, as bundlers see it: a literal URL relative
// to import.meta.url, which Vite and webpack copy into the build (the
// one-file generated/lean.js has it beside itself). A bundle without
// import.meta.url (an IIFE or CommonJS bundle) cannot say where it is.
function besideThisFile() {
  try {
    return new URL('../generated/tsfilters.wasm', import.meta.url);
  } catch {
    throw new TypeError('tsfilters init: this bundle has no import.meta.url to find tsfilters.wasm by (an IIFE or ' +
      'CommonJS bundle); pass init() its URL (init(\'/assets/tsfilters.wasm\')), its bytes or a WebAssembly.Module');
  }
}

// Loads the module into an instance of its own, and shares it only once it
// has passed every check: a refused module leaves nothing behind, and the
// next init() starts afresh.
async function load(source) {
  if (source === undefined) source = besideThisFile();
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
 * WebAssembly.Module; outside a page, a string that is no URL is a file's
 * path. By default, the package's tsfilters.wasm. Once it
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
