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

// A bar's time as seconds since 1970, to compare times of any of the chart
// library's three forms: a UTC timestamp in seconds, a 'YYYY-MM-DD' string
// or a { year, month, day } business day.
function timeKey(time, what) {
  if (typeof time === 'number' && Number.isFinite(time)) return time;
  if (typeof time === 'string') {
    const m = /^(\d{4})-(\d{2})-(\d{2})$/.exec(time);
    if (m) return Date.UTC(+m[1], +m[2] - 1, +m[3]) / 1000;
  } else if (time !== null && typeof time === 'object' && Number.isInteger(time.year) &&
             Number.isInteger(time.month) && Number.isInteger(time.day)) {
    return Date.UTC(time.year, time.month - 1, time.day) / 1000;
  }
  throw new TypeError(`${what}: time must be a UTC timestamp in seconds, a 'YYYY-MM-DD' string or { year, month, day }, got ${describe(time)}`);
}

// One bar read once: its time, the time's key, and the value the filter
// takes (the close of a candle, the value of a point; null for a bar with
// neither, which the chart library draws as a gap and the filter skips).
function readBar(bar, what) {
  if (bar === null || typeof bar !== 'object') throw new TypeError(`${what}: expected a bar { time, value } or { time, open, high, low, close }, got ${describe(bar)}`);
  const { time } = bar;
  const close = 'close' in bar ? bar.close : bar.value;
  const key = timeKey(time, what);
  if (close === undefined) return { time, key, close: null };
  if (typeof close !== 'number' || !Number.isFinite(close)) {
    throw new RangeError(`${what}: the close must be a finite number, got ${describe(close)}`);
  }
  return { time, key, close };
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
  // A filter that removes the level (an oscillator, a high- or band-pass)
  // is drawn around 0, far from the prices: its own pane unless asked.
  const removesLevel = precisionLimit(kind) === null;
  let paneIndex = pane;
  if (paneIndex === undefined) paneIndex = removesLevel ? chart.panes().length : 0;
  if (!Number.isInteger(paneIndex) || paneIndex < 0) {
    stream.free();
    throw new TypeError(`attachFilter: pane must be an integer >= 0, got ${describe(pane)}`);
  }
  // Points before this index are gaps with warmup 'hide'; Infinity when the
  // filter never settles with these parameters.
  const hidden = warmup === 'hide' ? (settlingLength(kind, p) ?? Infinity) : 0;
  let series;
  try {
    series = chart.addSeries(LineSeries, {
      lineWidth, priceLineVisible: false, title: title ?? kind,
      ...(color === undefined ? {} : { color }), ...seriesOptions,
    }, paneIndex);
  } catch (error) {
    stream.free();
    throw error;
  }
  if (zeroLine) series.createPriceLine({ price: 0, color: '#888', lineWidth: 1, lineStyle: 2, axisLabelVisible: false });

  // Every bar given so far, oldest first, as read; the last is forming.
  // consumed: the closes of the bars before it, which the stream has taken.
  let bars = [];
  let consumed = 0;
  let removed = false;
  const alive = (what) => {
    if (removed) throw new Error(`${kind} line: ${what} after remove()`);
  };

  // The point drawn for output y of the filter's sample `index`.
  const point = (time, y, index) => (Number.isNaN(y) || index < hidden ? { time } : { time, value: y });

  // Draws every bar from the batch call over all closes, the forming one included.
  function drawAll() {
    const values = bars.filter((b) => b.close !== null).map((b) => b.close);
    const y = batch[kind](values, p);
    let i = 0;
    series.setData(bars.map((b) => (b.close === null ? { time: b.time } : point(b.time, y[i], i++))));
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
      if (!Array.isArray(data)) throw new TypeError(`${kind} line setData: expected an array of bars, got ${describe(data)}`);
      const read = data.map((bar, i) => readBar(bar, `${kind} line setData: bar ${i}`));
      for (let i = 1; i < read.length; ++i) {
        if (!(read[i].key > read[i - 1].key)) {
          throw new RangeError(`${kind} line setData: bar ${i} (time ${describe(read[i].time)}) is not after bar ${i - 1} (time ${describe(read[i - 1].time)}); bars go oldest first, one per time`);
        }
      }
      const fed = read.slice(0, -1).filter((b) => b.close !== null).map((b) => b.close);
      stream.reset();
      stream.update(fed);
      bars = read;
      consumed = fed.length;
      if (bars.length === 0) series.setData([]);
      else drawAll();
    },

    /** The chart library's rule: the last bar's time replaces it, a later time closes it and starts the next. */
    update(bar) {
      alive('update');
      const next = readBar(bar, `${kind} line update`);
      const last = bars[bars.length - 1];
      if (last !== undefined && next.key < last.key) {
        throw new RangeError(`${kind} line update: time ${describe(next.time)} is before the last bar's, ${describe(last.time)}; only the last bar can be replaced`);
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

    /** Takes the line off the chart and frees the stream; the handle is unusable afterwards. */
    remove() {
      if (removed) return;
      removed = true;
      stream.free();
      chart.removeSeries(series);
    },
  };
  return handle;
}
