// Types of the tsfilters/lean entry: the package's, and init().
export * from './index.js';

/** A URL, as far as init() reads one (the global URL class of browsers, Node, Deno and Bun). */
export interface UrlLike {
  readonly href: string;
  readonly protocol: string;
}

/** A fetch Response, as far as init() reads one. */
export interface ResponseLike {
  readonly ok: boolean;
  readonly status: number;
  readonly url: string;
  readonly bodyUsed: boolean;
  readonly headers: { get(name: string): string | null };
  arrayBuffer(): Promise<ArrayBuffer>;
}

/**
 * Where init() takes tsfilters.wasm from: a URL or a string URL, a
 * Response, the module's bytes, or a compiled WebAssembly.Module (typed
 * as `object`, which is all a WebAssembly.Module is to TypeScript; these
 * declarations need neither the DOM's types nor Node's).
 */
export type WasmSource = string | UrlLike | ResponseLike | ArrayBuffer | ArrayBufferView | object;

/**
 * Loads tsfilters.wasm; every call of the package that computes needs it
 * done first (before, they throw). By default the file beside the entry,
 * `new URL('./tsfilters.wasm', import.meta.url)`. A Response is compiled
 * as it streams when its type is application/wasm. Once it has succeeded,
 * later calls resolve at once and load nothing. A module that is not this
 * version's tsfilters.wasm is refused with a TypeError naming what is
 * wrong, and leaves nothing behind: a later call may try again. A call
 * made while another loads waits for it, and loads its own source only if
 * that one failed.
 */
export declare function init(source?: WasmSource | PromiseLike<WasmSource>): Promise<void>;
