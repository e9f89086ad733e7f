// tsfilters on a lightweight-charts chart: one call adds a filter's line
// and keeps it equal to the batch call while bars arrive, the forming bar
// drawn with Stream.peek and each closed bar fed with Stream.update.
//
// The line follows the chart library's own data rules: bars oldest first,
// `update` with the last bar's time replaces that bar, a later time starts a
// new one, and the time of an older bar replaces that bar (a feed that
// re-sends its last bars after a reconnect, or corrects one); `pop` takes
// the last bars off. The last bar is always the forming one: the stream has
// consumed every bar before it and peeks at it, so the line's last point is
// what the batch call gives over all bars so far (peek and then update give
// the same bits). The stream's state is saved every CHECKPOINT samples, so
// that a changed older bar costs a restore and at most that many samples
// more than the bars from it on.
//
// The adapter runs on whichever entry the application loaded the module
// with, `tsfilters` or `tsfilters/lean`: it imports the files their API is
// made of, not an entry, and so ships no module of its own.
import { LineSeries } from 'lightweight-charts';
import * as batch from './batch.js';
import { readBar, readBars } from './chart_bars.js';
import { written } from './describe.js';
import { filterNames, precisionLimit } from './filters.js';
import { settlingLength } from './settling.js';
import { Stream } from './stream.js';

// Below this many closed bars the forming bar is computed by the batch call
// over every bar instead of a peek. An oscillator scales its first 100
// outputs by their RMS, so until the 100th bar closes each tick moves every
// point drawn so far; for the other filters it costs a few hundred floats
// per tick and holds the start-up slots to the batch call's bits too.
const BATCH_BARS = 100;

// The stream's state is saved after every this many samples.
const CHECKPOINT = 256;

// A change this many bars back or more redraws the whole line from the
// batch call (one setData); a nearer one updates its points one by one.
const REDRAW_ALL = 64;

const OPTIONS = ['pane', 'color', 'title', 'lineWidth', 'warmup', 'zeroLine', 'seriesOptions', 'missing'];

/**
 * Adds the line of filter `kind` to `chart` and returns its handle.
 * options: pane (default: 0 for a smoother, a new pane for a filter that
 * removes the price level), color, title, lineWidth, warmup ('show', the
 * default, or 'hide': no line before the filter has settled; the whole
 * line when it never settles with these parameters), zeroLine (a
 * horizontal line at 0), missing ('error', the default, or 'drop': a close
 * the filter cannot take is drawn as a gap and leaves the filter as it
 * was), seriesOptions (passed to the chart library).
 */
