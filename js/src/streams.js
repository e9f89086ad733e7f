// Streams: many series of one kind in one book of the library (tsf_book_*),
// their states stored field by field, so that a row walks a few contiguous
// arrays and the series advance side by side in the vector registers. Each
// series has a slot, which it keeps until it is removed; a dense row holds
// one value per slot, a Map row only the series it names.
import { TSF_MISSING, infoArea, readInfo } from './book_info.js';
import { afterPythonHeader, decodeOptions, encodeOptions } from './book_options.js';
import { describe } from './describe.js';
import { TSF_E_CAPACITY, TSF_E_MISSING, check, freedError, gapError } from './errors.js';
import { filterNamed, filters } from './filters.js';
import { isArray, isMap, mapForEach, mapSet, mapSize, ordinaryBuffer, typedBuffer, typedKind, typedLength, typedSet } from './intrinsics.js';
import { dispose, leftBehind } from './lifetime.js';
import { STREAM_BYTES, instance } from './module.js';
import { MISSING, streamOptions } from './options.js';
import { parametersOf, readParams, writeParams } from './parameters.js';
import { readSaved, saveFrom } from './saved.js';
import { blankedSamples } from './settling.js';
import { checkSymbol, symbolsOf } from './symbols.js';
import { INT32_MAX, checkBuffer, checkLength, isGap, readValues } from './values.js';

// Made by Streams.load: the constructor adopts a loaded book.
const adopting = Symbol('adopting');

/**
 * Many series of one kind in one book of the library, advanced a row at a
 * time side by side (SIMD): a dense row holds one value per slot, a Map
 * row only the symbols it names. Series are added and removed without
 * moving any other, and the whole book saves and loads with its options.
 */
export class Streams {
  #wasm;
  #at = 0;
  #capacity = 0;
  #slots = 0;
  #live = 0;
  #io = 0;
  #ioValues = 0;
  #view = null; // the outputs' view of the module's memory, kept between rows
  #cell; // what the FinalizationRegistry frees
  #filter;
  #kind;
  #missing;
  #warmup;
  #paramsOf = []; // slot -> frozen parameters, or null for a free slot
  #paramsList = null;
  #names = null; // slot -> symbol, for a book with symbols
  #index = null; // symbol -> slot
  #symbolsList = null;
  #warm = new Float64Array(0); // slot -> samples still to blank
  #warming = 0; // the series with samples still to blank

