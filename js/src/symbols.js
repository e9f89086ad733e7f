// The symbols a book names its series by: strings that survive the saved
// book's UTF-8, each once.
import { describe } from './describe.js';
import { isArray } from './intrinsics.js';

// A symbol must survive the saved book's UTF-8: no lone surrogate.
function wellFormed(text) {
  try {
    encodeURIComponent(text);
    return true;
  } catch {
    return false;
  }
}

export function checkSymbol(symbol, what) {
  if (typeof symbol !== 'string') throw new TypeError(`${what}: a symbol must be a string, got ${describe(symbol)}`);
  if (!wellFormed(symbol)) throw new TypeError(`${what}: the symbol ${JSON.stringify(symbol)} holds a lone surrogate, which UTF-8 cannot keep`);
  return symbol;
}

// options.symbols, read once: null, or a new array of strings (null at a
// free slot where `free` is allowed), each symbol once.
export function symbolsOf(options, what, free = false) {
  if (options === undefined || options === null || typeof options !== 'object') return null;
  const given = options.symbols;
  if (given === undefined) return null;
  if (!isArray(given)) throw new TypeError(`${what}: symbols must be an array of strings, got ${describe(given)}`);
  const n = given.length;
  const symbols = [];
  const seen = new Set();
  for (let i = 0; i < n; ++i) {
    const s = given[i];
    if (free && (s === null || s === undefined)) {
      symbols.push(null);
      continue;
    }
    checkSymbol(s, `${what}: symbols[${i}]`);
    if (seen.has(s)) throw new RangeError(`${what}: the symbol ${JSON.stringify(s)} is given twice`);
    seen.add(s);
    symbols.push(s);
  }
  return symbols;
}