export function attachFilter(chart, kind, params, options = {}) {
  if (chart === null || typeof chart !== 'object' || typeof chart.addSeries !== 'function') {
    throw new TypeError(`attachFilter: expected a chart from createChart, got ${written(chart)}`);
  }
  if (options === null || typeof options !== 'object') throw new TypeError(`attachFilter: options must be an object, got ${written(options)}`);
  const given = { ...options }; // each getter read once
  const unknown = Object.keys(given).filter((key) => !OPTIONS.includes(key));
  if (unknown.length > 0) {
    throw new TypeError(`attachFilter: unknown option${unknown.length > 1 ? 's' : ''} ${unknown.map((k) => JSON.stringify(k)).join(', ')}; ` +
      `the options are ${OPTIONS.join(', ')}`);
  }
  const { pane, color, title, lineWidth = 2, warmup = 'show', zeroLine = false, seriesOptions = {}, missing = 'error' } = given;
  if (warmup !== 'show' && warmup !== 'hide') throw new TypeError(`attachFilter: warmup must be 'show' or 'hide', got ${written(warmup)}`);
  if (missing !== 'error' && missing !== 'drop') throw new TypeError(`attachFilter: missing must be 'error' or 'drop', got ${written(missing)}`);
  if (!filterNames.includes(kind)) throw new TypeError(`attachFilter: unknown filter kind ${written(kind)}; one of ${filterNames.join(', ')}`);
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
      throw new TypeError(`attachFilter: pane must be an integer >= 0, got ${written(pane)}`);
    }
    series = chart.addSeries(LineSeries, {
      lineWidth, priceLineVisible: false, title: title ?? kind,
      ...(color === undefined ? {} : { color }), ...seriesOptions,
    }, paneIndex);
    if (series === null || typeof series !== 'object' || typeof series.setData !== 'function') {
      const made = series;
      series = null; // nothing to take off the chart
      throw new TypeError(`attachFilter: chart.addSeries returned ${written(made)}, not a series`);
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
  // Each bar's `at` is the number of closes before it, which is the index
  // of its own close among the filter's samples when it has one.
  let bars = [];
  // consumed: the samples the stream has taken, the closes of the bars
  // before the last. saved[k]: the stream's state after k * CHECKPOINT.
  let consumed = 0;
  let saved = [stream.save()];
  // removed: the stream is freed and the handle refuses every call;
  // onChart: the series is still to be taken off (removeSeries threw).
  let removed = false;
  let onChart = true;
  const alive = (what) => {
    if (removed) throw new Error(`${kind} line: ${what} after remove()`);
  };

  // The point drawn for output y of the filter's sample `index`.
  const point = (time, y, index) => (Number.isNaN(y) || index < hidden ? { time } : { time, value: y });
  // The bars with their `at`, counted from bar `from` on.
  function number(all, from = 0) {
    let at = from === 0 ? 0 : all[from - 1].at + (all[from - 1].close === null ? 0 : 1);
    for (let i = from; i < all.length; ++i) {
      all[i].at = at;
      if (all[i].close !== null) ++at;
    }
    return all;
  }

  // Draws every bar of `all` from the batch call over their closes, the
  // forming one included.
  function drawAll(all = bars) {
    const values = all.filter((b) => b.close !== null).map((b) => b.close);
    const y = batch[kind](values, p);
    series.setData(all.map((b) => (b.close === null ? { time: b.time } : point(b.time, y[b.at], b.at))));
  }

  // Draws the forming bar, the last of `bars`. Until the oscillators' first
  // 100 samples are in, the forming bar (a gap too) moves every point.
  function drawForming() {
    const last = bars[bars.length - 1];
    if (consumed < BATCH_BARS) drawAll();
    else if (last.close === null) series.update({ time: last.time });
    else series.update(point(last.time, stream.peek(last.close), consumed));
  }

  // Feeds the stream the closes of `all` (bars numbered) from sample
  // `consumed` up to sample `to`, saving its state at each checkpoint, and
  // returns their outputs, the first for sample `from`.
  function feed(all, to) {
    const from = consumed;
    const closes = new Float32Array(to - from);
    for (let i = firstAt(all, from), k = 0; k < closes.length; ++i) if (all[i].close !== null) closes[k++] = all[i].close;
    const out = new Float32Array(closes.length);
    for (let k = 0; k < closes.length;) {
      const next = Math.min(closes.length, (Math.floor(consumed / CHECKPOINT) + 1) * CHECKPOINT - from);
      out.set(stream.update(closes.subarray(k, next)), k);
      consumed = from + next;
      k = next;
      if (consumed % CHECKPOINT === 0) saved[consumed / CHECKPOINT] = stream.save();
    }
    return out;
  }

  // The first bar whose `at` is `sample` (bars' `at` never decreases).
  function firstAt(all, sample) {
    let lo = 0;
    let hi = all.length;
    while (lo < hi) {
      const mid = (lo + hi) >>> 1;
      if (all[mid].at < sample) lo = mid + 1;
      else hi = mid;
    }
    return lo;
  }

  // The stream back to the latest saved state at or before `sample`.
  function rewind(sample) {
    const k = Math.min(Math.floor(sample / CHECKPOINT), saved.length - 1);
    stream.restore(saved[k]);
    saved.length = k + 1;
    consumed = k * CHECKPOINT;
  }

  // The bar at `key`, by binary search; -1 when none.
  function indexOf(key) {
    let lo = 0;
    let hi = bars.length - 1;
    while (lo <= hi) {
      const mid = (lo + hi) >>> 1;
      if (bars[mid].key === key) return mid;
      if (bars[mid].key < key) lo = mid + 1;
      else hi = mid - 1;
    }
    return -1;
  }

  // Bar i (before the last) has changed: the stream is taken back to a
  // saved state before it and fed again, and the line redrawn from bar i.
  function redrawFrom(i) {
    number(bars, i);
    const fromSample = bars[i].at;
    rewind(fromSample);
    const closedSamples = bars[bars.length - 1].at;
    const out = feed(bars, closedSamples);
    const first = closedSamples - out.length; // the sample of out[0]
    if (fromSample < BATCH_BARS || bars.length - i > REDRAW_ALL) {
      drawAll();
      return;
    }
    for (let j = i; j < bars.length - 1; ++j) {
      const b = bars[j];
      series.update(b.close === null ? { time: b.time } : point(b.time, out[b.at - first], b.at), true);
    }
    drawForming();
  }

  const handle = {
    series,

    /** Replaces every bar: the line becomes the batch call over their closes. All or nothing. */
    setData(data) {
      alive('setData');
      const read = number(readBars(data, `${kind} line setData`, missing));
      for (let i = 1; i < read.length; ++i) {
        if (!(read[i].key > read[i - 1].key)) {
          throw new RangeError(`${kind} line setData: bar ${i} (time ${read[i].shown}) is not after bar ${i - 1} (time ${read[i - 1].shown}); bars go oldest first, one per time`);
        }
      }
      // The chart first: when it throws, the line and the stream are as
      // they were. Every close has been checked, so the stream cannot fail.
      if (read.length === 0) series.setData([]);
      else drawAll(read);
      rewind(0);
      if (read.length > 0) feed(read, read[read.length - 1].at);
      bars = read;
    },

    /**
     * The chart library's rule: the last bar's time replaces it, a later
     * time closes it and starts the next; the time of an older bar
     * replaces that bar (re-sent or corrected) and redraws the line from it.
     */
    update(bar) {
      alive('update');
      const next = readBar(bar, `${kind} line update`, missing);
      const last = bars[bars.length - 1];
      if (last === undefined || next.key > last.key) {
        if (last !== undefined && last.close !== null) {
          stream.update(last.close); // the last bar closes with its final close
          ++consumed;
          if (consumed % CHECKPOINT === 0) saved[consumed / CHECKPOINT] = stream.save();
        }
        bars.push(next);
        number(bars, bars.length - 1);
        drawForming();
        return;
      }
      const i = next.key === last.key ? bars.length - 1 : indexOf(next.key);
      if (i < 0) {
        throw new RangeError(`${kind} line update: time ${next.shown} is before the last bar's, ${last.shown}, and no bar drawn has it; ` +
          'an older bar can be re-sent, not inserted');
      }
      bars[i] = next;
      if (i === bars.length - 1) {
        number(bars, i);
        drawForming();
      } else {
        redrawFrom(i);
      }
    },

    /**
     * Takes the last `count` bars (default 1) off the line, as the chart
     * library's pop() does; the bar before them is forming again.
     */
    pop(count = 1) {
      alive('pop');
      if (!Number.isInteger(count) || count < 0 || count > bars.length) {
        throw new RangeError(`${kind} line pop: count must be an integer from 0 to ${bars.length}, the bars drawn, got ${written(count)}`);
      }
      if (count === 0) return [];
      const taken = series.pop(count); // the chart first: when it throws, nothing has changed
      bars.length -= count;
      if (bars.length === 0) {
        rewind(0);
        return taken;
      }
      const closed = bars[bars.length - 1].at;
      rewind(closed);
      feed(bars, closed);
      drawForming();
      return taken;
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
        saved = [];
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
