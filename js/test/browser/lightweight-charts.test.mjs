// tsfilters/lightweight-charts in headless Chromium with the chart library
// from npm, loaded as the docs' plain <script type="module"> set-up does
// (adapter_page.html, from a local server, every other request refused).
// The line is held to the batch call and to Stream.peek bit for bit.
import assert from 'node:assert/strict';
import { mkdirSync, mkdtempSync, readFileSync, rmSync, symlinkSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { after, before, describe, it } from 'node:test';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { launchOffline, serve } from './chromium.mjs';

const here = dirname(fileURLToPath(import.meta.url));
const js = join(here, '../..');
const tsf = await import(pathToFileURL(join(js, 'src/index.js')));

// 800 real daily closes with their dates, the newest of the WTI series.
const rows = readFileSync(join(js, '../data/wti_daily.csv'), 'utf8').trim().split('\n').slice(1)
  .map((r) => r.split(',')).filter(([, c]) => c?.trim()).slice(-800);
const times = rows.map(([d]) => d);
const closes = rows.map(([, c]) => Number(c));
const kinds = [
  ['highPass', { period: 48 }], ['superSmoother', { period: 10 }], ['ultimateSmoother', { period: 20 }],
  ['bandPass', { highPassPeriod: 48, smoothPeriod: 10 }], ['cyberneticOscillator', {}],
  ['laguerreFilter', { gamma: 0.8, period: 20 }], ['laguerreOscillator', { gamma: 0.5, period: 30 }],
];
const gapsAsNull = (y) => Array.from(y, (v) => (Number.isNaN(v) ? null : v));

let browser, server;
before(async () => {
  server = await serve(js);
  browser = await launchOffline({ allowed: server.origin });
  await browser.page.goto(`${server.origin}/test/browser/adapter_page.html`);
  await browser.page.waitForFunction(() => window.under !== undefined);
});
after(async () => {
  await browser?.close();
  server?.close();
});

// Runs `body(under, chart, args)` in the page on a new chart, removed after.
const onChart = (body, args) => browser.page.evaluate(([source, a]) => {
  const under = window.under;
  const chart = under.createChart(under.container, { width: 900, height: 600 });
  try {
    return new Function('under', 'chart', 'args', `return (${source})(under, chart, args);`)(under, chart, a);
  } finally {
    chart.remove();
  }
}, [body.toString(), args]);

describe('500 bars, then 300 bars of 3 forming ticks and a closing tick', () => {
  for (const [kind, params] of kinds) {
    it(kind, async () => {
      const result = await onChart((under, chart, { kind, params, times, closes }) => {
        const candles = chart.addSeries(under.CandlestickSeries);
        const line = under.attachFilter(chart, kind, params);
        const reference = new under.tsf.Stream(kind, params);
        const candle = (t, close) => ({ time: times[t], open: closes[t - 1] ?? close, high: Math.max(close, closes[t]) + 0.5, low: Math.min(close, closes[t]) - 0.5, close });
        const history = times.slice(0, 500).map((_, t) => candle(t, closes[t]));
        candles.setData(history);
        line.setData(history);
        reference.update(closes.slice(0, 499)); // the 500th bar is still forming
        const wrong = [];
        for (let t = 500; t < times.length; ++t) {
          reference.update(closes[t - 1]); // bar t starts: bar t-1 has closed
          const step = (closes[t] - closes[t - 1]) / 4;
          for (const x of [closes[t - 1] + step - 0.07, closes[t - 1] + 2 * step + 0.11, closes[t - 1] + 3 * step, closes[t]]) {
            candles.update(candle(t, x));
            line.update(candle(t, x));
            const drawn = line.series.data().at(-1);
            const peeked = reference.peek(x);
            if (drawn.time !== times[t] || !Object.is(drawn.value ?? NaN, peeked)) wrong.push({ t, x, drawn, peeked });
          }
        }
        reference.free();
        return { wrong: wrong.slice(0, 3), line: under.valuesAt(line.series, times), drawn: line.series.data().length };
      }, { kind, params, times, closes });
      assert.deepEqual(result.wrong, [], 'the last point is the peek of its tick');
      const expected = gapsAsNull(tsf[kind](closes, params));
      assert.deepEqual(result.line, expected, 'the whole line is the batch call');
      assert.equal(result.drawn, expected.filter((v) => v !== null).length, 'nothing drawn but the bars');
      assert.deepEqual(browser.errors, []);
    });
  }
});

it('from 10 bars on, every tick redraws the batch call, through the oscillators\' first 100 bars', async () => {
  const wrong = await onChart((under, chart, { kinds, closes }) => {
    const wrong = [];
    for (const [kind, params] of kinds) {
      const line = under.attachFilter(chart, kind, params, { pane: 0 });
      const times = closes.map((_, t) => t * 60);
      line.setData(closes.slice(0, 10).map((value, t) => ({ time: times[t], value })));
      for (let t = 10; t < 140 && wrong.length < 3; ++t) {
        for (const x of [closes[t] + 0.3, closes[t]]) {
          line.update({ time: times[t], value: x });
          const want = under.asDrawn(under.tsf[kind]([...closes.slice(0, t), x], params));
          const drawn = under.valuesAt(line.series, times.slice(0, t + 1));
          if (JSON.stringify(drawn) !== JSON.stringify(want)) wrong.push({ kind, t, x });
        }
      }
      line.remove();
    }
    return wrong;
  }, { kinds, closes });
  assert.deepEqual(wrong, []);
});

it('keeps the chart library\'s rules: an earlier time is an error and changes nothing; gaps; three time forms', async () => {
  const result = await onChart((under, chart, { closes }) => {
    const line = under.attachFilter(chart, 'superSmoother', { period: 10 });
    const errorOf = (f) => { try { f(); return null; } catch (e) { return `${e.name}: ${e.message}`; } };
    const bars = closes.slice(0, 200).map((value, t) => ({ time: { year: 2020 + Math.floor(t / 300), month: 1 + Math.floor((t % 300) / 28), day: 1 + (t % 28) }, value }));
    line.setData(bars);
    const before = JSON.stringify(line.series.data());
    const earlier = errorOf(() => line.update({ time: { year: 2019, month: 12, day: 31 }, value: 1 }));
    const unchanged = JSON.stringify(line.series.data()) === before;
    const notNumber = errorOf(() => line.update({ time: bars[199].time, close: '80' }));
    const nan = errorOf(() => line.update({ time: bars[199].time, value: NaN }));
    const badTime = errorOf(() => line.update({ time: '2020/01/01', value: 1 }));
    const unsorted = errorOf(() => line.setData([bars[1], bars[0]]));
    const duplicate = errorOf(() => line.setData([bars[0], bars[0]]));
    const stillSame = JSON.stringify(line.series.data()) === before;
    // A bar without a value is a gap the filter skips.
    const withGaps = closes.slice(0, 300).map((value, t) => (t % 17 === 5 ? { time: 1e9 + 86400 * t } : { time: 1e9 + 86400 * t, value }));
    line.setData(withGaps.slice(0, 250));
    for (const bar of withGaps.slice(250)) line.update(bar);
    line.update({ time: 1e9 + 86400 * 300, value: closes[300] });
    const drawn = under.valuesAt(line.series, withGaps.map((b) => b.time));
    const fed = withGaps.filter((b) => b.value !== undefined).map((b) => b.value).concat(closes[300]);
    const want = Array.from(under.tsf.superSmoother(fed, { period: 10 }));
    const last = line.series.data().at(-1).value;
    const values = drawn.filter((v) => v !== null).concat(last);
    const gapsAt = drawn.flatMap((v, t) => (v === null ? [t] : []));
    return { earlier, unchanged, notNumber, nan, badTime, unsorted, duplicate, stillSame, same: JSON.stringify(values) === JSON.stringify(want), gapsAt, expectedGaps: withGaps.flatMap((b, t) => (b.value === undefined ? [t] : [])) };
  }, { closes });
  assert.match(result.earlier, /^RangeError: .*before the last bar's/);
  assert.ok(result.unchanged && result.stillSame);
  assert.match(result.notNumber, /^RangeError: .*finite number, got "80"/);
  assert.match(result.nan, /^RangeError/);
  assert.match(result.badTime, /^TypeError: .*YYYY-MM-DD/);
  assert.match(result.unsorted, /bar 1 .* is not after bar 0/);
  assert.match(result.duplicate, /bar 1 .* is not after bar 0/);
  assert.ok(result.same, 'the line without its gaps is the batch call over the bars with a value');
  assert.deepEqual(result.gapsAt, result.expectedGaps);
});

it('puts oscillators in a pane of their own, with a zero line when asked; hides the warm-up; removes itself', async () => {
  const result = await onChart((under, chart, { closes }) => {
    const bars = closes.slice(0, 400).map((value, t) => ({ time: 1e9 + 60 * t, value }));
    chart.addSeries(under.CandlestickSeries).setData(bars.map(({ time, value }) => ({ time, open: value, high: value, low: value, close: value })));
    const smooth = under.attachFilter(chart, 'ultimateSmoother', { period: 20 }, { color: '#123456', title: 'smooth', warmup: 'hide' });
    const cycle = under.attachFilter(chart, 'cyberneticOscillator', {}, { zeroLine: true });
    const laguerre = under.attachFilter(chart, 'laguerreOscillator', {}, { pane: cycle.series.getPane().paneIndex() });
    for (const line of [smooth, cycle, laguerre]) line.setData(bars);
    const hidden = under.valuesAt(smooth.series, bars.map((b) => b.time)).findIndex((v) => v !== null);
    const out = {
      panes: [smooth, cycle, laguerre].map((l) => l.series.getPane().paneIndex()),
      zeroLines: [smooth, cycle, laguerre].map((l) => l.series.priceLines().map((p) => p.options().price)),
      options: [smooth.series.options().color, smooth.series.options().title],
      hidden, settling: under.tsf.settlingLength('ultimateSmoother', { period: 20 }),
    };
    laguerre.remove();
    laguerre.remove(); // twice is harmless
    try { laguerre.update(bars[0]); } catch (e) { out.afterRemove = e.message; }
    out.seriesLeft = chart.panes().flatMap((p) => p.getSeries()).length;
    try { under.attachFilter(chart, 'smoother', {}); } catch (e) { out.unknown = e.message; }
    try { under.attachFilter(chart, 'superSmoother', { period: 2.5 }); } catch (e) { out.badPeriod = e.name; }
    try { under.attachFilter(chart, 'superSmoother', {}, { warmup: 'nan' }); } catch (e) { out.badWarmup = e.message; }
    out.seriesAfterErrors = chart.panes().flatMap((p) => p.getSeries()).length;
    return out;
  }, { closes });
  assert.deepEqual(result.panes, [0, 1, 1]);
  assert.deepEqual(result.zeroLines, [[], [0], []]);
  assert.deepEqual(result.options, ['#123456', 'smooth']);
  assert.equal(result.hidden, result.settling);
  assert.match(result.afterRemove, /after remove/);
  assert.equal(result.seriesLeft, 3);
  assert.match(result.unknown, /unknown filter kind "smoother"/);
  assert.equal(result.badPeriod, 'RangeError');
  assert.match(result.badWarmup, /warmup must be 'show' or 'hide'/);
  assert.equal(result.seriesAfterErrors, 3);
  assert.deepEqual(browser.errors, []);
});

it('the docs\' plain <script type="module"> page runs as written, from node_modules', async () => {
  // A user's folder: the page from docs/lightweight-charts.md beside a
  // node_modules holding the chart library and this package.
  const doc = readFileSync(join(js, '../docs/lightweight-charts.md'), 'utf8');
  const html = /```html\n([\s\S]*?)```/.exec(doc)[1];
  const folder = mkdtempSync(join(tmpdir(), 'tsfilters-docs-'));
  mkdirSync(join(folder, 'node_modules'));
  symlinkSync(join(js, 'node_modules/lightweight-charts'), join(folder, 'node_modules/lightweight-charts'));
  symlinkSync(js, join(folder, 'node_modules/tsfilters'));
  writeFileSync(join(folder, 'index.html'), `<!doctype html><meta charset="utf-8">\n${html}`);
  const site = await serve(folder);
  const user = await launchOffline({ allowed: site.origin });
  try {
    await user.page.goto(`${site.origin}/index.html`);
    await user.page.waitForFunction(() => document.querySelectorAll('#chart canvas').length > 0);
    await user.page.waitForTimeout(200);
    assert.deepEqual(user.errors, []);
  } finally {
    await user.close();
    site.close();
    rmSync(folder, { recursive: true, force: true });
  }
});

it('a chart call that throws: attachFilter takes back its series and stream; remove() can be retried; impossible dates and lying arrays are refused', async () => {
  const result = await onChart((under, chart, { closes }) => {
    const errorOf = (f) => { try { f(); return null; } catch (e) { return `${e.name}: ${e.message}`; } };
    const seriesCount = () => chart.panes().flatMap((p) => p.getSeries()).length;
    const out = {};
    // createPriceLine of the real series throws: the series made comes off again.
    const addSeries = chart.addSeries.bind(chart);
    chart.addSeries = (...args) => {
      const series = addSeries(...args);
      series.createPriceLine = () => { throw new Error('no price line'); };
      return series;
    };
    out.priceLine = errorOf(() => under.attachFilter(chart, 'cyberneticOscillator', {}, { zeroLine: true }));
    out.afterPriceLine = seriesCount();
    delete chart.addSeries;
    // Many failed attaches, panes() throwing: the module memory stays as it was.
    const panes = chart.panes.bind(chart);
    chart.panes = () => { throw new Error('no panes'); };
    const attempt = () => { try { under.attachFilter(chart, 'laguerreOscillator'); } catch { /* expected */ } };
    for (let i = 0; i < 10; ++i) attempt();
    const bytes = under.moduleBytes();
    for (let i = 0; i < 10000; ++i) attempt();
    out.memoryGrewBy = under.moduleBytes() - bytes;
    chart.panes = panes;
    // removeSeries throws once: the handle stays removable.
    const line = under.attachFilter(chart, 'superSmoother', { period: 10 });
    const bars = closes.slice(0, 150).map((value, t) => ({ time: 1e9 + 86400 * t, value }));
    line.setData(bars);
    const before = JSON.stringify(line.series.data());
    out.badDate = errorOf(() => line.update({ time: '2024-02-30', value: 1 }));
    const lying = new Proxy(bars.slice(0, 3), { get: (t, k) => (k === 'length' ? 1000 : t[k]) });
    out.lying = errorOf(() => line.setData(lying));
    out.unchanged = JSON.stringify(line.series.data()) === before;
    const removeSeries = chart.removeSeries.bind(chart);
    chart.removeSeries = () => { throw new Error('not now'); };
    out.firstRemove = errorOf(() => line.remove());
    out.stillThere = seriesCount();
    chart.removeSeries = removeSeries;
    out.secondRemove = errorOf(() => line.remove());
    out.thirdRemove = errorOf(() => line.remove());
    out.left = seriesCount();
    return out;
  }, { closes });
  assert.equal(result.priceLine, 'Error: no price line');
  assert.equal(result.afterPriceLine, 0);
  assert.equal(result.memoryGrewBy, 0);
  assert.match(result.badDate, /^TypeError: .*time "2024-02-30" is no calendar date/);
  assert.match(result.lying, /^TypeError: superSmoother line setData: bar 3 is missing/);
  assert.ok(result.unchanged);
  assert.equal(result.firstRemove, 'Error: not now');
  assert.equal(result.stillThere, 1);
  assert.equal(result.secondRemove, null);
  assert.equal(result.thirdRemove, null);
  assert.equal(result.left, 0);
  assert.deepEqual(browser.errors, []);
});
