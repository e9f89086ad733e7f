// tests/platforms/book_continuation.c through the npm package's Streams:
// `save` writes the books of every kind, policy and cut point, each saved
// with symbols (so that the package's options follow the library's bytes,
// which the C program loads alone); both modes then load every book of
// BOOKS, continue the script to the end and write each row's outputs, a
// peek and the library's bytes of the book saved at the end. A native
// build's books continue here with the native outputs, and books saved
// here continue natively with these outputs.
//
//   node book_continuation.js save|continue BOOKS OUTPUTS
import { readFileSync, writeFileSync } from 'node:fs';
import { Streams, filterNames } from '../../src/index.js';
import { slots, walk } from './inputs.js';

const kLength = 300;
const kSeries = 6;
const base = walk(kLength);
const inputs = [base, Float32Array.from(base, (v, i) => (i === 60 ? NaN : i === 200 ? Infinity : i === 201 ? -Infinity : v))];
// {period, smooth_period, gamma} as the C program's table has them.
const kParams = [[20, 10, 0.8], [48, 10, 0.5], [2, 3, 0]];
const kCuts = [0, 1, 99, 100, 101, 150, 151, 299, 300];
const kPolicies = [[1, 'drop'], [2, 'keep']];

function paramsFor(kind, [period, smoothPeriod, gamma]) {
  if (kind === 'bandPass' || kind === 'cyberneticOscillator') return { highPassPeriod: period, smoothPeriod };
  if (kind === 'laguerreFilter' || kind === 'laguerreOscillator') return { gamma, period };
  return { period };
}

const sampleOf = (missing, slot, t) => inputs[missing === 'drop' ? slot % 2 : 0][t];
// A series by its slot: its symbol in a book with symbols.
const keyOf = (book, slot) => (book.symbols === null ? slot : book.symbols[slot]);

// Row t of the script, as the C program runs it; its outputs' text.
function runRow(book, number, t) {
  const kind = book.kind;
  const missing = book.missing;
  if (t === 100) book.remove(keyOf(book, 1));
  if (t === 150) {
    const p = paramsFor(kind, kParams[number % 3]);
    if ((book.symbols === null ? book.add(p) : book.add('LATER', p)) !== 1) throw new Error('not slot 1');
  }
  if (t % 5 === 3) {
    const row = new Map([0, 2, 4].map((slot) => [keyOf(book, slot), sampleOf(missing, slot, t)]));
    return slots(Float32Array.from(book.update(row).values()));
  }
  const row = Float32Array.from({ length: kSeries }, (_, j) => (t >= 100 && t < 150 && j === 1 ? NaN : sampleOf(missing, j, t)));
  return slots(book.update(row));
}

const hex = (bytes) => Buffer.from(bytes).toString('hex');
const bookBytes = (bytes) => bytes.subarray(0, Number(new DataView(bytes.buffer, bytes.byteOffset).getBigUint64(8, true)));
const [mode, booksPath, outputsPath] = process.argv.slice(2);

if (mode === 'save') {
  let text = '';
  filterNames.forEach((kind, k) => {
    for (const [policy, missing] of kPolicies) {
      for (const cut of kCuts) {
        const params = Array.from({ length: kSeries }, (_, j) => paramsFor(kind, kParams[j % 3]));
        const symbols = params.map((_, j) => `S${j}`);
        const book = new Streams(kind, params, undefined, { missing, symbols });
        for (let t = 0; t < cut; ++t) runRow(book, k + 1, t);
        text += `${k + 1} ${policy} ${cut} ${hex(book.save())}\n`;
        book.free();
      }
    }
  });
  writeFileSync(booksPath, text);
} else if (mode !== 'continue') {
  console.error('usage: book_continuation.js save|continue BOOKS OUTPUTS');
  process.exit(2);
}

let out = '', count = 0;
for (const line of readFileSync(booksPath, 'latin1').split('\n')) {
  if (line === '') continue;
  const [kind, policy, cut, bytes] = line.trim().split(' ');
  const book = Streams.load(Buffer.from(bytes, 'hex'));
  out += `book ${++count} kind ${kind} policy ${policy} cut ${cut}:`;
  for (let t = Number(cut); t < kLength; ++t) out += runRow(book, Number(kind), t);
  const peeked = book.peek(new Float32Array(kSeries).fill(42.5));
  out += ` peek:${slots(peeked)} saved: ${peeked.some(Number.isNaN) ? 'nan' : hex(bookBytes(book.save()))}\n`;
  book.free();
}
writeFileSync(outputsPath, out);
