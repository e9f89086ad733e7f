// init() of the `tsfilters/lean` entry: compiles tsfilters.wasm from a URL,
// a Response, bytes or a compiled module, streaming where the response
// allows, and makes the module's instance, after which every call of the
// package works as in the default entry.
import { instance, loaded, useModule } from './module.js';

// What the package calls in the module: a module without them is some
// other program, or another version's.
const NEEDED = ['memory', '_initialize', 'malloc', 'free', 'tsf_stream_init', 'tsf_lanes_update', 'tsf_strerror'];

let loading = null;

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

async function load(source) {
  if (source === undefined) source = new URL('./tsfilters.wasm', import.meta.url);
  else if (typeof source?.then === 'function') source = await source;
  const module = await toModule(source);
  const exported = new Set(WebAssembly.Module.exports(module).map((e) => e.name));
  const missing = NEEDED.filter((name) => !exported.has(name));
  if (missing.length > 0) {
    throw new TypeError(`tsfilters init: the module is not this version's tsfilters.wasm (it lacks ${missing.join(', ')})`);
  }
  useModule(module);
  instance(); // the instance now, so that no later call waits for it
}

/**
 * Loads tsfilters.wasm; every other call of `tsfilters/lean` needs it done.
 * `source`: a URL or a string URL (fetched; a file: URL is read), a
 * Response (compiled as it streams when its type is application/wasm), a
 * Promise of either (`fetch(...)`), the module's bytes or a compiled
 * WebAssembly.Module. By default, tsfilters.wasm beside this file. Once it
 * has succeeded, later calls resolve at once and load nothing; after a
 * failure, a later call tries again.
 */
export function init(source) {
  if (loaded()) return Promise.resolve();
  if (loading === null) {
    loading = load(source).catch((error) => {
      loading = null;
      throw error;
    });
  }
  return loading;
}
