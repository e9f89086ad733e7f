// The lean entry in headless Chromium, from a served folder as a user
// would copy it there (js/generated/lean.js and tsfilters.wasm beside a
// module script): init() with its default URL compiles while streaming
// when the .wasm comes as application/wasm, reads it whole as another
// type, gives the bits of the default entry in Node, and fails with the
// browser's CompileError under a Content-Security-Policy without
// 'wasm-unsafe-eval'.
import assert from 'node:assert/strict';
import { copyFileSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { createServer } from 'node:http';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { dirname, extname, join } from 'node:path';
import { after, before, it } from 'node:test';
import { fileURLToPath, pathToFileURL } from 'node:url';

const here = dirname(fileURLToPath(import.meta.url));
const js = join(here, '../../../js');
const require = createRequire(join(js, 'package.json'));
const { chromium } = require('playwright-core');
const tsf = await import(pathToFileURL(join(js, 'src/index.js')));

const series = (n) => Float32Array.from({ length: n }, (_, i) => 100 + Math.sin(i / 7) * 5 + (i % 5) * 0.1);

// The page's script: counts streaming compiles, then loads the entry.
const main = `
let streamed = 0;
const compileStreaming = WebAssembly.compileStreaming;
WebAssembly.compileStreaming = (...args) => (++streamed, compileStreaming.apply(WebAssembly, args));
const lean = await import('./lean.js');
const x = (${series.toString()})(400);
try {
  await lean.init();
  const bits = {};
  for (const name of lean.filterNames) bits[name] = Array.from(new Uint32Array(lean[name](x).buffer));
  window.result = { bits, streamed, simd: lean.simdTarget() };
} catch (error) {
  window.result = { error: error.name + ': ' + error.message, streamed };
}
`;

// Each folder of the site: the .wasm's Content-Type, and the page's CSP.
const allow = "default-src 'self'; script-src 'self' 'wasm-unsafe-eval'";
const folders = {
  streaming: { wasm: 'application/wasm', csp: allow },
  octets: { wasm: 'application/octet-stream', csp: allow },
  blocked: { wasm: 'application/wasm', csp: "default-src 'self'; script-src 'self'" },
};

let site, server, origin, context, userDataDir;
const errors = [];

before(async () => {
  site = mkdtempSync(join(tmpdir(), 'tsfilters-lean-site-'));
  copyFileSync(join(js, 'generated/lean.js'), join(site, 'lean.js'));
  copyFileSync(join(js, 'generated/tsfilters.wasm'), join(site, 'tsfilters.wasm'));
  writeFileSync(join(site, 'main.js'), main);
  writeFileSync(join(site, 'index.html'), '<!doctype html><meta charset="utf-8"><script type="module" src="main.js"></script>\n');
  server = createServer((request, response) => {
    const [, folder, file] = new URL(request.url, 'http://x').pathname.split('/');
    const setting = folders[folder];
    if (setting === undefined || !['index.html', 'main.js', 'lean.js', 'tsfilters.wasm'].includes(file)) {
      response.writeHead(404).end();
      return;
    }
    const type = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': setting.wasm }[extname(file)];
    response.writeHead(200, { 'content-type': type, 'content-security-policy': setting.csp });
    response.end(readFileSync(join(site, file)));
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  origin = `http://127.0.0.1:${server.address().port}`;
  userDataDir = mkdtempSync(join(tmpdir(), 'tsfilters-chromium-'));
  context = await chromium.launchPersistentContext(userDataDir, {
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
  await context.route((url) => url.origin !== origin, (route) => {
    errors.push(`network request: ${route.request().url()}`);
    return route.abort();
  });
});

after(async () => {
  await context?.close();
  server?.close();
  rmSync(userDataDir, { recursive: true, force: true });
  rmSync(site, { recursive: true, force: true });
});

async function open(folder) {
  const page = await context.newPage();
  page.on('pageerror', (e) => errors.push(`page error: ${e.message}`));
  await page.goto(`${origin}/${folder}/index.html`);
  await page.waitForFunction(() => window.result !== undefined);
  const result = await page.evaluate(() => window.result);
  await page.close();
  return result;
}

function assertNodeBits(result) {
  assert.equal(result.error, undefined);
  assert.equal(result.simd, 'simd128');
  const x = series(400);
  for (const name of tsf.filterNames) {
    assert.deepEqual(result.bits[name], Array.from(new Uint32Array(tsf[name](x).buffer)), name);
  }
}

it('served as application/wasm: compiled while streaming, the bits of Node', async () => {
  const result = await open('streaming');
  assertNodeBits(result);
  assert.equal(result.streamed, 1);
  assert.deepEqual(errors, []);
});

it('served as another type: read whole, then compiled, the same bits', async () => {
  const result = await open('octets');
  assertNodeBits(result);
  assert.equal(result.streamed, 0);
  assert.deepEqual(errors, []);
});

it("a Content-Security-Policy without 'wasm-unsafe-eval': init() fails with the browser's CompileError", async () => {
  const result = await open('blocked');
  assert.match(result.error, /^CompileError: .*(Content Security Policy|unsafe-eval)/);
});
