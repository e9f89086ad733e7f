// The bars the chart adapter is given, read once each into objects of its
// own: a bar's time in any of the chart library's three forms (a UTC
// timestamp, a 'YYYY-MM-DD' string, a { year, month, day } business day)
// as one comparable key, and its close as the filter takes it. Whatever
// the caller's objects do (getters, Proxies, holes, a length that changes)
// is refused here, before the line or its stream has changed.
import { written } from './describe.js';

// The widest range of times a Date holds, in seconds either side of 1970.
const TIME_LIMIT = 8.64e12;

// The error of a value the caller's own getter (or Proxy trap) threw on.
const threw = (what, reading, error) =>
  new TypeError(`${what}: reading ${reading} threw: ${error?.message ?? String(error)}`, { cause: error });

// Seconds since 1970 of the calendar date year-month-day, or null when
// there is no such date (month 13, February 30, 2023-02-29). setUTCFullYear
// takes years below 100 as they are, where Date.UTC would add 1900.
function dayKey(year, month, day) {
  if (!(month >= 1 && month <= 12 && day >= 1 && day <= 31)) return null;
  const date = new Date(0);
  date.setUTCFullYear(year, month - 1, day);
  if (date.getUTCFullYear() !== year || date.getUTCMonth() !== month - 1 || date.getUTCDate() !== day) return null;
  return date.getTime() / 1000;
}

// A bar's time as seconds since 1970, to compare times of any of the chart
// library's three forms: a UTC timestamp in seconds, a 'YYYY-MM-DD' string
// or a { year, month, day } business day; with it, the time as a message
// shows it. A date that no calendar has is refused rather than rolled over
// into the next month, where it would be the same bar as a real date.
function timeKey(time, what) {
  if (typeof time === 'number' && Number.isFinite(time)) {
    if (Math.abs(time) <= TIME_LIMIT) return { key: time, shown: String(time) };
    throw new TypeError(`${what}: time ${time} is no date (a timestamp in seconds is within ±${TIME_LIMIT})`);
  }
  let parts = null;
  let shown = written(time);
  if (typeof time === 'string') {
    const m = /^(\d{4})-(\d{2})-(\d{2})$/.exec(time);
    if (m) parts = [+m[1], +m[2], +m[3]];
  } else if (time !== null && typeof time === 'object' && !Array.isArray(time)) {
    let year, month, day;
    try {
      ({ year, month, day } = time); // once each: a getter sees one read
    } catch (error) {
      throw threw(what, 'the time', error);
    }
    shown = `{ year: ${written(year)}, month: ${written(month)}, day: ${written(day)} }`;
    if (Number.isInteger(year) && Number.isInteger(month) && Number.isInteger(day)) parts = [year, month, day];
  }
  if (parts === null) {
    throw new TypeError(`${what}: time must be a UTC timestamp in seconds, a 'YYYY-MM-DD' string or { year, month, day }, got ${shown}`);
  }
  const key = Math.abs(parts[0]) <= 275000 ? dayKey(...parts) : null;
  if (key === null) throw new TypeError(`${what}: time ${shown} is no calendar date`);
  return { key, shown };
}

// The largest binary32 value: the filters compute on single-precision
// samples, and a close that rounds beyond it is infinite to them.
const BINARY32_MAX = 3.4028234663852886e38;

// One bar read once: its time, the time's key, and the value the filter
// takes (the close of a candle, the value of a point; null for a bar with
// neither, which the chart library draws as a gap and the filter skips).
// A close the filter cannot take (NaN, or one beyond binary32, such as the
// Number.MAX_VALUE some feeds send for "no price") is refused here, before
// anything changes, or under missing 'drop' drawn as a gap like a bar with
// no close.
export function readBar(bar, what, missing) {
  if (bar === null || typeof bar !== 'object') throw new TypeError(`${what}: expected a bar { time, value } or { time, open, high, low, close }, got ${written(bar)}`);
  let time, close;
  try {
    time = bar.time;
    close = 'close' in bar ? bar.close : bar.value;
  } catch (error) {
    throw threw(what, 'the bar', error);
  }
  const { key, shown } = timeKey(time, what);
  if (close === undefined) return { time, key, shown, close: null };
  if (typeof close !== 'number') {
    throw new RangeError(`${what}: the close must be a finite number, got ${written(close)}`);
  }
  if (!Number.isFinite(Math.fround(close))) {
    if (missing === 'drop') return { time, key, shown, close: null };
    throw new RangeError(`${what}: the close ${close} is no binary32 number (the filters take finite values up to ` +
      `±${BINARY32_MAX}); pass { missing: 'drop' } to attachFilter to draw a gap for such a bar`);
  }
  return { time, key, shown, close };
}

// The most bars one line takes: the batch call's most values in one call.
const MOST_BARS = 0x7fffffff;

// The bars of setData, each read once into an array of our own, oldest
// first. An array with a hole, or a Proxy whose length says more bars than
// it holds, whose traps throw, or whose length changes while it is read,
// is refused here, before the line or its stream has changed.
export function readBars(data, what, missing) {
  let isArray;
  try {
    isArray = Array.isArray(data);
  } catch (error) {
    throw threw(what, 'the array', error); // a revoked Proxy
  }
  if (!isArray) throw new TypeError(`${what}: expected an array of bars, got ${written(data)}`);
  const lengthOf = () => {
    try {
      return data.length;
    } catch (error) {
      throw threw(what, 'its length', error);
    }
  };
  const length = lengthOf();
  if (!Number.isSafeInteger(length) || length < 0) throw new TypeError(`${what}: its length ${written(length)} is not a length`);
  if (length > MOST_BARS) throw new RangeError(`${what}: ${length} bars; a line takes at most ${MOST_BARS}`);
  const read = [];
  for (let i = 0; i < length; ++i) {
    let bar;
    try {
      bar = data[i];
    } catch (error) {
      throw threw(what, `bar ${i}`, error);
    }
    if (bar === undefined) {
      throw new TypeError(`${what}: bar ${i} is missing (the array holds fewer bars than its length, ${length}, or has a hole)`);
    }
    read.push(readBar(bar, `${what}: bar ${i}`, missing));
  }
  const after = lengthOf();
  if (after !== length) throw new TypeError(`${what}: its length changed from ${length} to ${written(after)} while its bars were read`);
  return read;
}
