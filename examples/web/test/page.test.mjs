// The chart page in headless Chromium (Debian's, driven by playwright-core;
// no browser is downloaded), opened from file:// with every network request
// refused: it loads, draws the native library's values, replays the last
// 300 bars through the forming bar, reads every shape of file it promises
// to read (the last close drawn is the file's), and keeps a replay from
// drawing into a file picked meanwhile.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { copyFileSync, mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { after, before, describe, it } from 'node:test';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { launchOffline, serve } from '../../../js/test/browser/chromium.mjs';

const here = dirname(fileURLToPath(import.meta.url));
const root = join(here, '../../..');
const tsf = await import(pathToFileURL(join(root, 'js/src/index.js')));

const csvPath = join(root, 'data/wti_daily.csv');
// The picture in docs/web-chart.png is one of these.
const screenshot = process.env.TSFILTERS_SCREENSHOT ?? join(root, 'build/web-chart.png');
const nativeTree = process.env.TSFILTERS_NATIVE_TREE;

// The WTI rows with a close: [date, close].
const wti = readFileSync(csvPath, 'utf8').trim().split('\n').slice(1)
  .map((r) => r.split(',')).filter(([, c]) => c?.trim()).map(([d, c]) => [d, Number(c)]);
const closes = () => Float32Array.from(wti, ([, c]) => c);

let browser, page, server;
const errors = () => browser.errors;

before(async () => {
  server = await serve(join(here, '..'));
  browser = await launchOffline({ allowed: server.origin });
  await browser.context.setOffline(true);
  page = browser.page;
  await page.goto(pathToFileURL(join(here, '../index.html')).href);
  await page.waitForFunction(() => window.tsfiltersDemo && /bars,/.test(document.getElementById('status').textContent));
});

after(async () => {
  await browser?.close();
  server?.close();
});

const plots = () => page.evaluate(() => window.tsfiltersDemo.plots);
const nanAsNull = (values) => Array.from(values, (v) => (Number.isNaN(v) ? null : v));
const status = () => page.textContent('#status');

// Picks a file with the page's file picker and waits for it to be drawn.
async function pick(name, text) {
  await page.setInputFiles('#file', { name, mimeType: 'text/csv', buffer: Buffer.from(text) });
  await page.waitForFunction((n) => document.getElementById('status').textContent.startsWith(`${n}:`), name);
}

it('loads offline from file:// and draws the native library values', async () => {
  const drawn = await page.evaluate(() => window.tsfiltersDemo.lastDrawn(5));
  const expected = {};
  if (nativeTree) {
    Object.assign(expected, JSON.parse(execFileSync('/usr/bin/python3',
      [join(here, 'native_values.py'), join(nativeTree, 'libtsfilters.so'), csvPath, JSON.stringify(await plots())], { maxBuffer: 1 << 26 })));
  } else {
    // No native build to ask: the package in Node, which the platform tests hold to it.
    for (const p of await plots()) expected[p.name] = nanAsNull(tsf[p.name](closes(), p.params));
  }
  for (const p of await plots()) assert.deepEqual(drawn[p.name], expected[p.name].slice(-5), p.name);
  assert.deepEqual(drawn.close, wti.slice(-5).map(([, c]) => c));
  assert.equal(await page.evaluate(() => window.tsfiltersDemo.priceType), 'Line');
  assert.deepEqual(errors(), []);
});

it('replays 300 bars through peek and update, ending on the batch call', async () => {
  await page.evaluate(() => window.tsfiltersDemo.replay(0));
  const drawn = await page.evaluate(() => window.tsfiltersDemo.lastDrawn(300));
  for (const p of await plots()) {
    assert.deepEqual(drawn[p.name], nanAsNull(tsf[p.name](closes(), p.params).subarray(-300)), p.name);
  }
  assert.match(await status(), /replayed 300 bars/);
  assert.deepEqual(errors(), []);
});

