// Streams on the library's book against one Stream per symbol: the same
// bits over random rows (dense and Map, with gaps), listings and delistings,
// saves and loads mid-way, under each missing policy and warm-up.
import assert from 'node:assert/strict';
import { describe, it } from 'node:test';
import * as tsf from '../src/index.js';
import { instance } from '../src/module.js';
import { assertSameBits, oddParams, priceWalk } from './support.js';

function random(seed) {
  let state = seed >>> 0 || 1;
  return () => {
    state ^= state << 13;
    state ^= state >>> 17;
    state ^= state << 5;
    return (state >>> 0) / 2 ** 32;
  };
}

// A kind's parameters, varied by `r` in [0, 1).
function paramsFor(kind, r) {
  const p = { ...oddParams[kind] };
  const step = Math.floor(r * 6);
  if ('smoothPeriod' in p) p.smoothPeriod += step;
  else p.period += step;
  return p;
}

const sameValue = (a, b, where) => assertSameBits(Float32Array.of(a), Float32Array.of(b), where);

// A gap as a caller may send one: NaN, the infinities, a number beyond
// binary32, and in a Map also null and undefined.
const GAPS = [NaN, Infinity, -Infinity, 1e39, -4e38];
const MAP_GAPS = [...GAPS, null, undefined];

function run(kind, missing, warmup, seed) {
  const rand = random(seed);
  let named = 0;
  const symbols = ['A', 'B', 'C', 'D', 'E', 'F', 'G'];
  const params = symbols.map(() => paramsFor(kind, rand()));
  let book = new tsf.Streams(kind, params, undefined, { missing, warmup, symbols });
  const refs = new Map(symbols.map((s, i) => [s, new tsf.Stream(kind, params[i], { missing, warmup })]));
  const price = new Map(symbols.map((s) => [s, 100]));
  const next = (s, gaps) => {
    if (rand() < 0.06) return gaps[Math.floor(rand() * gaps.length)];
    const v = price.get(s) + (rand() - 0.5) * 2;
    price.set(s, v);
    return v;
  };
  const feedRef = (s, v) => refs.get(s).update(v === null || v === undefined ? NaN : v);
  for (let t = 0; t < 330; ++t) {
    const event = rand();
    if (event < 0.03 && refs.size > 2) {
      const gone = [...refs.keys()][Math.floor(rand() * refs.size)];
      book.remove(gone);
      refs.delete(gone);
    } else if (event < 0.07) {
      const s = `N${named++}`;
      const p = paramsFor(kind, rand());
      const slot = book.add(s, p);
      assert.equal(book.symbols[slot], s);
      refs.set(s, new tsf.Stream(kind, p, { missing, warmup }));
      price.set(s, 50 + 100 * rand());
    } else if (event < 0.085) {
      book = tsf.Streams.load(book.save());
      assert.deepEqual([book.missing, book.warmup, book.live], [missing, warmup, refs.size]);
    }
    const where = `${kind} ${missing} ${warmup} row ${t}`;
    if (rand() < 0.3) {
      // A Map row of some of the symbols, peeked first.
      const row = new Map();
      for (const s of refs.keys()) if (rand() < 0.5) row.set(s, next(s, missing === 'keep' ? [NaN, 1e39] : MAP_GAPS));
      const peeked = book.peek(row);
      for (const [s, v] of row) sameValue(peeked.get(s), refs.get(s).peek(v ?? NaN), `${where} peek ${s}`);
      const got = book.update(row, new Map());
      assert.deepEqual([...got.keys()], [...row.keys()]);
      for (const [s, v] of row) sameValue(got.get(s), feedRef(s, v), `${where} ${s}`);
    } else {
      // A dense row of every slot, a removed series' slot holding garbage.
      const row = new Float64Array(book.lanes);
      const symbolsNow = book.symbols;
      for (let slot = 0; slot < row.length; ++slot) {
        const s = symbolsNow[slot];
        row[slot] = s === null ? NaN : next(s, missing === 'keep' ? [NaN, 1e39] : GAPS);
      }
      const peeked = book.peek(row);
      const out = new Float32Array(row.length).fill(-7);
      assert.equal(book.update(row, out), out);
      for (let slot = 0; slot < row.length; ++slot) {
        const s = symbolsNow[slot];
        if (s === null) {
          assert.ok(Number.isNaN(out[slot]) && Number.isNaN(peeked[slot]), `${where}: a free slot gives NaN`);
          continue;
        }
        sameValue(peeked[slot], refs.get(s).peek(row[slot]), `${where} peek ${s}`);
        sameValue(out[slot], feedRef(s, row[slot]), `${where} ${s}`);
      }
    }
  }
  for (const [s, ref] of refs) {
    assert.equal(book.samplesOf(s), ref.samples, `${kind} ${missing}: ${s}'s own samples`);
    // One series' state alone continues as a Stream (a state poisoned by
    // a kept NaN holds NaNs, whose bits mean nothing).
    if (!Number.isNaN(ref.peek(1))) assert.deepEqual(book.save(s), ref.save());
  }
  book.free();
}

