// tsfilters on a lightweight-charts chart: one call adds a filter's line
// and keeps it equal to the batch call while bars arrive, the forming bar
// drawn with Stream.peek and each closed bar fed with Stream.update.
//
// The line follows the chart library's own data rules: bars oldest first,
// `update` with the last bar's time replaces that bar, a later time starts a
// new one, an earlier time is an error. The last bar is always the forming
// one: the stream has consumed every bar before it and peeks at it, so the
// line's last point is what the batch call gives over all bars so far
// (peek and then update give the same bits).
import { LineSeries } from 'lightweight-charts';
import { Stream, filterNames, precisionLimit, settlingLength } from './index.js';
import * as batch from './index.js';

// Below this many closed bars the forming bar is computed by the batch call
// over every bar instead of a peek. An oscillator scales its first 100
// outputs by their RMS, so until the 100th bar closes each tick moves every
// point drawn so far; for the other filters it costs a few hundred floats
// per tick and holds the start-up slots to the batch call's bits too.
const BATCH_BARS = 100;

const describe = (v) => (typeof v === 'string' ? JSON.stringify(v) : Array.isArray(v) ? 'an array' : v === null ? 'null' : typeof v === 'object' ? 'an object' : String(v));

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
  let shown = describe(time);
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
    shown = `{ year: ${describe(year)}, month: ${describe(month)}, day: ${describe(day)} }`;
    if (Number.isInteger(year) && Number.isInteger(month) && Number.isInteger(day)) parts = [year, month, day];
  }
  if (parts === null) {
    throw new TypeError(`${what}: time must be a UTC timestamp in seconds, a 'YYYY-MM-DD' string or { year, month, day }, got ${shown}`);
  }
  const key = Math.abs(parts[0]) <= 275000 ? dayKey(...parts) : null;
  if (key === null) throw new TypeError(`${what}: time ${shown} is no calendar date`);
  return { key, shown };
}

// One bar read once: its time, the time's key, and the value the filter
// takes (the close of a candle, the value of a point; null for a bar with
// neither, which the chart library draws as a gap and the filter skips).
function readBar(bar, what) {
  if (bar === null || typeof bar !== 'object') throw new TypeError(`${what}: expected a bar { time, value } or { time, open, high, low, close }, got ${describe(bar)}`);
  let time, close;
  try {
    time = bar.time;
    close = 'close' in bar ? bar.close : bar.value;
  } catch (error) {
    throw threw(what, 'the bar', error);
  }
  const { key, shown } = timeKey(time, what);
  if (close === undefined) return { time, key, shown, close: null };
  if (typeof close !== 'number' || !Number.isFinite(close)) {
    throw new RangeError(`${what}: the close must be a finite number, got ${describe(close)}`);
  }
  return { time, key, shown, close };
}

// The most bars one line takes: the batch call's most values in one call.
const MOST_BARS = 0x7fffffff;

// The bars of setData, each read once into an array of our own, oldest
// first. An array with a hole, or a Proxy whose length says more bars than
// it holds, whose traps throw, or whose length changes while it is read,
// is refused here, before the line or its stream has changed.
function readBars(data, what) {
  let isArray;
  try {
    isArray = Array.isArray(data);
  } catch (error) {
    throw threw(what, 'the array', error); // a revoked Proxy
  }
  if (!isArray) throw new TypeError(`${what}: expected an array of bars, got ${describe(data)}`);
  const lengthOf = () => {
    try {
      return data.length;
    } catch (error) {
      throw threw(what, 'its length', error);
    }
  };
  const length = lengthOf();
  if (!Number.isSafeInteger(length) || length < 0) throw new TypeError(`${what}: its length ${describe(length)} is not a length`);
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
    read.push(readBar(bar, `${what}: bar ${i}`));
  }
  const after = lengthOf();
  if (after !== length) throw new TypeError(`${what}: its length changed from ${length} to ${describe(after)} while its bars were read`);
  return read;
}

/**
 * Adds the line of filter `kind` to `chart` and returns its handle.
 * options: pane (default: 0 for a smoother, a new pane for a filter that
 * removes the price level), color, title, lineWidth, warmup ('show', the
 * default, or 'hide': no line before the filter has settled), zeroLine
 * (a horizontal line at 0), seriesOptions (passed to the chart library).
 */
