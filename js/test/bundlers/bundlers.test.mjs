// The packed package as web applications build it: the tarball of `npm
// pack` installed into a folder outside the tree, beside the chart library,
// and one application (tsfilters/lean with tsfilters/lightweight-charts)
// built by Vite for the client and for server rendering, by webpack and by
// esbuild as an IIFE. Each page is loaded in headless Chromium and must
// draw the batch call's bits; the server's render must give them too. The
// bundlers are the package's own development tools, installed once.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { copyFileSync, cpSync, mkdtempSync, readFileSync, readdirSync, rmSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { after, before, it } from 'node:test';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { launchOffline, serve } from '../browser/chromium.mjs';

const here = dirname(fileURLToPath(import.meta.url));
const js = join(here, '../..');
const tools = createRequire(join(js, 'package.json'));
const tsf = await import(pathToFileURL(join(js, 'src/index.js')));
const { closes } = await import(pathToFileURL(join(here, 'closes.js')));
const expected = Array.from(tsf.superSmoother(closes, { period: 10 }), (v) => (Number.isNaN(v) ? null : v));

let work, app;
before(() => {
  work = mkdtempSync(join(tmpdir(), 'tsfilters-bundlers-'));
  const status = () => execFileSync('git', ['status', '--porcelain', '--untracked-files=all', '--', '.'], { cwd: js, encoding: 'utf8' });
  const clean = status();
  const tarball = execFileSync('npm', ['pack', '--silent', '--pack-destination', work], { cwd: js, encoding: 'utf8' }).trim();
  assert.equal(status(), clean, 'npm pack left the tree as it was');
  app = join(work, 'app');
  cpSync(here, app, { recursive: true, filter: (f) => !f.endsWith('.test.mjs') });
  writeFileSync(join(app, 'package.json'), '{ "name": "app", "private": true, "type": "module" }\n');
  const npm = (...args) => execFileSync('npm', ['install', '--silent', '--no-audit', '--no-fund', '--no-save', ...args], { cwd: app });
  npm(join(work, tarball), join(js, 'node_modules/lightweight-charts'));
});
after(() => {
  if (work !== undefined) rmSync(work, { recursive: true, force: true });
});

// Loads `folder`'s index.html in Chromium, served, every other request
// refused, and returns window.result with the page's errors.
async function load(folder) {
  const site = await serve(folder);
  const browser = await launchOffline({ allowed: site.origin });
  try {
    await browser.page.goto(`${site.origin}/index.html`);
    await browser.page.waitForFunction(() => window.result !== undefined, null, { timeout: 30000 });
    return { ...await browser.page.evaluate(() => window.result), errors: browser.errors };
  } finally {
    await browser.close();
    site.close();
  }
}

const wasmFiles = (folder) => readdirSync(folder, { recursive: true }).filter((f) => String(f).endsWith('.wasm'));

it('Vite: the client build and a server-rendered page draw the batch call\'s bits', async () => {
  const { build } = await import(pathToFileURL(tools.resolve('vite')));
  await build({ root: app, logLevel: 'warn', build: { outDir: join(work, 'vite'), emptyOutDir: true } });
  assert.equal(wasmFiles(join(work, 'vite')).length, 1, 'Vite copied tsfilters.wasm into the build, once');
  for (const noExternal of [false, true]) {
    const out = join(app, `dist-ssr-${noExternal}`); // beside node_modules, as a server runs it
    await build({ root: app, logLevel: 'warn', ssr: noExternal ? { noExternal: true } : {},
      build: { ssr: join(app, 'server.js'), outDir: out, emptyOutDir: true } });
    const { render } = await import(pathToFileURL(join(out, 'server.js')));
    const page = readFileSync(join(work, 'vite/index.html'), 'utf8').replace('<!--ssr-->', await render());
    writeFileSync(join(work, 'vite/index.html'), page);
    const result = await load(join(work, 'vite'));
    assert.deepEqual(result.errors, []);
    assert.deepEqual(result.server, expected, `the server's render (noExternal ${noExternal})`);
    assert.deepEqual(result.drawn, expected.filter((v) => v !== null), 'the line drawn in the client');
    writeFileSync(join(work, 'vite/index.html'), page.replace(/<script type="application\/json" id="ssr">.*?<\/script>/, '<!--ssr-->'));
  }
});

it('webpack: one module, no warnings, the batch call\'s bits', async () => {
  const webpack = tools('webpack');
  const out = join(work, 'webpack');
  const stats = await new Promise((done, fail) => webpack({
    mode: 'production', context: app, entry: './webpack_main.js',
    output: { path: out, filename: 'main.js' }, performance: { hints: false },
  }, (error, s) => (error ? fail(error) : done(s))));
  const info = stats.toJson({ all: false, errors: true, warnings: true });
  assert.deepEqual(info.errors.map((e) => e.message), []);
  assert.deepEqual(info.warnings.map((e) => e.message), []);
  assert.equal(wasmFiles(out).length, 1, 'webpack emitted tsfilters.wasm, once');
  writeFileSync(join(out, 'index.html'), '<!doctype html><meta charset="utf-8"><div id="chart"></div><script src="main.js"></script>\n');
  const result = await load(out);
  assert.deepEqual(result.errors, []);
  assert.deepEqual(result.drawn, expected.filter((v) => v !== null));
});

it('esbuild IIFE: init() without a source says what to pass; with the .wasm\'s URL, the batch call\'s bits', async () => {
  const { build } = tools('esbuild');
  const out = join(work, 'iife');
  await build({ entryPoints: [join(app, 'iife_main.js')], bundle: true, format: 'iife', platform: 'browser',
    target: 'es2022', minify: true, outfile: join(out, 'app.js'), logLevel: 'error', absWorkingDir: app });
  copyFileSync(join(app, 'node_modules/tsfilters/generated/tsfilters.wasm'), join(out, 'tsfilters.wasm'));
  writeFileSync(join(out, 'index.html'), '<!doctype html><meta charset="utf-8"><div id="chart"></div><script src="app.js"></script>\n');
  const result = await load(out);
  assert.deepEqual(result.errors, []);
  assert.equal(result.error, undefined);
  assert.match(result.refused, /no import\.meta\.url .*pass init\(\) its URL/);
  assert.deepEqual(result.drawn, expected.filter((v) => v !== null));
});