describe('a book of symbols equals one stream per symbol', () => {
  for (const kind of tsf.filterNames) {
    it(`${kind}: dense and Map rows with gaps, listings, delistings, saves and loads`, () => {
      run(kind, 'drop', 'keep', 7 + kind.length);
      run(kind, 'keep', 'keep', 11 + kind.length);
      run(kind, 'drop', 'nan', 13 + kind.length);
    });
  }

  it('several rows a call, and the lanes of old (no symbols), give the bits of a row at a time', () => {
    const lanes = 5;
    const walk = priceWalk(lanes * 120, 99);
    walk[7] = NaN;
    walk[300] = 1e39;
    const one = new tsf.Streams('bandPass', {}, lanes, { missing: 'drop' });
    const many = new tsf.Streams('bandPass', {}, lanes, { missing: 'drop' });
    const byRow = new Float32Array(walk.length);
    for (let r = 0; r < 120; ++r) one.update(walk.subarray(r * lanes, (r + 1) * lanes), byRow.subarray(r * lanes, (r + 1) * lanes));
    assertSameBits(many.update(Float64Array.from(walk)), byRow);
    assert.equal(many.samplesOf(2), 119); // lane 2 lost row 1 to its NaN
    assert.equal(many.samplesOf(0), 119); // lane 0 row 60 to a value beyond binary32
    assert.equal(many.samplesOf(1), 120);
  });
});

describe('warm-up', () => {
  it("warmup 'nan' blanks what the batch call blanks, counted in each series' own samples", () => {
    const values = priceWalk(400, 5);
    // A stream's oscillator cannot know its scale before its 100th sample.
    const live = (kind, v) => {
      const out = tsf[kind](v, { ...oddParams[kind], warmup: 'nan' });
      if (kind.endsWith('Oscillator')) out.fill(NaN, 0, 99);
      return out;
    };
    for (const kind of tsf.filterNames) {
      const batch = live(kind, values);
      const stream = new tsf.Stream(kind, oddParams[kind], { warmup: 'nan' });
      const got = Float32Array.from(values, (v) => stream.update(v));
      assertSameBits(got, batch, kind);
      // A book's series, one of which lost samples to gaps: blanked by its own count.
      const book = new tsf.Streams(kind, oddParams[kind], 2, { warmup: 'nan', missing: 'drop' });
      const column = new Float32Array(800);
      for (let t = 0; t < 400; ++t) {
        column.set([values[t], values[t]], 2 * t);
        if (t < 30) column[2 * t + 1] = NaN;
      }
      const out = book.update(column);
      assertSameBits(out.filter((_, i) => i % 2 === 0), batch, `${kind} lane 0`);
      assertSameBits(out.filter((_, i) => i % 2 === 1).subarray(30),
        live(kind, values.subarray(30)), `${kind} lane 1`);
    }
  });

  it('a loaded stream or book keeps blanking until its series settle', () => {
    const values = priceWalk(200, 8);
    const p = { period: 30 };
    const batch = tsf.ultimateSmoother(values, { ...p, warmup: 'nan' });
    const settle = tsf.settlingLength('ultimateSmoother', p);
    assert.ok(settle > 20 && settle < 200);
    const s = new tsf.Stream('ultimateSmoother', p, { warmup: 'nan' });
    s.update(values.subarray(0, 10));
    const loaded = tsf.Stream.load(s.save(), { warmup: 'nan' });
    assertSameBits(loaded.update(values.subarray(10)), batch.subarray(10));
    const book = new tsf.Streams('ultimateSmoother', p, 1, { warmup: 'nan' });
    book.update(values.subarray(0, 10));
    const again = tsf.Streams.load(book.save());
    assert.equal(again.warmup, 'nan');
    assertSameBits(again.update(values.subarray(10)), batch.subarray(10));
    // The warm-up given at load wins over the saved one.
    assertSameBits(tsf.Streams.load(book.save(), { warmup: 'keep' }).update(values.subarray(10)),
      tsf.ultimateSmoother(values, p).subarray(10));
    assert.throws(() => new tsf.Stream('highPass', {}, { warmup: 'yes' }), /warmup must be 'keep' or 'nan'/);
  });
});