  /**
   * @param kind    a filter name
   * @param params  one parameter object for every lane, or an array of one per lane
   * @param lanes   the number of lanes (defaults to params.length for an array, or symbols.length)
   * @param options { missing: 'error' | 'drop' | 'keep', warmup: 'keep' | 'nan', symbols: string[] }
   */
  constructor(kind, params, lanes, options) {
    if (kind === adopting) {
      this.#adopt(params);
      return;
    }
    const filter = filterNamed(kind);
    const { missing, warmup } = streamOptions(options, filter.name);
    const symbols = symbolsOf(options, filter.name);
    const perLane = isArray(params);
    const given = perLane ? params.length : undefined;
    if (lanes === undefined) lanes = perLane ? given : symbols?.length;
    const most = Math.floor(INT32_MAX / STREAM_BYTES);
    const least = symbols === null ? 1 : 0;
    if (typeof lanes !== 'number') {
      throw new TypeError(`${filter.name}: lanes must be a number of lanes from ${least} to ${most}, got ${describe(lanes)}` +
        (lanes === undefined ? ' (give it, or an array of parameters with one entry per lane, or symbols)' : ''));
    }
    if (!Number.isInteger(lanes) || lanes < least || lanes > most) {
      throw new RangeError(`${filter.name}: lanes must be an integer from ${least} to ${most}, got ${lanes}`);
    }
    if (perLane && given !== lanes) {
      throw new RangeError(`${filter.name}: ${given} parameter sets for ${lanes} lanes`);
    }
    if (symbols !== null && symbols.length !== lanes) {
      throw new RangeError(`${filter.name}: ${symbols.length} symbols for ${lanes} lanes`);
    }
    // Every lane's parameters checked before anything is allocated; a hole
    // in the list is named, not passed on as undefined.
    const all = [];
    if (perLane) {
      for (let i = 0; i < lanes; ++i) {
        if (!(i in params)) throw new TypeError(`${filter.name}: lane ${i} has no parameters (a hole in the list)`);
        all.push(Object.freeze(parametersOf(filter, params[i], `${filter.name} lane ${i}`)));
      }
    } else {
      all.length = lanes;
      all.fill(Object.freeze(parametersOf(filter, params, filter.name)));
    }
    const wasm = instance();
    this.#wasm = wasm;
    this.#filter = filter;
    this.#kind = filter.name;
    this.#missing = missing;
    this.#warmup = warmup;
    this.#cell = { wasm, at: 0, io: 0 };
    leftBehind.register(this, this.#cell, this);
    this.#grow(Math.max(lanes, 1));
    for (const p of all) this.#addSeries(p);
    if (symbols !== null) {
      this.#names = symbols;
      this.#index = new Map(symbols.map((s, slot) => [s, slot]));
    }
  }

  // A book loaded by Streams.load, with its options.
  #adopt({ wasm, filter, at, capacity, missing, warmup, names }) {
    this.#wasm = wasm;
    this.#filter = filter;
    this.#kind = filter.name;
    this.#missing = missing;
    this.#warmup = warmup;
    this.#cell = { wasm, at, io: 0 };
    this.#capacity = capacity;
    this.#warm = new Float64Array(capacity);
    check(wasm.exports.tsf_book_describe(at, infoArea(wasm)));
    const { slots } = readInfo(wasm, infoArea(wasm));
    for (let s = 0; s < slots; ++s) {
      const samples = wasm.exports.tsf_book_samples(at, s);
      if (samples < 0) {
        this.#paramsOf.push(null);
        continue;
      }
      check(wasm.exports.tsf_book_params(at, s, wasm.scratch));
      this.#paramsOf.push(Object.freeze(readParams(wasm, filter, wasm.scratch)));
      this.#rewarm(s, Number(samples));
      ++this.#live;
    }
    this.#slots = slots;
    if (names !== null) {
      this.#names = names;
      this.#index = new Map();
      names.forEach((s, slot) => s !== null && this.#index.set(s, slot));
    }
    // Only now is the book this object's: a failure above leaves it to load().
    this.#at = at;
    leftBehind.register(this, this.#cell, this);
  }

  /** The filter's name. */
  get kind() {
    return this.#kind;
  }

  /** The length of a dense row: the slots in use so far, a removed series' slot included. */
  get lanes() {
    return this.#slots;
  }

  /** The number of series in the book. */
  get live() {
    return this.#live;
  }

  /** Each slot's parameters; null for the slot of a removed series. */
  get params() {
    if (this.#paramsList === null) this.#paramsList = Object.freeze(this.#paramsOf.slice());
    return this.#paramsList;
  }

  /** Each slot's symbol (null for a free slot), or null for a book without symbols, whose series are named by their slots. */
  get symbols() {
    if (this.#names === null) return null;
    if (this.#symbolsList === null) this.#symbolsList = Object.freeze(this.#names.slice());
    return this.#symbolsList;
  }

  /** What a NaN or infinite value does: 'error', 'drop' or 'keep'. */
  get missing() {
    return this.#missing;
  }

  /** 'nan' when each series' outputs before it has settled are NaN, else 'keep'. */
  get warmup() {
    return this.#warmup;
  }

  #state() {
    if (this.#at === 0) throw freedError(`these ${this.#kind} lanes have been`);
    return this.#at;
  }

  // Moves the book into memory for `capacity` slots (a new book when there
  // is none yet): the same series in the same slots.
  #grow(capacity) {
    const wasm = this.#wasm;
    const kind = this.#filter.kind;
    const bytes = Number(check(wasm.exports.tsf_book_bytes(kind, capacity)));
    const at = wasm.malloc(bytes);
    const code = this.#at === 0
      ? wasm.exports.tsf_book_init(at, BigInt(bytes), kind, capacity, TSF_MISSING[this.#missing])
      : wasm.exports.tsf_book_grow(at, BigInt(bytes), capacity, this.#at);
    if (code < 0) {
      wasm.free(at);
      check(code);
    }
    if (this.#at !== 0) wasm.free(this.#at);
    this.#at = this.#cell.at = at;
    this.#capacity = capacity;
    const warm = new Float64Array(capacity);
    warm.set(this.#warm.subarray(0, Math.min(this.#warm.length, capacity)));
    this.#warm = warm;
  }

  // The samples slot `slot` has still to blank once it holds `samples`.
  #rewarm(slot, samples) {
    const was = this.#warm[slot];
    const now = this.#warmup === 'nan' && this.#paramsOf[slot] !== null
      ? Math.max(0, blankedSamples(this.#filter, this.#paramsOf[slot]) - samples) : 0;
    this.#warm[slot] = now;
    this.#warming += (now > 0) - (was > 0);
  }

  // Adds a series with parameters `p` (checked) and returns its slot.
  #addSeries(p) {
    const wasm = this.#wasm;
    writeParams(wasm, this.#filter, p, wasm.scratch);
    let slot = wasm.exports.tsf_book_add(this.#at, wasm.scratch);
    if (slot === TSF_E_CAPACITY) {
      this.#grow(Math.min(Math.max(2 * this.#capacity, 8), Math.floor(INT32_MAX / STREAM_BYTES)));
      writeParams(wasm, this.#filter, p, wasm.scratch);
      slot = wasm.exports.tsf_book_add(this.#at, wasm.scratch);
    }
    check(slot);
    if (slot === this.#paramsOf.length) this.#paramsOf.push(p);
    else this.#paramsOf[slot] = p;
    this.#paramsList = null;
    this.#slots = Math.max(this.#slots, slot + 1);
    ++this.#live;
    this.#rewarm(slot, 0);
    return slot;
  }

  // The slot of a series: its symbol in a book with symbols, else its slot.
  #slotOf(key, what) {
    if (this.#index !== null) {
      const slot = typeof key === 'string' ? this.#index.get(key) : undefined;
      if (slot === undefined) {
        throw new RangeError(`${what}: ${typeof key === 'string' ? `unknown symbol ${JSON.stringify(key)}` : `a symbol must be a string, got ${describe(key)}`}` +
          ' (add it first with add(symbol, params))');
      }
      return slot;
    }
    if (!Number.isInteger(key) || key < 0 || key >= this.#slots || this.#paramsOf[key] === null) {
      const free = Number.isInteger(key) && key >= 0 && key < this.#slots;
      throw new RangeError(`${what}: lane must be an integer from 0 to ${this.#slots - 1}, got ${describe(key)}` +
        (free ? ', the slot of a removed series' : '') + ' (this book has no symbols: its series are named by their slots)');
    }
    return key;
  }

  // A buffer of `n` words kept between calls, so that a live loop
  // allocates nothing in the module.
  #buffer(n) {
    if (n > this.#ioValues) {
      if (this.#io !== 0) this.#wasm.free(this.#io);
      this.#io = this.#cell.io = this.#ioValues = 0;
      this.#io = this.#cell.io = this.#wasm.malloc(4 * Math.max(n, 16));
      this.#ioValues = Math.max(n, 16);
      this.#view = null;
    }
    return this.#io;
  }

  // The module's memory from `io`, n floats: the same view while the
  // memory has not grown.
  #viewOf(io, n) {
    const wasm = this.#wasm;
    const view = this.#view;
    if (view !== null && typedBuffer.call(view) === wasm.buffer && typedLength.call(view) === n &&
      view.byteOffset === io) return view;
    return (this.#view = wasm.f32.subarray(io >>> 2, (io >>> 2) + n));
  }

  // NaN where a series of row `row` (at `io` in the module, outputs in
  // place) had not settled, and its samples counted down where it took one.
  #blankRow(values, row, io, taking) {
    const lanes = this.#slots;
    const f32 = this.#wasm.f32;
    const warm = this.#warm;
    const dropping = this.#missing === 'drop';
    const first = row * lanes;
    for (let s = 0; s < lanes; ++s) {
      if (warm[s] === 0) continue;
      f32[(io >>> 2) + first + s] = NaN;
      if (taking && !(dropping && isGap(values[first + s])) && --warm[s] === 0) --this.#warming;
    }
  }

  // Checks an output array for `n` values; the library writes nothing
  // before this holds.
  #checkOutput(output, n, what) {
    const kind = typedKind(output);
    if (kind !== 'Float32Array' && kind !== 'Float64Array') {
      throw new TypeError(`${what}: output must be a Float32Array of ${n} values, got ${describe(output)} (a Float64Array is taken too)`);
    }
    if (typedLength.call(output) !== n || !ordinaryBuffer(output)) {
      // Detached first: a detached array's length reads as 0.
      checkBuffer(output, `${what}: output`);
      throw new TypeError(`${what}: output must be a Float32Array of ${n} values, got one of ${typedLength.call(output)}`);
    }
  }

  // Dense rows of `values` (a Float32Array or Float64Array, the caller's
  // or ours), copied once into the module, advanced in place there and
  // copied once into the output.
  #dense(values, output, peeking) {
    const what = `${this.#kind} lanes ${peeking ? 'peek' : 'update'}`;
    const n = typedLength.call(values);
    if (n === 0 || !ordinaryBuffer(values)) checkBuffer(values, what);
    checkLength(n, what);
    const lanes = this.#slots;
    if (peeking ? n !== lanes : (lanes === 0 ? n !== 0 : n % lanes !== 0)) {
      throw new RangeError(peeking ? `${what}: ${n} values for ${lanes} lanes` : `${what}: ${n} values are not whole rows of ${lanes} lanes`);
    }
    if (output !== undefined) this.#checkOutput(output, n, what);
    const at = this.#state();
    const rows = lanes === 0 ? 0 : n / lanes;
    // Nothing is fed unless every row can be: a later row's gap would
    // otherwise be refused after the earlier rows had been fed.
    if (this.#missing === 'error' && rows > 1) this.#refuseGaps(values, 0, rows, what);
    const out = output ?? new Float32Array(n);
    if (n === 0) return out;
    const wasm = this.#wasm;
    const io = this.#buffer(n);
    wasm.views();
    typedSet.call(wasm.f32, values, io >>> 2);
    const exports = wasm.exports;
    for (let r = 0; r < rows; ++r) {
      const row = io + 4 * r * lanes;
      const code = peeking ? exports.tsf_book_peek(at, row, row) : exports.tsf_book_update(at, row, row);
      if (code < 0) {
        if (code === TSF_E_MISSING) this.#refuseGaps(values, r, r + 1, what);
        check(code);
      }
      if (this.#warming > 0) this.#blankRow(values, r, io, !peeking);
    }
    typedSet.call(out, this.#viewOf(io, n));
    return out;
  }

  // The first gap of a live series in rows [from, to), refused.
  #refuseGaps(values, from, to, what) {
    const lanes = this.#slots;
    for (let i = from * lanes; i < to * lanes; ++i) {
      if (isGap(values[i]) && this.#paramsOf[i % lanes] !== null) {
        const row = Math.floor(i / lanes);
        throw gapError(what, values[i], `in lane ${i % lanes}${this.#names ? ` (${JSON.stringify(this.#names[i % lanes])})` : ''} of row ${row}`);
      }
    }
  }

  // A Map row: the series it names, each once, fed (or peeked) alone; the
  // others do not change. Outputs go into a Map under the same keys, or
  // into a typed array in the row's order (no Map to fill: quicker).
  #sparse(row, output, peeking) {
    const what = `${this.#kind} lanes ${peeking ? 'peek' : 'update'}`;
    const k = mapSize.call(row);
    const intoMap = output === undefined || isMap(output);
    if (!intoMap) this.#checkOutput(output, k, `${what} of a Map row (a Map, or a typed array in the row's order)`);
    const keys = new Array(k);
    const slots = new Int32Array(k);
    const values = new Float32Array(k);
    let j = 0;
    let refused = null;
    const index = this.#index;
    const strict = this.#missing === 'error';
    mapForEach.call(row, (value, key) => {
      const slot = (index !== null ? index.get(key) : undefined) ?? this.#slotOf(key, what);
      let v = value;
      if (typeof value !== 'number') {
        if (value !== null && value !== undefined) {
          throw new TypeError(`${what}: the value of ${describe(key)} is ${describe(value)}, not a number (null and undefined are missing values)`);
        }
        v = NaN; // no value: a missing one
      }
      if (strict && refused === null && isGap(v)) refused = [key, v];
      keys[j] = key;
      slots[j] = slot;
      values[j++] = v;
    });
    if (refused !== null) throw gapError(what, refused[1], `for ${typeof refused[0] === 'string' ? JSON.stringify(refused[0]) : `lane ${refused[0]}`}`);
    const at = this.#state();
    const result = output ?? new Map();
    if (k === 0) return result;
    const wasm = this.#wasm;
    const io = this.#buffer(2 * k); // the slots, then the values and, in place, the outputs
    const valuesAt = io + 4 * k;
    wasm.views();
    new Int32Array(wasm.buffer, io, k).set(slots);
    wasm.f32.set(values, valuesAt >>> 2);
    const exports = wasm.exports;
    check(peeking ? exports.tsf_book_peek_sparse(at, io, valuesAt, k, valuesAt)
      : exports.tsf_book_update_sparse(at, io, valuesAt, k, valuesAt));
    wasm.views();
    const f32 = wasm.f32;
    const warm = this.#warm;
    for (let i = 0; i < k; ++i) {
      const s = slots[i];
      if (warm[s] === 0) continue;
      f32[(valuesAt >>> 2) + i] = NaN;
      if (!peeking && !(this.#missing === 'drop' && isGap(values[i])) && --warm[s] === 0) --this.#warming;
    }
    if (!intoMap) {
      typedSet.call(result, f32.subarray(valuesAt >>> 2, (valuesAt >>> 2) + k));
      return result;
    }
    for (let i = 0; i < k; ++i) mapSet.call(result, keys[i], f32[(valuesAt >>> 2) + i]);
    return result;
  }

  // A row as the caller gave it: a Float32Array or Float64Array as it is,
  // an array read into one of ours, a Map as a sparse row.
  #rows(values, output, peeking) {
    const kind = typedKind(values);
    if (kind === 'Float32Array' || kind === 'Float64Array') return this.#dense(values, output, peeking);
    if (!isArray(values) && isMap(values)) return this.#sparse(values, output, peeking);
    const what = `${this.#kind} lanes ${peeking ? 'peek' : 'update'}`;
    if (!isArray(values)) {
      throw new TypeError(`${what}: expected a Float32Array, a Float64Array, an array of numbers or a Map of symbols to numbers, got ${describe(values)}`);
    }
    return this.#dense(readValues(values, what), output, peeking);
  }

  /**
   * Consumes one row (one value per lane) or several rows one after
   * another (row-major, length a multiple of `lanes`) and returns the
   * outputs in the same layout, into `output` when one is given (then
   * nothing is allocated). A Map row (symbol, or slot, to value) feeds the
   * series it names and returns their outputs in a Map (into `output`
   * when one is given).
   */
  update(values, output) {
    return this.#rows(values, output, false);
  }

  /** Each series' output if its next sample were in `row` (dense or a Map); nothing changes. */
  peek(row, output) {
    return this.#rows(row, output, true);
  }

  /**
   * Adds a series with no samples and returns its slot: add(symbol,
   * params) in a book with symbols, add(params) in one without. A removed
   * series' slot is taken again before the row grows.
   */
  add(symbol, params) {
    const what = `${this.#kind} lanes add`;
    if (this.#index !== null) {
      checkSymbol(symbol, what);
      if (this.#index.has(symbol)) throw new RangeError(`${what}: ${JSON.stringify(symbol)} is in the book already`);
    } else {
      if (typeof symbol === 'string') {
        throw new TypeError(`${what}: this book has no symbols (make it with { symbols }); add(params) returns the new series' slot`);
      }
      params = symbol;
    }
    const p = Object.freeze(parametersOf(this.#filter, params, what));
    this.#state();
    const slot = this.#addSeries(p);
    if (this.#index !== null) {
      if (slot === this.#names.length) this.#names.push(symbol);
      else this.#names[slot] = symbol;
      this.#index.set(symbol, slot);
      this.#symbolsList = null;
    }
    return slot;
  }

  /** Removes a series (by symbol, or slot in a book without symbols); no other series moves. */
  remove(key) {
    const slot = this.#slotOf(key, `${this.#kind} lanes remove`);
    check(this.#wasm.exports.tsf_book_remove(this.#state(), slot));
    this.#paramsOf[slot] = null;
    this.#paramsList = null;
    this.#rewarm(slot, 0);
    --this.#live;
    if (this.#index !== null) {
      this.#index.delete(key);
      this.#names[slot] = null;
      this.#symbolsList = null;
    }
  }

  /** The samples a series (by symbol, or slot) has consumed: under 'drop', only those it took. */
  samplesOf(key) {
    const slot = this.#slotOf(key, `${this.#kind} lanes samplesOf`);
    return Number(check(this.#wasm.exports.tsf_book_samples(this.#state(), slot)));
  }

  /** The samples of the first series in the book (of lane 0 while it is there); samplesOf counts any series. */
  get samples() {
    const at = this.#state();
    const first = this.#paramsOf.findIndex((p) => p !== null);
    return first < 0 ? 0 : Number(check(this.#wasm.exports.tsf_book_samples(at, first)));
  }

  /** Every series (or the one named) back to no samples, with its parameters. */
  reset(key) {
    const at = this.#state();
    const slots = key === undefined ? this.#paramsOf.keys() : [this.#slotOf(key, `${this.#kind} lanes reset`)];
    for (const s of slots) {
      if (this.#paramsOf[s] === null) continue;
      check(this.#wasm.exports.tsf_book_reset(at, s));
      this.#rewarm(s, 0);
    }
  }

  /**
   * save(): the whole book, its missing policy, symbols and warm-up
   * included; Streams.load continues it, here or on any platform (the
   * library's tsf_book_load takes the book's bytes). save(symbol or
   * slot): that series' state alone, which Stream.load continues.
   */
  save(key) {
    const at = this.#state();
    const wasm = this.#wasm;
    if (key !== undefined) {
      const slot = this.#slotOf(key, `${this.#kind} lanes save`);
      const stream = wasm.malloc(STREAM_BYTES);
      try {
        check(wasm.exports.tsf_book_get(at, slot, stream));
        return saveFrom(wasm, stream);
      } finally {
        wasm.free(stream);
      }
    }
    const size = Number(check(wasm.exports.tsf_book_save(at, 0, 0n)));
    const buffer = wasm.malloc(size);
    let book;
    try {
      check(wasm.exports.tsf_book_save(at, buffer, BigInt(size)));
      wasm.views();
      book = wasm.u8.slice(buffer, buffer + size);
    } finally {
      wasm.free(buffer);
    }
    // A plain book is the library's bytes alone.
    if (this.#names === null && this.#warmup === 'keep') return book;
    const options = encodeOptions(this.#warmup, this.#names);
    const all = new Uint8Array(size + options.length);
    all.set(book);
    all.set(options, size);
    return all;
  }

  /**
   * A book from saved bytes: Streams.save of this package or tsf_book_save
   * of the library, from any platform. `options` may give the warm-up
   * and symbols (one per slot, null at a free slot) anew; the missing
   * policy is the saved book's.
   */
  static load(bytes, options) {
    const what = 'Streams.load';
    const read = afterPythonHeader(readSaved(bytes, what), what);
    const { givenMissing, givenWarmup } = streamOptions(options, what);
    const symbols = symbolsOf(options, what, true);
    // The book's own size is at its offset 8; an options record may follow.
    let size = read.length;
    if (size >= 16) {
      const told = new DataView(read.buffer).getBigUint64(8, true);
      if (told < BigInt(size)) size = Number(told);
    }
    const wasm = instance();
    const copy = wasm.malloc(Math.max(size, 1));
    let at = 0;
    let info;
    try {
      wasm.views();
      wasm.u8.set(read.subarray(0, size), copy);
      const infoAt = infoArea(wasm);
      check(wasm.exports.tsf_book_saved_info(copy, BigInt(size), infoAt));
      info = readInfo(wasm, infoAt);
      const capacity = Math.max(info.slots, 1);
      const bookBytes = Number(check(wasm.exports.tsf_book_bytes(info.kind, capacity)));
      at = wasm.malloc(bookBytes);
      const code = wasm.exports.tsf_book_load(at, BigInt(bookBytes), capacity, copy, BigInt(size));
      if (code < 0) {
        wasm.free(at);
        at = 0;
        check(code);
      }
      info.capacity = capacity;
    } finally {
      wasm.free(copy);
    }
    try {
      const live = [];
      for (let s = 0; s < info.slots; ++s) live.push(wasm.exports.tsf_book_samples(at, s) >= 0n);
      const saved = size < read.length ? decodeOptions(read.subarray(size), live, what)
        : { warmup: 'keep', names: null };
      const missing = MISSING[info.missing];
      if (givenMissing !== undefined && givenMissing !== missing) {
        throw new TypeError(`${what}: the saved book's missing policy is '${missing}', and a book keeps its policy; ` +
          `got missing '${givenMissing}'`);
      }
      let names = saved.names;
      if (symbols !== null) {
        if (symbols.length !== info.slots || symbols.some((s, slot) => (s !== null) !== live[slot])) {
          throw new RangeError(`${what}: symbols must name each of the saved book's ${info.slots} slots that holds a series, ` +
            'and give null for each free one');
        }
        names = symbols;
      }
      const filter = filters[info.kind - 1];
      return new Streams(adopting, {
        wasm, filter, at, capacity: info.capacity, missing, warmup: givenWarmup ?? saved.warmup, names,
      });
    } catch (error) {
      wasm.free(at);
      throw error;
    }
  }

  /** Frees the book in the module's memory. Safe to call twice. */
  free() {
    if (this.#at === 0) return;
    leftBehind.unregister(this);
    this.#wasm.free(this.#at);
    if (this.#io !== 0) this.#wasm.free(this.#io);
    this.#at = this.#io = 0;
    this.#ioValues = 0;
    this.#view = null;
  }

  [dispose]() {
    this.free();
  }
}
