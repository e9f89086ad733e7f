// Reads a price file as people have them: columns found by their header
// names, any row order, dates with or without a time, Unix seconds or
// milliseconds, ',' ';' or tab between fields, decimal commas where the
// separator leaves them unambiguous. What it cannot read is an error that
// names the line, never a silently shorter series.

// Header names, lower-cased, for each column the chart uses.
const names = {
  time: ['date', 'time', 'datetime', 'timestamp', 'day', 'period'],
  open: ['open'],
  high: ['high'],
  low: ['low'],
  close: ['close', 'price', 'last', 'value'],
  adjClose: ['adj close', 'adj_close', 'adjclose', 'adjusted close'],
};
const missingWords = new Set(['', '.', 'na', 'n/a', 'nan', 'null']);

export class CsvError extends Error {}

function separatorOf(line) {
  if (line.includes('\t')) return '\t';
  if (line.includes(';')) return ';';
  return ',';
}

const unquote = (field) => field.trim().replace(/^"(.*)"$/, '$1').trim();

// A number as written, or null for an empty or "n/a" field; undefined when
// it cannot be read. A decimal comma is read only when ',' is not the separator.
function numberOf(field, separator) {
  if (missingWords.has(field.toLowerCase())) return null;
  const text = separator === ',' ? field : field.replace(',', '.');
  if (!/^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$/.test(text)) return undefined;
  return Number(text);
}

// A time as UTC seconds, and whether it carries a time of day; null when
// it cannot be read. Unix times: 10 digits or fewer are seconds, more are
// milliseconds. Dates and times without a zone are read as UTC, the way
// the chart shows them.
export function timeOf(field) {
  if (/^\d{9,13}(\.\d+)?$/.test(field)) {
    const n = Number(field);
    const seconds = field.split('.')[0].length > 10 ? Math.floor(n / 1000) : Math.floor(n);
    return { seconds, intraday: seconds % 86400 !== 0 };
  }
  const m = /^(\d{4})[-/.](\d{1,2})[-/.](\d{1,2})(?:[T ](\d{1,2}):(\d{2})(?::(\d{2})(?:\.\d+)?)?)?\s*(Z|UTC|[+-]\d{2}:?\d{2})?$/i.exec(field);
  if (!m) return null;
  const [, y, mo, d, h = '0', mi = '0', s = '0', zone] = m;
  if (+mo < 1 || +mo > 12 || +d < 1 || +d > 31 || +h > 23 || +mi > 59 || +s > 59) return null;
  let ms = Date.UTC(+y, +mo - 1, +d, +h, +mi, +s);
  if (new Date(ms).getUTCDate() !== +d) return null; // 2021-02-30
  if (zone && /^[+-]/.test(zone)) {
    const z = zone.replace(':', '');
    ms -= (z[0] === '-' ? -1 : 1) * (Number(z.slice(1, 3)) * 60 + Number(z.slice(3, 5))) * 60000;
  }
  return { seconds: Math.floor(ms / 1000), intraday: m[4] !== undefined };
}

/**
 * Parses `text`; `adjusted` reads Adj Close instead of Close. Returns
 * { times (UTC seconds, ascending, one per time), close, open/high/low
 * (when the file has all three), intraday, notes (what was done to the
 * rows: sorted, duplicates, empty closes skipped) }. Throws a CsvError
 * naming the line of anything it cannot read.
 */