export function attachFilter(chart, kind, params, options = {}) {
  if (chart === null || typeof chart !== 'object' || typeof chart.addSeries !== 'function') {
    throw new TypeError(`attachFilter: expected a chart from createChart, got ${describe(chart)}`);
  }
  if (options === null || typeof options !== 'object') throw new TypeError(`attachFilter: options must be an object, got ${describe(options)}`);
  const { pane, color, title, lineWidth = 2, warmup = 'show', zeroLine = false, seriesOptions = {} } = options;
  if (warmup !== 'show' && warmup !== 'hide') throw new TypeError(`attachFilter: warmup must be 'show' or 'hide', got ${describe(warmup)}`);
  if (!filterNames.includes(kind)) throw new TypeError(`attachFilter: unknown filter kind ${describe(kind)}; one of ${filterNames.join(', ')}`);
  const stream = new Stream(kind, params); // checks the parameters
  const p = stream.params;
  // Points before this index are gaps with warmup 'hide'; Infinity when the
  // filter never settles with these parameters.
  const hidden = warmup === 'hide' ? (settlingLength(kind, p) ?? Infinity) : 0;
  // Any call to the chart may throw; whatever was made by then is taken
  // back, so that a failed attach leaves neither a series on the chart nor
  // a stream in the module's memory, which never shrinks.
  let series = null;
  try {
    // A filter that removes the level (an oscillator, a high- or band-pass)
    // is drawn around 0, far from the prices: its own pane unless asked.
    const removesLevel = precisionLimit(kind) === null;
    let paneIndex = pane;
    if (paneIndex === undefined) paneIndex = removesLevel ? chart.panes().length : 0;
    if (!Number.isInteger(paneIndex) || paneIndex < 0) {
      throw new TypeError(`attachFilter: pane must be an integer >= 0, got ${describe(pane)}`);
    }
    series = chart.addSeries(LineSeries, {
      lineWidth, priceLineVisible: false, title: title ?? kind,
      ...(color === undefined ? {} : { color }), ...seriesOptions,
    }, paneIndex);
    if (series === null || typeof series !== 'object' || typeof series.setData !== 'function') {
      const made = series;
      series = null; // nothing to take off the chart
      throw new TypeError(`attachFilter: chart.addSeries returned ${describe(made)}, not a series`);
    }
    if (zeroLine) series.createPriceLine({ price: 0, color: '#888', lineWidth: 1, lineStyle: 2, axisLabelVisible: false });
  } catch (error) {
    if (series !== null) {
      try {
        chart.removeSeries(series);
      } catch {
        // The first error says what went wrong; this one would hide it.
      }
    }
    stream.free();
    throw error;
  }

  // Every bar given so far, oldest first, as read; the last is forming.
  // consumed: the closes of the bars before it, which the stream has taken.
  let bars = [];
  let consumed = 0;
  // removed: the stream is freed and the handle refuses every call;
  // onChart: the series is still to be taken off (removeSeries threw).
  let removed = false;
  let onChart = true;
  const alive = (what) => {
    if (removed) throw new Error(`${kind} line: ${what} after remove()`);
  };

  // The point drawn for output y of the filter's sample `index`.
  const point = (time, y, index) => (Number.isNaN(y) || index < hidden ? { time } : { time, value: y });

  // Draws every bar of `all` from the batch call over their closes, the
  // forming one included.
  function drawAll(all = bars) {
    const values = all.filter((b) => b.close !== null).map((b) => b.close);
    const y = batch[kind](values, p);
    let i = 0;
    series.setData(all.map((b) => (b.close === null ? { time: b.time } : point(b.time, y[i], i++))));
  }

  // Draws the forming bar, the last of `bars`.
  function drawForming() {
    const last = bars[bars.length - 1];
    if (last.close === null) series.update({ time: last.time });
    else if (consumed < BATCH_BARS) drawAll();
    else series.update(point(last.time, stream.peek(last.close), consumed));
  }

  const handle = {
    series,

    /** Replaces every bar: the line becomes the batch call over their closes. */
    setData(data) {
      alive('setData');
      const read = readBars(data, `${kind} line setData`);
      for (let i = 1; i < read.length; ++i) {
        if (!(read[i].key > read[i - 1].key)) {
          throw new RangeError(`${kind} line setData: bar ${i} (time ${read[i].shown}) is not after bar ${i - 1} (time ${read[i - 1].shown}); bars go oldest first, one per time`);
        }
      }
      // The chart first: when it throws, the line and the stream are as they were.
      if (read.length === 0) series.setData([]);
      else drawAll(read);
      const fed = read.slice(0, -1).filter((b) => b.close !== null).map((b) => b.close);
      stream.reset();
      stream.update(fed);
      bars = read;
      consumed = fed.length;
    },

    /** The chart library's rule: the last bar's time replaces it, a later time closes it and starts the next. */
    update(bar) {
      alive('update');
      const next = readBar(bar, `${kind} line update`);
      const last = bars[bars.length - 1];
      if (last !== undefined && next.key < last.key) {
        throw new RangeError(`${kind} line update: time ${next.shown} is before the last bar's, ${last.shown}; only the last bar can be replaced`);
      }
      if (last !== undefined && next.key === last.key) {
        bars[bars.length - 1] = next;
      } else {
        if (last !== undefined && last.close !== null) {
          stream.update(last.close); // the last bar closes with its final close
          ++consumed;
        }
        bars.push(next);
      }
      drawForming();
    },

    /**
     * Takes the line off the chart and frees the stream; the handle is
     * unusable afterwards. When the chart throws, the stream is freed all
     * the same and a later remove() tries the chart again; once the series
     * is off, remove() does nothing.
     */
    remove() {
      if (!removed) {
        removed = true;
        stream.free();
      }
      if (onChart) {
        chart.removeSeries(series);
        onChart = false;
      }
    },
  };
  return handle;
}
