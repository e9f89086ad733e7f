// Stream: one filter fed a sample or a chunk at a time, with a forming-bar
// peek, warm-up blanking, missing values handled as asked, and its state
// saved and loaded.
import { describe } from './describe.js';
import { check, freedError, gapError } from './errors.js';
import { byName, filterNamed } from './filters.js';
import { isArray, typedKind } from './intrinsics.js';
import { dispose, leftBehind } from './lifetime.js';
import { STREAM_BYTES, instance } from './module.js';
import { streamOptions } from './options.js';
import { parametersOf, writeParams } from './parameters.js';
import { checkSaved, loadInto, readSaved, saveFrom } from './saved.js';
import { blankedSamples } from './settling.js';
import { steadyStep } from './steady_steps.js';
import { checkNumber, currentFloats, copyIn, isGap, readValues } from './values.js';

// Runs `update(buffer, count)` of the library over `read` (ours), in place
// in the module's memory, and returns the outputs.
function runInModule(wasm, read, update) {
  const n = read.length;
  const output = new Float32Array(n);
  if (n === 0) return output;
  const buffer = wasm.malloc(4 * n);
  try {
    copyIn(wasm, read, buffer);
    check(update(buffer, n));
    wasm.views();
    output.set(wasm.f32.subarray(buffer >>> 2, (buffer >>> 2) + n));
  } finally {
    wasm.free(buffer);
  }
  return output;
}

/** One filter fed a sample or a chunk at a time, with a forming-bar peek and a portable saved state. */
export class Stream {
  #wasm;
  #at;
  #kind;
  #params;
  #missing;
  #warmup;
  #warm = 0; // samples still to blank under warmup 'nan'
  #steady; // a sample past the warm-up, stepped here (steady_steps.js)