describe('Map rows', () => {
  const make = (missing) => new tsf.Streams('superSmoother', {}, undefined, { missing, symbols: ['X', 'Y', 'Z'] });

  it('an unknown symbol, a non-number, or a gap under error refuse the whole row', () => {
    for (const missing of ['error', 'drop', 'keep']) {
      const book = make(missing);
      book.update(new Map([['X', 1], ['Y', 2], ['Z', 3]]));
      for (const [row, error] of [
        [new Map([['X', 5], ['Q', 1]]), /unknown symbol "Q"/],
        [new Map([['X', 5], [0, 1]]), /a symbol must be a string, got number 0/],
        [new Map([['X', 5], ['Y', '3']]), /the value of the string "Y" is the string "3", not a number/],
        [new Map([['X', 5], ['Y', 3n]]), TypeError],
      ]) {
        assert.throws(() => book.update(row), error, missing);
        assert.throws(() => book.peek(row), error, missing);
      }
      assert.deepEqual(['X', 'Y', 'Z'].map((s) => book.samplesOf(s)), [1, 1, 1], missing);
    }
    const strict = make('error');
    for (const gap of MAP_GAPS) {
      assert.throws(() => strict.update(new Map([['X', 5], ['Y', gap]])), /"Y"; nothing was fed/);
    }
    assert.deepEqual(['X', 'Y'].map((s) => strict.samplesOf(s)), [0, 0]);
  });

  it("under 'drop' a gap gives NaN and leaves its series; under 'keep' it is fed", () => {
    for (const gap of MAP_GAPS) {
      const dropping = make('drop');
      const out = dropping.update(new Map([['X', 5], ['Y', gap]]));
      assert.ok(Number.isNaN(out.get('Y')) && !Number.isNaN(out.get('X')), String(gap));
      assert.deepEqual(['X', 'Y', 'Z'].map((s) => dropping.samplesOf(s)), [1, 0, 0]);
      const keeping = make('keep');
      const single = new tsf.Stream('superSmoother', {}, { missing: 'keep' });
      for (const v of [gap, 1, 2, 3]) sameValue(keeping.update(new Map([['Y', v]])).get('Y'), single.update(v ?? NaN), String(gap));
      assert.equal(keeping.samplesOf('Y'), 4);
    }
  });

  it('a Map row into a typed array: its values in the row\'s order, the output checked first', () => {
    const book = make('drop');
    const twin = make('drop');
    const row = new Map([['Z', 3], ['X', null], ['Y', 1e39]]);
    const out = new Float64Array(3).fill(-7);
    assert.equal(book.update(row, out), out);
    const expected = twin.update(row);
    assertSameBits(Float32Array.from(out), Float32Array.from(expected.values()));
    assert.throws(() => book.update(row, new Float32Array(2)), /of a Map row .* got one of 2/);
    assert.throws(() => book.update(row, [0, 0, 0]), /of a Map row/);
    assert.deepEqual(['X', 'Y', 'Z'].map((s) => book.samplesOf(s)), [0, 0, 1]);
  });

  it('a book without symbols takes its slots as keys, and refuses a removed one', () => {
    const book = new tsf.Streams('highPass', {}, 3);
    book.remove(1);
    assert.throws(() => book.update(new Map([[1, 2]])), /the slot of a removed series/);
    assert.throws(() => book.update(new Map([['1', 2]])), /lane must be an integer from 0 to 2/);
    assert.equal(book.add({ period: 9 }), 1); // the freed slot first
    assert.deepEqual(book.params[1], { period: 9 });
    assert.throws(() => book.add('AAPL', {}), /this book has no symbols/);
  });
});

describe('rows in and out', () => {
  it('a given output is filled in place, and the row reads nothing from outside the arrays', () => {
    const book = new tsf.Streams('laguerreFilter', {}, 4, { missing: 'keep' });
    const row = new Float64Array([1, 2, 3, 4]);
    const out = new Float64Array(4).fill(-1);
    assert.equal(book.update(row, out), out);
    // A row of the wrong length, a wrong output: nothing fed.
    assert.throws(() => book.update(new Float64Array(3)), /not whole rows of 4 lanes/);
    assert.throws(() => book.update(row, new Float32Array(5)), /output must be a Float32Array of 4 values, got one of 5/);
    assert.throws(() => book.update({ 0: 1, length: 4 }), /a Map of symbols to numbers/);
    assert.equal(book.samplesOf(0), 1);
    // In place: the row is its own output.
    const same = Float32Array.of(5, 6, 7, 8);
    const expected = new tsf.Streams('laguerreFilter', {}, 4, { missing: 'keep' });
    expected.update(row);
    assertSameBits(book.update(same, same), expected.update(Float32Array.of(5, 6, 7, 8)));
  });

  it('a thousand rows through a given output grow nothing in the module', () => {
    const book = new tsf.Streams('superSmoother', {}, 500);
    const row = Float64Array.from(priceWalk(500, 3));
    const out = new Float32Array(500);
    book.update(row, out);
    const before = instance().exports.memory.buffer.byteLength;
    for (let i = 0; i < 1000; ++i) book.update(row, out);
    assert.equal(instance().exports.memory.buffer.byteLength, before);
  });

  it('a book grows as series are added, keeping every series where it was', () => {
    const book = new tsf.Streams('superSmoother', {}, undefined, { symbols: [] });
    const single = [];
    for (let i = 0; i < 100; ++i) {
      book.add(`S${i}`, { period: 3 + (i % 7) });
      single.push(new tsf.Stream('superSmoother', { period: 3 + (i % 7) }));
      const row = Float32Array.from({ length: book.lanes }, (_, j) => 100 + j + i);
      const out = book.update(row);
      for (let j = 0; j < book.lanes; ++j) sameValue(out[j], single[j].update(row[j]), `series ${j} after ${i}`);
    }
    assert.equal(book.live, 100);
  });
});

