// The record a saved book carries after the library's bytes when it has
// symbols or blanks its warm-up: written by Streams.save, checked and read
// back by Streams.load.
import { TSF_E_CRC, TSF_E_SIZE, TSF_E_STATE, TSF_E_VERSION, TsfiltersError } from './errors.js';

// Streams.save() writes the library's saved book (tsf_book_save) and, when
// the book has symbols or blanks its warm-up, this record after it:
//   offset  size  field (little-endian)
//        0     4  magic "TSFJ"
//        4     2  version, 1
//        6     2  warmup: 0 'keep', 1 'nan'
//        8     4  the record's size in bytes, CRC included
//       12     4  1 when symbols follow, else 0
//       16     4  slots named: the book's slots, or 0
//       20     .  per slot: the UTF-8 length of its symbol (0xffffffff for
//                 a free slot), then the symbol's bytes
//    end-4     4  CRC-32 of all bytes of the record before it
// The book's own size is at its offset 8, so a native program loads the
// first that many bytes with tsf_book_load.

const OPTIONS_MAGIC = 0x4a465354; // "TSFJ" read little-endian
const PYTHON_HEADER_MAGIC = 0x44465354; // "TSFD" read little-endian

// The Python package's to_bytes() puts its own options in front of a book
// when it has any this package has no use for (seen="skip" and the last
// dates, integer labels): "TSFD", the header's length (4 bytes), then the
// header as JSON. What follows is the book as Streams.save writes it, so
// the header is skipped, not refused: a book saved in Python continues here.
export function afterPythonHeader(read, what) {
  if (read.length < 8) return read;
  const view = new DataView(read.buffer, read.byteOffset, read.length);
  if (view.getUint32(0, true) !== PYTHON_HEADER_MAGIC) return read;
  const start = 8 + view.getUint32(4, true);
  if (start > read.length) {
    throw new TsfiltersError(TSF_E_SIZE, `${what}: the saved bytes end inside the Python package's header`);
  }
  return read.slice(start); // a copy at offset 0, as readSaved gives
}
const FREE_SLOT = 0xffffffff;

let crcTable = null;
function crc32(bytes) {
  if (crcTable === null) {
    crcTable = new Uint32Array(256);
    for (let n = 0; n < 256; ++n) {
      let c = n;
      for (let k = 0; k < 8; ++k) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
      crcTable[n] = c >>> 0;
    }
  }
  let c = 0xffffffff;
  for (let i = 0; i < bytes.length; ++i) c = crcTable[(c ^ bytes[i]) & 0xff] ^ (c >>> 8);
  return (c ^ 0xffffffff) >>> 0;
}

export function encodeOptions(warmup, names) {
  const encoder = new TextEncoder();
  const encoded = names === null ? [] : names.map((s) => (s === null ? null : encoder.encode(s)));
  const size = 24 + encoded.reduce((n, e) => n + 4 + (e === null ? 0 : e.length), 0);
  const bytes = new Uint8Array(size);
  const view = new DataView(bytes.buffer);
  view.setUint32(0, OPTIONS_MAGIC, true);
  view.setUint16(4, 1, true);
  view.setUint16(6, warmup === 'nan' ? 1 : 0, true);
  view.setUint32(8, size, true);
  view.setUint32(12, names === null ? 0 : 1, true);
  view.setUint32(16, encoded.length, true);
  let at = 20;
  for (const e of encoded) {
    view.setUint32(at, e === null ? FREE_SLOT : e.length, true);
    at += 4;
    if (e !== null) {
      bytes.set(e, at);
      at += e.length;
    }
  }
  view.setUint32(at, crc32(bytes.subarray(0, at)), true);
  return bytes;
}

// The record after a saved book (ours), checked against the book's live
// slots: { warmup, names }, or a TsfiltersError naming what is wrong.
export function decodeOptions(bytes, live, what) {
  const fail = (code, why) => new TsfiltersError(code, `${what}: the options saved after the book ${why}`);
  const n = bytes.length;
  const view = new DataView(bytes.buffer, bytes.byteOffset, n);
  if (n < 24 || view.getUint32(0, true) !== OPTIONS_MAGIC) throw fail(TSF_E_STATE, 'are not a record of this package (what follows the book is not "TSFJ")');
  if (view.getUint16(4, true) !== 1) throw fail(TSF_E_VERSION, `are of version ${view.getUint16(4, true)}, which this package does not know`);
  if (view.getUint32(8, true) !== n) throw fail(TSF_E_SIZE, `say they are ${view.getUint32(8, true)} bytes, and ${n} follow the book`);
  if (view.getUint32(n - 4, true) !== crc32(bytes.subarray(0, n - 4))) throw fail(TSF_E_CRC, 'do not match their checksum: damaged bytes');
  const warmup = view.getUint16(6, true);
  const named = view.getUint32(12, true);
  const count = view.getUint32(16, true);
  if (warmup > 1 || named > 1 || count !== (named ? live.length : 0)) {
    throw fail(TSF_E_STATE, 'hold a warm-up, a flag or a count no save writes');
  }
  let at = 20;
  let names = null;
  if (named) {
    names = [];
    const seen = new Set();
    const decoder = new TextDecoder('utf-8', { fatal: true, ignoreBOM: true });
    for (let s = 0; s < count; ++s) {
      if (at + 4 > n - 4) throw fail(TSF_E_STATE, 'end inside their symbols');
      const length = view.getUint32(at, true);
      at += 4;
      if (length === FREE_SLOT || !live[s]) {
        if (length !== FREE_SLOT || live[s]) throw fail(TSF_E_STATE, `name slot ${s} where the book has ${live[s] ? 'a series' : 'none'}`);
        names.push(null);
        continue;
      }
      if (length > n - 4 - at) throw fail(TSF_E_STATE, 'end inside their symbols');
      let symbol;
      try {
        symbol = decoder.decode(bytes.subarray(at, at + length));
      } catch {
        throw fail(TSF_E_STATE, `hold a symbol for slot ${s} that is not UTF-8`);
      }
      if (seen.has(symbol)) throw fail(TSF_E_STATE, `name two series ${JSON.stringify(symbol)}`);
      seen.add(symbol);
      names.push(symbol);
      at += length;
    }
  }
  if (at !== n - 4) throw fail(TSF_E_STATE, 'hold bytes no save writes');
  return { warmup: warmup ? 'nan' : 'keep', names };
}