  constructor(kind, params, options) {
    const filter = filterNamed(kind);
    const p = parametersOf(filter, params, filter.name);
    const { missing, warmup } = streamOptions(options, filter.name);
    const wasm = instance();
    if (wasm.exports.tsf_stream_bytes() !== STREAM_BYTES) throw new Error('tsfilters: the module does not match the package');
    this.#wasm = wasm;
    this.#at = wasm.malloc(STREAM_BYTES);
    leftBehind.register(this, { wasm, at: this.#at }, this);
    writeParams(wasm, filter, p, wasm.scratch);
    check(wasm.exports.tsf_stream_init(this.#at, filter.kind, wasm.scratch));
    this.#steady = steadyStep(wasm, filter, this.#at);
    this.#kind = filter.name;
    this.#params = Object.freeze(p);
    this.#missing = missing;
    this.#warmup = warmup;
    this.#rewarm(0);
  }

  // The samples left to blank once the stream holds `samples`.
  #rewarm(samples) {
    this.#warm = this.#warmup === 'nan' ? Math.max(0, blankedSamples(byName.get(this.#kind), this.#params) - samples) : 0;
  }

  /** The filter's name, e.g. 'superSmoother'. */
  get kind() {
    return this.#kind;
  }

  /** The parameters in use, defaults filled in, gamma as binary32. */
  get params() {
    return this.#params;
  }

  /** What a NaN or infinite sample does: 'error', 'drop' or 'keep'. */
  get missing() {
    return this.#missing;
  }

  /** 'nan' when the outputs before the filter has settled are NaN, else 'keep'. */
  get warmup() {
    return this.#warmup;
  }

  #state() {
    if (this.#at === 0) throw freedError(`this ${this.#kind} stream has been`);
    return this.#at;
  }

  /**
   * Consumes a sample and returns its output, or consumes an array and
   * returns a Float32Array of outputs; NaN where the output is not known
   * yet (see the package's documentation), and for a sample dropped as
   * missing.
   */
  update(x) {
    if (typeof x !== 'number') return this.#updateMany(x);
    const at = this.#state();
    // A finite sample past the warm-up is stepped here; anything else, a
    // missing value too, goes the long way. The two are kept apart and
    // this one small, so that a caller's loop takes it in whole: with the
    // long way inline a tick cost a third more.
    const y = this.#steady(x, true);
    if (y === undefined) return this.#updateInModule(at, x);
    return this.#warm > 0 ? this.#blank() : y;
  }

  // The output of a sample under warmup 'nan' while it blanks.
  #blank() {
    --this.#warm;
    return NaN;
  }

  // A missing value under 'error' or 'drop'.
  #gap(x, what) {
    if (this.#missing === 'error') throw gapError(`${this.#kind}.${what}`, x, 'given');
    return NaN;
  }

  #updateInModule(at, x) {
    if (isGap(x) && this.#missing !== 'keep') return this.#gap(x, 'update');
    const wasm = this.#wasm;
    const f32 = currentFloats(wasm);
    const io = wasm.scratch >>> 2;
    f32[io] = x;
    const code = wasm.exports.tsf_stream_update(at, wasm.scratch, 1, wasm.scratch + 4);
    if (code < 0) check(code);
    return this.#warm > 0 ? this.#blank() : f32[io + 1];
  }

  #updateMany(x) {
    if (!isArray(x) && typedKind(x) === undefined) {
      throw new TypeError(`${this.#kind}.update: expected a number or an array of numbers, got ${describe(x)}`);
    }
    const read = readValues(x, `${this.#kind}.update`);
    // Only now, with no caller code left to run, is the stream looked at:
    // a getter above may have freed it.
    const at = this.#state();
    const wasm = this.#wasm;
    const feed = (values) => {
      const fed = runInModule(wasm, values, (buffer, n) => wasm.exports.tsf_stream_update(at, buffer, n, buffer));
      const blanked = Math.min(this.#warm, fed.length);
      fed.fill(NaN, 0, blanked);
      this.#warm -= blanked;
      return fed;
    };
    if (this.#missing === 'keep') return feed(read);
    const gaps = [];
    for (let i = 0; i < read.length; ++i) if (isGap(read[i])) gaps.push(i);
    if (gaps.length === 0) return feed(read);
    if (this.#missing === 'error') throw gapError(`${this.#kind}.update`, read[gaps[0]], `at position ${gaps[0]}`);
    // Dropped: the others are fed as one chunk, and each gap gets NaN.
    const kept = new Float32Array(read.length - gaps.length);
    const places = new Int32Array(kept.length);
    for (let i = 0, k = 0, g = 0; i < read.length; ++i) {
      if (g < gaps.length && gaps[g] === i) {
        ++g;
      } else {
        kept[k] = read[i];
        places[k++] = i;
      }
    }
    const fed = feed(kept);
    const output = new Float32Array(read.length).fill(NaN);
    for (let k = 0; k < fed.length; ++k) output[places[k]] = fed[k];
    return output;
  }

  /** The output the next sample would get if it were `x`; the stream does not change. */
  peek(x) {
    if (typeof x !== 'number') checkNumber(x, `${this.#kind}.peek: x`);
    const at = this.#state();
    const y = this.#steady(x, false);
    if (y === undefined) return this.#peekInModule(at, x);
    return this.#warm > 0 ? NaN : y;
  }

  #peekInModule(at, x) {
    if (isGap(x) && this.#missing !== 'keep') return this.#gap(x, 'peek');
    const wasm = this.#wasm;
    const code = wasm.exports.tsf_stream_peek(at, x, wasm.scratch);
    if (code < 0) check(code);
    return this.#warm > 0 ? NaN : currentFloats(wasm)[wasm.scratch >>> 2];
  }

  /** An oscillator's outputs of samples 0..99 once it has consumed 100 samples; otherwise null. */
  window() {
    const at = this.#state();
    const wasm = this.#wasm;
    const buffer = wasm.malloc(400);
    try {
      if (check(wasm.exports.tsf_stream_window(at, buffer)) !== 100) return null;
      wasm.views();
      return wasm.f32.slice(buffer >>> 2, (buffer >>> 2) + 100);
    } finally {
      wasm.free(buffer);
    }
  }

  /** The number of samples consumed. */
  get samples() {
    return Number(check(this.#wasm.exports.tsf_stream_samples(this.#state())));
  }

  /** Back to the state the constructor gave it: no samples, the same kind and parameters. */
  reset() {
    check(this.#wasm.exports.tsf_stream_reset(this.#state()));
    this.#rewarm(0);
  }

  /** The state in the library's portable format: loads on any platform, in C, Python or JavaScript. */
  save() {
    return saveFrom(this.#wasm, this.#state());
  }

  /**
   * Replaces this stream's state by a saved one of the same kind (its
   * parameters may differ); on any error the stream is unchanged. A stream
   * keeps its kind for life, as its type says: a state of another kind is
   * a TypeError, and Stream.load makes a stream of whatever kind was saved.
   */
  restore(bytes) {
    const what = `${this.#kind}.restore`;
    const read = readSaved(bytes, what);
    const at = this.#state();
    const { filter, params } = checkSaved(this.#wasm, read);
    if (filter.name !== this.#kind) {
      throw new TypeError(`${what}: the saved state is a ${filter.name} stream, and a stream keeps its kind; ` +
        'Stream.load(bytes) makes a stream of the saved kind');
    }
    loadInto(this.#wasm, at, read);
    this.#params = Object.freeze(params);
    this.#rewarm(this.samples);
  }

  /** A new stream from a saved state (Stream.save, tsf_stream_save in C, or the Python package). */
  static load(bytes, options) {
    const read = readSaved(bytes, 'Stream.load');
    const { filter, params } = checkSaved(instance(), read);
    const stream = new Stream(filter.name, params, options);
    loadInto(stream.#wasm, stream.#at, read); // checked: cannot fail
    stream.#params = Object.freeze(params);
    stream.#rewarm(stream.samples);
    return stream;
  }

  /** Frees the state in the module's memory; the stream is unusable afterwards. Safe to call twice. */
  free() {
    if (this.#at === 0) return;
    leftBehind.unregister(this);
    this.#wasm.free(this.#at);
    this.#at = 0;
  }

  [dispose]() {
    this.free();
  }
}
