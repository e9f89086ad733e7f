// The chart page in headless Chromium (Debian's, driven by playwright-core;
// no browser is downloaded), opened from file:// with every network request
// refused: it loads, draws the native library's values, and a replay of the
// last 300 bars through peek() and update() ends on the batch call's values.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { existsSync, mkdtempSync, readFileSync, rmSync, statSync } from 'node:fs';
import { createServer } from 'node:http';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { dirname, extname, join } from 'node:path';
import { after, before, it } from 'node:test';
import { fileURLToPath, pathToFileURL } from 'node:url';

const here = dirname(fileURLToPath(import.meta.url));
const root = join(here, '../../..');
const require = createRequire(join(root, 'js/package.json'));
const { chromium } = require('playwright-core');
const tsf = await import(pathToFileURL(join(root, 'js/src/index.js')));

const csvPath = join(root, 'data/wti_daily.csv');
// The picture in docs/web-chart.png is one of these.
const screenshot = process.env.TSFILTERS_SCREENSHOT ?? join(root, 'build/web-chart.png');
const nativeTree = process.env.TSFILTERS_NATIVE_TREE;

let context, page, userDataDir, server, serverOrigin;
const errors = [];

// A local static server of the page's folder, as a user might run one.
function serve(folder) {
  const types = { '.html': 'text/html', '.js': 'text/javascript', '.txt': 'text/plain' };
  return createServer((request, response) => {
    const path = join(folder, new URL(request.url, 'http://x').pathname);
    if (!path.startsWith(folder) || !existsSync(path) || !statSync(path).isFile()) {
      response.writeHead(404).end();
      return;
    }
    response.writeHead(200, { 'content-type': types[extname(path)] ?? 'application/octet-stream' });
    response.end(readFileSync(path));
  });
}

before(async () => {
  server = serve(join(here, '..'));
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  serverOrigin = `http://127.0.0.1:${server.address().port}`;
  userDataDir = mkdtempSync(join(tmpdir(), 'tsfilters-chromium-'));
  context = await chromium.launchPersistentContext(userDataDir, {
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
    viewport: { width: 1280, height: 800 },
    offline: true,
  });
  // Offline: anything but the page's own files is refused.
  await context.route((url) => url.protocol !== 'file:' && url.origin !== serverOrigin, (route) => {
    errors.push(`network request: ${route.request().url()}`);
    return route.abort();
  });
  page = context.pages()[0] ?? await context.newPage();
  page.on('pageerror', (e) => errors.push(`page error: ${e.message}`));
  page.on('console', (m) => m.type() === 'error' && errors.push(`console: ${m.text()}`));
  await page.goto(pathToFileURL(join(here, '../index.html')).href);
  await page.waitForFunction(() => window.tsfiltersDemo && /bars,/.test(document.getElementById('status').textContent));
});

after(async () => {
  await context?.close();
  server?.close();
  rmSync(userDataDir, { recursive: true, force: true });
});

const closes = () => {
  const rows = readFileSync(csvPath, 'utf8').trim().split('\n').slice(1);
  return Float32Array.from(rows, (r) => Number(r.split(',')[1]));
};
const plots = () => page.evaluate(() => window.tsfiltersDemo.plots);
const nanAsNull = (values) => Array.from(values, (v) => (Number.isNaN(v) ? null : v));

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
  assert.deepEqual(drawn.close, Array.from(closes().subarray(-5)));
  assert.deepEqual(errors, []);
});

it('replays 300 bars through peek and update, ending on the batch call', async () => {
  await page.evaluate(() => window.tsfiltersDemo.replay(0));
  const drawn = await page.evaluate(() => window.tsfiltersDemo.lastDrawn(300));
  for (const p of await plots()) {
    assert.deepEqual(drawn[p.name], nanAsNull(tsf[p.name](closes(), p.params).subarray(-300)), p.name);
  }
  assert.match(await page.textContent('#status'), /replayed 300 bars/);
  await page.screenshot({ path: screenshot });
  assert.deepEqual(errors, []);
});

it('loads from a local static server too', async () => {
  await context.setOffline(false); // the server is on this machine; the route still refuses the rest
  const served = await context.newPage();
  served.on('pageerror', (e) => errors.push(`page error: ${e.message}`));
  await served.goto(`${serverOrigin}/index.html`);
  await served.waitForFunction(() => /bars,/.test(document.getElementById('status').textContent));
  const drawn = await served.evaluate(() => window.tsfiltersDemo.lastDrawn(3));
  for (const p of await plots()) assert.deepEqual(drawn[p.name], nanAsNull(tsf[p.name](closes(), p.params).subarray(-3)), p.name);
  await served.close();
  await context.setOffline(true);
  assert.deepEqual(errors, []);
});

it('draws a CSV chosen with the file picker', async () => {
  const other = join(root, 'data/henry_hub_daily.csv');
  await page.setInputFiles('#file', other);
  await page.waitForFunction(() => /^\d+ bars, 1997/.test(document.getElementById('status').textContent));
  const rows = readFileSync(other, 'utf8').trim().split('\n').slice(1).filter((r) => r.split(',')[1]?.trim());
  const values = Float32Array.from(rows, (r) => Number(r.split(',')[1]));
  const drawn = await page.evaluate(() => window.tsfiltersDemo.lastDrawn(3));
  for (const p of await plots()) assert.deepEqual(drawn[p.name], nanAsNull(tsf[p.name](values, p.params).subarray(-3)), p.name);
  assert.deepEqual(errors, []);
});