export function parseCsv(text, { adjusted = false } = {}) {
  const lines = text.replace(/^\uFEFF/, '').split(/\r\n|\n|\r/);
  const first = lines.findIndex((l) => l.trim() !== '');
  if (first < 0) throw new CsvError('the file is empty');
  const separator = separatorOf(lines[first]);
  const header = lines[first].split(separator).map((f) => unquote(f).toLowerCase());
  const hasHeader = timeOf(header[0]) === null || (header.length > 1 && numberOf(header[1], separator) === undefined);
  const column = {};
  if (hasHeader) {
    const find = (list) => header.findIndex((h) => list.includes(h));
    for (const key of Object.keys(names)) column[key] = find(names[key]);
    if (column.time < 0) column.time = 0;
    if (adjusted) {
      if (column.adjClose < 0) throw new CsvError(`line ${first + 1}: no Adj Close column in the header (${header.join(', ')})`);
      column.close = column.adjClose;
    }
    if (column.close < 0) {
      throw new CsvError(`line ${first + 1}: no Close column in the header (${header.join(', ')}); name one Close, Price or Value`);
    }
  } else {
    Object.assign(column, { time: 0, close: 1, open: -1, high: -1, low: -1 });
  }
  const ohlc = !adjusted && column.open >= 0 && column.high >= 0 && column.low >= 0;

  const rows = [];
  let empty = 0;
  let intraday = false;
  for (let i = hasHeader ? first + 1 : first; i < lines.length; ++i) {
    if (lines[i].trim() === '') continue;
    const fields = lines[i].split(separator).map(unquote);
    const where = `line ${i + 1}`;
    // More fields than names: most likely decimal commas between commas,
    // which would shift every column silently.
    if (hasHeader && fields.length > header.length) {
      throw new CsvError(`${where}: ${fields.length} fields under a header of ${header.length}${separator === ',' ? ' (decimal commas need ; or tab between fields)' : ''}`);
    }
    const time = timeOf(fields[column.time] ?? '');
    if (time === null) throw new CsvError(`${where}: cannot read the date or time ${JSON.stringify(fields[column.time] ?? '')}`);
    const value = (key) => {
      const field = fields[column[key]] ?? '';
      const v = numberOf(field, separator);
      if (v === undefined) throw new CsvError(`${where}: cannot read the ${key} ${JSON.stringify(field)}`);
      return v;
    };
    const close = value('close');
    if (close === null) {
      ++empty;
      continue;
    }
    // The filters compute on single-precision closes: a close that rounds
    // beyond that range (1e39, a feed's Number.MAX_VALUE "no price") is
    // refused by name here rather than midway through drawing.
    if (!Number.isFinite(Math.fround(close))) {
      throw new CsvError(`${where}: the close ${fields[column.close]} is beyond the filters' single-precision range (±3.4028235e38)`);
    }
    const row = { seconds: time.seconds, close, line: i + 1 };
    if (ohlc) {
      row.open = value('open') ?? close;
      row.high = value('high') ?? Math.max(row.open, close);
      row.low = value('low') ?? Math.min(row.open, close);
    }
    intraday ||= time.intraday;
    rows.push(row);
  }
  if (rows.length === 0) throw new CsvError('no rows with a date and a close');

  const notes = [];
  if (rows.some((r, i) => i > 0 && r.seconds < rows[i - 1].seconds)) {
    rows.sort((a, b) => a.seconds - b.seconds || a.line - b.line); // stable: a time's rows stay in file order
    notes.push('rows sorted oldest first');
  }
  // One bar per time: the file's last row of a time wins.
  const kept = [];
  const duplicates = [];
  for (const r of rows) {
    if (kept.length > 0 && kept.at(-1).seconds === r.seconds) {
      duplicates.push(kept.at(-1).line);
      kept[kept.length - 1] = r;
    } else {
      kept.push(r);
    }
  }
  if (duplicates.length > 0) {
    notes.push(`${duplicates.length} duplicate time${duplicates.length > 1 ? 's' : ''} (kept the later row; dropped line${duplicates.length > 1 ? 's' : ''} ${duplicates.slice(0, 5).join(', ')}${duplicates.length > 5 ? ', …' : ''})`);
  }
  if (empty > 0) notes.push(`${empty} row${empty > 1 ? 's' : ''} without a close skipped`);
  const series = { times: kept.map((r) => r.seconds), close: kept.map((r) => r.close), intraday, notes };
  if (ohlc) for (const key of ['open', 'high', 'low']) series[key] = kept.map((r) => r[key]);
  return series;
}