it('loads from a local static server too', async () => {
  await browser.context.setOffline(false); // the server is on this machine; the route still refuses the rest
  const served = await browser.context.newPage();
  await served.goto(`${server.origin}/index.html`);
  await served.waitForFunction(() => /bars,/.test(document.getElementById('status').textContent));
  const drawn = await served.evaluate(() => window.tsfiltersDemo.lastDrawn(3));
  for (const p of await plots()) assert.deepEqual(drawn[p.name], nanAsNull(tsf[p.name](closes(), p.params).subarray(-3)), p.name);
  await served.close();
  await browser.context.setOffline(true);
  assert.deepEqual(errors(), []);
});

it('shows how to build the page when its script is missing', async () => {
  const bare = mkdtempSync(join(tmpdir(), 'tsfilters-page-'));
  copyFileSync(join(here, '../index.html'), join(bare, 'index.html'));
  const other = await browser.context.newPage();
  await other.goto(pathToFileURL(join(bare, 'index.html')).href);
  await other.waitForSelector('#hint:not([hidden])');
  assert.match(await other.textContent('#hint'), /make web/);
  await other.close();
  rmSync(bare, { recursive: true, force: true });
  browser.errors.length = 0; // the missing script is the point of this test
});

describe('reads the files people have', () => {
  // 400 WTI days as candles: open the previous close, high and low around.
  const days = wti.slice(-400);
  const ohlc = days.map(([d, c], i) => ({ d, o: i ? days[i - 1][1] : c, h: c + 1.25, l: c - 1.5, c, a: Math.round(c * 90) / 100 }));
  const lastClose = ohlc.at(-1).c;
  const fixed = (v) => String(v);
  const checkDrawn = async (values, lastWanted = values.at(-1)) => {
    const drawn = await page.evaluate(() => window.tsfiltersDemo.lastDrawn(1));
    assert.equal(drawn.close[0], lastWanted, 'the last close drawn is the file\'s');
    const y = tsf.superSmoother(values, (await plots())[0].params);
    assert.deepEqual(drawn.superSmoother, nanAsNull(y.subarray(-1)));
    assert.equal(await page.evaluate(() => window.tsfiltersDemo.barCount()), values.length);
  };
  const shapes = [
    ['a download with Date,Open,High,Low,Close,Adj Close,Volume: candles of the Close column', 'ohlc.csv',
      ['Date,Open,High,Low,Close,Adj Close,Volume', ...ohlc.map((r) => `${r.d},${r.o},${r.h},${r.l},${r.c},${r.a},1000`)].join('\n'), 'Candlestick'],
    ['columns in another order, quoted, with a BOM and CRLF', 'reordered.csv',
      '\uFEFF' + ['"Close","Volume","Date"', ...ohlc.map((r) => `"${r.c}","7","${r.d}"`)].join('\r\n') + '\r\n', 'Line'],
    ['intraday times', 'intraday.csv',
      ['time,close', ...ohlc.map((r, i) => `2026-03-0${1 + Math.floor(i / 100)} ${String(9 + Math.floor((i % 100) / 12)).padStart(2, '0')}:${String(((i % 100) % 12) * 5).padStart(2, '0')}:00,${r.c}`)].join('\n'), 'Line'],
    ['Unix seconds', 'seconds.csv', ['timestamp,price', ...ohlc.map((r, i) => `${1767225600 + 60 * i},${r.c}`)].join('\n'), 'Line'],
    ['Unix milliseconds', 'millis.csv', ['timestamp,price', ...ohlc.map((r, i) => `${(1767225600 + 60 * i) * 1000},${r.c}`)].join('\n'), 'Line'],
    ['; between fields and decimal commas', 'semicolons.csv',
      ['Date;Open;High;Low;Close', ...ohlc.map((r) => [r.d, r.o, r.h, r.l, r.c].map((v) => fixed(v).replace('.', ',')).join(';'))].join('\n'), 'Candlestick'],
    ['tabs between fields', 'tabs.tsv', ['Date\tClose', ...ohlc.map((r) => `${r.d}\t${r.c}`)].join('\n'), 'Line'],
    ['no header: date then close', 'bare.csv', ohlc.map((r) => `${r.d},${r.c}`).join('\n'), 'Line'],
  ];
  for (const [title, name, text, type] of shapes) {
    it(title, async () => {
      await pick(name, text);
      assert.doesNotMatch(await status(), /cannot|sorted|duplicate/);
      assert.equal(await page.evaluate(() => window.tsfiltersDemo.priceType), type);
      await checkDrawn(ohlc.map((r) => r.c), lastClose);
      assert.deepEqual(errors(), []);
    });
  }

  it('newest first, with a duplicate: sorted, reported, the later row kept', async () => {
    const rows = ohlc.map((r) => `${r.d},${r.o},${r.h},${r.l},${r.c}`).reverse();
    rows.splice(9, 0, `${ohlc[390].d},1,2,0.5,1.5`); // a superseded copy of a day, line 11, before the day's own row
    await pick('newest-first.csv', ['Date,Open,High,Low,Close', ...rows].join('\n'));
    assert.match(await status(), /sorted oldest first; 1 duplicate time \(kept the later row; dropped line 11\)/);
    await checkDrawn(ohlc.map((r) => r.c), lastClose);
  });

  it('Adj Close when asked', async () => {
    await page.check('#adjusted');
    await pick('adjusted.csv', ['Date,Open,High,Low,Close,Adj Close,Volume', ...ohlc.map((r) => `${r.d},${r.o},${r.h},${r.l},${r.c},${r.a},1000`)].join('\n'));
    await checkDrawn(ohlc.map((r) => r.a));
    await page.uncheck('#adjusted');
    await page.waitForFunction(() => window.tsfiltersDemo.priceType === 'Candlestick');
  });

  it('names the line it cannot read, and keeps the chart it had', async () => {
    const before = await page.evaluate(() => window.tsfiltersDemo.lastDrawn(1));
    for (const [text, message] of [
      ['date,close\n2024-01-02,71.5\n2024-01-03,7l.2\n', /bad\.csv: line 3: cannot read the close "7l\.2"/],
      ['date,close\n2024-01-02,71.5\n2024-02-30,71.2\n', /line 3: cannot read the date or time "2024-02-30"/],
      ['Date,Close\n2024-01-02,71,5\n', /line 2: 3 fields under a header of 2 \(decimal commas need ; or tab/],
      ['Date,Open,Volume\n2024-01-02,71.5,9\n', /line 1: no Close column/],
      ['', /the file is empty/],
      // Beyond binary32: refused by name before anything is drawn.
      ['date,close\n2024-01-02,71.5\n2024-01-03,1e39\n', /line 3: the close 1e39 is beyond the filters' single-precision range/],
      ['date,close\n2024-01-02,71.5\n2024-01-03,1.7976931348623157e308\n', /line 3: the close 1\.79.* is beyond/],
    ]) {
      await page.setInputFiles('#file', { name: 'bad.csv', mimeType: 'text/csv', buffer: Buffer.from(text) });
      await page.waitForFunction((m) => new RegExp(m).test(document.getElementById('status').textContent), message.source);
      assert.deepEqual(await page.evaluate(() => window.tsfiltersDemo.lastDrawn(1)), before);
    }
    // The chart kept is still whole: a replay runs over it.
    await page.evaluate(() => window.tsfiltersDemo.replay(0));
    assert.deepEqual(await page.evaluate(() => window.tsfiltersDemo.lastDrawn(1)), before);
    assert.deepEqual(errors(), []);
  });
});

it('stops a replay when a file is picked: the new file is drawn alone', async () => {
  const text = ['Date,Close', ...wti.slice(0, 500).map(([d, c]) => `${d},${c}`)].join('\n');
  await pick('wti-again.csv', ['Date,Close', ...wti.map(([d, c]) => `${d},${c}`)].join('\n'));
  await page.evaluate(() => { window.tsfiltersDemo.replay(5); });
  await page.waitForFunction(() => /replay: bar [2-9]/.test(document.getElementById('status').textContent));
  await pick('early.csv', text);
  await page.waitForFunction(() => !window.tsfiltersDemo.replaying);
  await new Promise((resolve) => setTimeout(resolve, 100)); // a replay tick would have drawn by now
  assert.match(await status(), /^early\.csv: 500 bars/);
  assert.equal(await page.evaluate(() => window.tsfiltersDemo.barCount()), 500);
  const values = Float32Array.from(wti.slice(0, 500), ([, c]) => c);
  const drawn = await page.evaluate(() => window.tsfiltersDemo.lastDrawn(500));
  assert.deepEqual(drawn.close, wti.slice(0, 500).map(([, c]) => c));
  // The page hides each filter's start-up values, as warmup: 'nan' does.
  for (const p of await plots()) assert.deepEqual(drawn[p.name], nanAsNull(tsf[p.name](values, { ...p.params, warmup: 'nan' })).filter((v) => v !== null), p.name);
  assert.deepEqual(errors(), []);
});

it('redraws at once when a parameter changes; fits all; follows the dark scheme', async () => {
  await pick('wti.csv', ['Date,Close', ...wti.map(([d, c]) => `${d},${c}`)].join('\n'));
  await page.fill('input[data-filter="superSmoother"][data-param="period"]', '30');
  const drawn = await page.evaluate(() => window.tsfiltersDemo.lastDrawn(3));
  assert.deepEqual(drawn.superSmoother, nanAsNull(tsf.superSmoother(closes(), { period: 30 }).subarray(-3)));
  await page.fill('input[data-filter="superSmoother"][data-param="period"]', '10');
  await page.click('#fit');
  // The chart library applies a new range at its next frame.
  await page.waitForFunction((n) => { const r = window.tsfiltersDemo.visibleRange(); return r.from <= 0.5 && r.to >= n - 1.5; }, wti.length);
  await page.emulateMedia({ colorScheme: 'dark' });
  await page.waitForFunction(() => window.tsfiltersDemo.background !== '#ffffff');
  assert.equal(await page.evaluate(() => getComputedStyle(document.body).backgroundColor), 'rgb(22, 26, 31)');
  await page.emulateMedia({ colorScheme: 'light' });
  await page.waitForFunction(() => window.tsfiltersDemo.background === '#ffffff');
  assert.deepEqual(errors(), []);
});

it('shows every series\' value under the crosshair; candles for the docs\' picture', async () => {
  // Weekly candles of the WTI days: first, highest, lowest and last close of each week.
  const weeks = new Map();
  for (const [d, c] of wti) {
    const t = Date.parse(d);
    const monday = new Date(t - ((new Date(t).getUTCDay() + 6) % 7) * 86400000).toISOString().slice(0, 10);
    const w = weeks.get(monday);
    if (w) Object.assign(w, { h: Math.max(w.h, c), l: Math.min(w.l, c), c });
    else weeks.set(monday, { o: c, h: c, l: c, c });
  }
  const rows = [...weeks].slice(-260).map(([d, w]) => `${d},${w.o},${w.h},${w.l},${w.c}`);
  await pick('wti-weekly.csv', ['Date,Open,High,Low,Close', ...rows].join('\n'));
  await page.click('#fit');
  const box = await page.locator('#chart').boundingBox();
  const legendAt = async (x) => {
    await page.mouse.move(box.x + x, box.y + box.height * 0.3);
    await page.waitForTimeout(50);
    return page.evaluate(() => Object.fromEntries([...document.querySelectorAll('#legend span')].map((s) => [s.dataset.series, s.textContent])));
  };
  const a = await legendAt(box.width * 0.3);
  const b = await legendAt(box.width * 0.6);
  assert.notEqual(a.superSmoother, b.superSmoother);
  assert.notEqual(a.close, b.close);
  assert.match(a.cyberneticOscillator, /^cyberneticOscillator -?\d/);
  await page.screenshot({ path: screenshot });
  assert.deepEqual(errors(), []);
});