describe('saved books', () => {
  const saved = () => {
    const book = new tsf.Streams('cyberneticOscillator', {}, undefined, { symbols: ['AB', 'ÇD', 'EF'], warmup: 'nan', missing: 'drop' });
    book.update(priceWalk(30, 4));
    book.remove('ÇD');
    return book.save();
  };
  const bookSize = (bytes) => Number(new DataView(bytes.buffer).getBigUint64(8, true));

  it('keep the symbols, free slots, warm-up and missing policy', () => {
    const bytes = saved();
    const book = tsf.Streams.load(bytes);
    assert.deepEqual(book.symbols, ['AB', null, 'EF']);
    assert.deepEqual([book.warmup, book.missing, book.lanes, book.live], ['nan', 'drop', 3, 2]);
    assert.equal(book.samplesOf('EF'), 10);
    assert.equal(book.add('GH', {}), 1);
    assert.throws(() => tsf.Streams.load(bytes, { missing: 'keep' }), /keeps its policy/);
    const renamed = tsf.Streams.load(bytes, { symbols: ['x', null, 'y'] });
    assert.deepEqual(renamed.symbols, ['x', null, 'y']);
    assert.throws(() => tsf.Streams.load(bytes, { symbols: ['x', 'z', 'y'] }), /null for each free one/);
    // The library's bytes alone load too, without symbols.
    const plain = tsf.Streams.load(bytes.subarray(0, bookSize(bytes)));
    assert.deepEqual([plain.symbols, plain.warmup, plain.lanes], [null, 'keep', 3]);
  });

  it('hostile bytes are refused, and nothing is left behind', () => {
    const bytes = saved();
    const size = bookSize(bytes);
    const memory = instance().exports.memory.buffer.byteLength;
    const refused = (b, code, message) => assert.throws(() => tsf.Streams.load(b), (e) => {
      assert.ok(e instanceof tsf.TsfiltersError, e.message);
      if (code !== undefined) assert.equal(e.code, code, e.message);
      if (message !== undefined) assert.match(e.message, message);
      return true;
    });
    // Every truncation and every flipped bit of the book or the record.
    for (let cut = 0; cut < bytes.length; cut += 7) if (cut !== size) refused(bytes.subarray(0, cut));
    for (let i = 0; i < bytes.length; i += 3) {
      const damaged = bytes.slice();
      damaged[i] ^= 1 << (i % 8);
      if (i >= 8 && i < 16) continue; // the book's size field: an offset of its own
      refused(damaged);
    }
    // Records crafted with a good checksum: each field that indexes.
    const view = (b) => new DataView(b.buffer, b.byteOffset, b.byteLength);
    const reseal = (edit) => {
      const b = bytes.slice();
      const record = b.subarray(size);
      edit(view(record), record);
      let c = 0xffffffff;
      for (const byte of record.subarray(0, record.length - 4)) {
        c ^= byte;
        for (let k = 0; k < 8; ++k) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
      }
      view(record).setUint32(record.length - 4, (c ^ 0xffffffff) >>> 0, true);
      return b;
    };
    assert.ok(tsf.Streams.load(reseal(() => {})).live === 2, 'the resealing is right');
    refused(reseal((v) => v.setUint16(6, 2, true)), -8, /warm-up, a flag or a count/);
    refused(reseal((v) => v.setUint32(16, 4, true)), -8);
    refused(reseal((v) => v.setUint32(20, 0xfffffff0, true)), -8, /end inside their symbols/);
    refused(reseal((v) => v.setUint32(24 + 2, 0, true)), -8, /name slot 1 where the book has none/);
    refused(reseal((v, r) => { r[24] = 0xff; }), -8, /not UTF-8/);
    refused(reseal((v, r) => { r.set(r.subarray(34, 36), 24); }), -8, /name two series "EF"/);
    refused(reseal((v) => v.setUint16(4, 9, true)), -5);
    const longer = new Uint8Array(bytes.length + 4);
    longer.set(bytes);
    refused(longer, -6);
    assert.equal(instance().exports.memory.buffer.byteLength, memory);
  });
});
