// A TypeScript consumer of every export, type-checked with --strict.
import {
  bandPass, cyberneticOscillator, filterNames, highPass, laguerreFilter, laguerreOscillator,
  precisionLimit, settlingLength, simdTarget, Stream, Streams, superSmoother, TsfiltersError,
  ultimateSmoother, type FilterName, type Missing, type ParamsOf, type Values,
} from 'tsfilters';

const closes: Values = [71.65, 72.7, 73.1, 72.4, 74.0];
const wide = new Float64Array(closes);

const smooth: Float32Array = superSmoother(closes, { period: 10 });
const all: Float32Array[] = [
  highPass(wide, { period: 48 }), ultimateSmoother(new Float32Array(closes)), bandPass(closes, { highPassPeriod: 48, smoothPeriod: 10 }),
  cyberneticOscillator(closes), laguerreFilter(closes, { gamma: 0.8, period: 20 }), laguerreOscillator(closes, {}),
];

// A live loop: the forming bar through peek, the closed bar through update.
{
  using live = new Stream('laguerreFilter', { gamma: 0.5 });
  const history: Float32Array = live.update(closes);
  const forming: number = live.peek(74.2);
  const closed: number = live.update(74.3);
  const gamma: number = live.params.gamma;
  const window: Float32Array | null = live.window();
  const saved: Uint8Array = live.save();
  const again: Stream = Stream.load(saved);
  again.restore(saved.buffer as ArrayBuffer);
  const tick: number | number[] = Math.random() < 0.5 ? 74.4 : [74.4, 74.5];
  const either: number | Float32Array = live.update(tick);
  const kind: 'laguerreFilter' = live.kind;
  // @ts-expect-error kind is read-only (a getter: assigning throws at run time)
  live.kind = 'highPass';
  console.log(either, kind);
  console.log(history.length, forming, closed, gamma, window, again.samples, live.kind);
  again.free();
}

// Many symbols on the lanes, one value each per row.
const lanes = new Streams('superSmoother', { period: 10 }, 3);
const perLane = new Streams('bandPass', [{ highPassPeriod: 20 }, { smoothPeriod: 8 }]);
const out: Float32Array = lanes.update([70.1, 80.2, 90.3], new Float32Array(3));
const next: Float32Array = lanes.peek(new Float64Array([70.2, 80.1, 90.4]));
const state: Uint8Array = lanes.save(2);
console.log(out, next, state, lanes.samples, lanes.lanes, perLane.params[1].smoothPeriod);
lanes[Symbol.dispose]();
perLane.free();

const book = new Streams('superSmoother', { period: 10 }, undefined, { symbols: ['AAA', 'BBB'], warmup: 'nan', missing: 'drop' });
const slot: number = book.add('CCC', { period: 12 });
const sparse: Map<string | number, number> = book.update(new Map([['AAA', 70.5], ['CCC', null]]));
const dense: Float64Array = book.update(new Float64Array(book.lanes), new Float64Array(book.lanes));
const peeked: Map<string | number, number> = book.peek(new Map([['BBB', 71]]));
book.remove('BBB');
const restarted: Streams = Streams.load(book.save(), { warmup: 'keep' });
console.log(slot, sparse, dense, peeked, book.samplesOf('AAA'), book.symbols, book.live, book.warmup, restarted.save('AAA'));
restarted.free();
book.free();

try {
  Stream.load(new Uint8Array(4));
} catch (e) {
  if (e instanceof TsfiltersError) console.log(e.code, e.message);
}

// A bad tick skipped, a stream started over, warm-up slots as NaN.
{
  using guarded = new Stream('superSmoother', { period: 10 }, { missing: 'drop' });
  const skipped: number = guarded.update(Number.NaN);
  const how: Missing = guarded.missing;
  guarded.reset();
  const book = new Streams('highPass', {}, 2, { missing: 'drop' });
  book.reset();
  const blanked: Float32Array = superSmoother(closes, { period: 10, warmup: 'nan' });
  const settled: number | null = settlingLength('laguerreFilter', { gamma: 0.8 });
  const limit: number | null = precisionLimit('ultimateSmoother');
  console.log(skipped, how, blanked, settled, limit, book.missing);
  book.free();
}

const kinds: readonly FilterName[] = filterNames;
const p: ParamsOf['cyberneticOscillator'] = { highPassPeriod: 30 };
console.log(smooth, all, kinds, p, simdTarget());
// @ts-expect-error a band-pass takes no `period`
bandPass(closes, { period: 10 });
