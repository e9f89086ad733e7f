// Runs one live book as a JSON job read from standard input says, and
// writes what it gave as JSON: the other half of a test that saves a book
// in Python and continues it here, or the other way round
// (python/tests/test_book_across_languages.py).
//
// Job: { kind, start, ops, save }, or an array of jobs (one reply each)
//   start  { load: base64 of saved bytes, symbols?, warmup? } (Streams.load)
//          or { symbols, params, missing, warmup } (a new book)
//   ops    ['dense', [value or null per slot]]   a Float64Array row
//          ['map', [[symbol, value or null], ...]] a Map row
//          ['add', symbol, params] | ['remove', symbol]
//   save   true for the saved bytes at the end
// Parameters come with the Python package's names (smooth_period) and go
// in as this package's (smoothPeriod). Outputs go back as the float32 bit
// patterns of each row, NaN payloads included; a JSON number could not
// tell them apart.
import { readFileSync } from 'node:fs';
import { Streams } from '../src/index.js';

const camel = (name) => name.replace(/_([a-z])/g, (_, c) => c.toUpperCase());
const paramsOf = (p) => Object.fromEntries(Object.entries(p).map(([k, v]) => [camel(k), v]));
const value = (v) => (v === null ? NaN : v);
const bits = (f32) => Array.from(new Uint32Array(f32.buffer, f32.byteOffset, f32.length));

function open(kind, start) {
  if (start.load !== undefined) {
    const options = {};
    if (start.symbols !== undefined) options.symbols = start.symbols;
    if (start.warmup !== undefined) options.warmup = start.warmup;
    return Streams.load(Buffer.from(start.load, 'base64'), options);
  }
  return new Streams(kind, start.params.map(paramsOf), undefined,
    { symbols: start.symbols, missing: start.missing, warmup: start.warmup });
}

function run(job) {
  const book = open(job.kind, job.start);
  const outputs = [];
  for (const op of job.ops) {
    if (op[0] === 'dense') {
      outputs.push(bits(Float32Array.from(book.update(Float64Array.from(op[1], value)))));
    } else if (op[0] === 'map') {
      const out = book.update(new Map(op[1].map(([s, v]) => [s, v])));
      outputs.push(op[1].map(([s]) => bits(Float32Array.of(out.get(s)))[0]));
    } else if (op[0] === 'add') {
      book.add(op[1], paramsOf(op[2]));
      outputs.push(null);
    } else if (op[0] === 'remove') {
      book.remove(op[1]);
      outputs.push(null);
    } else {
      throw new TypeError(`unknown op ${JSON.stringify(op[0])}`);
    }
  }
  const live = (book.symbols ?? []).filter((s) => s !== null);
  const result = {
    outputs,
    kind: book.kind,
    missing: book.missing,
    warmup: book.warmup,
    symbols: book.symbols,
    samples: Object.fromEntries(live.map((s) => [s, book.samplesOf(s)])),
  };
  if (job.save) result.saved = Buffer.from(book.save()).toString('base64');
  book.free();
  return result;
}

// A job's reply, or the error it threw (its name, message and code).
function attempt(job) {
  try {
    return run(job);
  } catch (error) {
    return { error: `${error.name}: ${error.message}`, code: error.code ?? null };
  }
}

let reply;
try {
  const job = JSON.parse(readFileSync(0, 'utf8'));
  reply = Array.isArray(job) ? job.map(attempt) : attempt(job);
} catch (error) {
  reply = { error: `${error.name}: ${error.message}` };
}
process.stdout.write(JSON.stringify(reply));
