// The lean entry (generated/lean.js, bundled by scripts/build_lean.mjs):
// nothing computes before init(); init() takes tsfilters.wasm in every form
// it promises, refuses others with a TypeError that says what it got, and
// then every call gives the default entry's bits.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { createServer } from 'node:http';
import { after, before, describe, it } from 'node:test';
import * as full from '../src/index.js';
import { assertSameBits, oddParams, priceWalk } from './support.js';

const leanUrl = new URL('../generated/lean.js', import.meta.url);
const wasmUrl = new URL('../generated/tsfilters.wasm', import.meta.url);
const wasmBytes = readFileSync(wasmUrl);

// A module instance of its own for each test (a query string makes a new
// one), so that each starts before init().
let fresh = 0;
const freshLean = () => import(`${leanUrl.href}?${++fresh}`);

// tsfilters.wasm over HTTP, with the type the path names.
let server, origin;
before(async () => {
  server = createServer((request, response) => {
    const type = { '/wasm': 'application/wasm', '/octets': 'application/octet-stream' }[request.url];
    if (type === undefined) return response.writeHead(404).end();
    response.writeHead(200, { 'content-type': type }).end(wasmBytes);
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  origin = `http://127.0.0.1:${server.address().port}`;
});
after(() => server.close());

const prices = priceWalk(400, 77);

// Every filter's batch call, a stream with a peek and a save, and lanes:
// the same bits as the default entry.
function assertSameAsDefault(lean) {
  for (const name of full.filterNames) {
    assertSameBits(lean[name](prices, oddParams[name]), full[name](prices, oddParams[name]), name);
  }
  const a = new lean.Stream('laguerreOscillator', oddParams.laguerreOscillator);
  const b = new full.Stream('laguerreOscillator', oddParams.laguerreOscillator);
  assertSameBits(a.update(prices), b.update(prices));
  assert.equal(a.peek(101.5), b.peek(101.5));
  assert.deepEqual(a.save(), b.save());
  // A state saved by one entry continues in the other.
  assert.equal(full.Stream.load(a.save()).update(99), lean.Stream.load(b.save()).update(99));
  const rows = new lean.Streams('bandPass', oddParams.bandPass, 4).update(prices);
  assertSameBits(rows, new full.Streams('bandPass', oddParams.bandPass, 4).update(prices));
}

describe('tsfilters/lean before init()', () => {
  it('every call that computes throws, naming init(); the rest works', async () => {
    const lean = await freshLean();
    const notLoaded = { message: /not loaded yet; call `await init\(\)`/ };
    assert.throws(() => lean.superSmoother(prices), notLoaded);
    assert.throws(() => new lean.Stream('highPass'), notLoaded);
    assert.throws(() => new lean.Streams('highPass', {}, 3), notLoaded);
    assert.throws(() => lean.settlingLength('laguerreFilter'), notLoaded);
    assert.throws(() => lean.simdTarget(), notLoaded);
    // Arguments are still checked first, and the tables need no module.
    assert.throws(() => lean.superSmoother('prices'), TypeError);
    assert.deepEqual(lean.filterNames, full.filterNames);
    assert.equal(lean.precisionLimit('superSmoother'), full.precisionLimit('superSmoother'));
    await lean.init();
    assertSameBits(lean.superSmoother(prices), full.superSmoother(prices));
  });
});

describe('tsfilters/lean init() sources', () => {
  const sources = {
    'nothing: tsfilters.wasm beside the entry (a file: URL, read)': () => undefined,
    'a file: URL': () => wasmUrl,
    'a string URL': () => wasmUrl.href,
    'an http URL served as application/wasm (streaming)': () => new URL('/wasm', origin),
    'an http URL served as application/octet-stream (read whole)': () => `${origin}/octets`,
    'a Response': () => new Response(wasmBytes, { headers: { 'content-type': 'application/wasm' } }),
    'a Promise of a Response (fetch)': () => fetch(`${origin}/wasm`),
    'a Promise of a URL': () => Promise.resolve(wasmUrl),
    'an ArrayBuffer': () => wasmBytes.buffer.slice(wasmBytes.byteOffset, wasmBytes.byteOffset + wasmBytes.length),
    'a Uint8Array in the middle of a larger buffer': () => {
      const padded = new Uint8Array(wasmBytes.length + 24).fill(0xee);
      padded.set(wasmBytes, 16);
      return padded.subarray(16, 16 + wasmBytes.length);
    },
    'a DataView': () => new DataView(new Uint8Array(wasmBytes).buffer),
    'a WebAssembly.Module': () => new WebAssembly.Module(wasmBytes),
  };
  for (const [form, source] of Object.entries(sources)) {
    it(form, async () => {
      const lean = await freshLean();
      assert.equal(await lean.init(source()), undefined);
      assertSameAsDefault(lean);
    });
  }
});

describe('tsfilters/lean init() twice and after failures', () => {
  it('a second call, even with a bad source, resolves at once and loads nothing', async () => {
    const lean = await freshLean();
    await lean.init();
    const s = new lean.Stream('superSmoother');
    s.update(prices);
    await lean.init(42);
    await lean.init(new Uint8Array([1, 2, 3]));
    assert.equal(s.samples, prices.length); // the same instance: the stream lives on
    assertSameAsDefault(lean);
  });

  it('a call made while another loads waits for it, and loads nothing once it has succeeded', async () => {
    const lean = await freshLean();
    const first = lean.init();
    const second = lean.init('not a URL outside a page: never read, since the first load succeeds');
    assert.equal(await second, undefined);
    await first;
    assertSameAsDefault(lean);
  });

  // Each source made when its test runs (after the server is up).
  const bad = {
    'a number': [() => 42, /got number 42/],
    'null': [() => null, /got null/],
    'a plain object': [() => ({ href: 'tsfilters.wasm' }), /got an Object/],
    'an array of bytes': [() => [0, 97, 115, 109], /got an Array/],
    'a Promise of a Promise of a number': [() => Promise.resolve(Promise.resolve(7)), /got number 7/],
    'a relative string outside a page': [() => 'tsfilters.wasm', /'tsfilters.wasm' is not a URL/],
    'bytes that are no WebAssembly module': [() => new Uint8Array(16).fill(7), /not a WebAssembly module \(it does not start/],
    'a detached ArrayBuffer': [() => {
      const buffer = new Uint8Array(wasmBytes).buffer;
      structuredClone(buffer, { transfer: [buffer] });
      return buffer;
    }, /not a WebAssembly module \(0 bytes\)/],
    // The engine's own error past the first bytes.
    'a truncated module': [() => wasmBytes.subarray(0, 1000), /^WebAssembly\.compile\(\)/, WebAssembly.CompileError],
    'a WebAssembly module that is not tsfilters.wasm': [() => new Uint8Array([0, 97, 115, 109, 1, 0, 0, 0]),
      /not this version's tsfilters\.wasm \(it lacks memory, _initialize/],
    'a missing file': [() => new URL('./no-such.wasm', wasmUrl), /cannot read .*no-such\.wasm/],
    'an HTTP 404': [() => `${origin}/missing`, /answered HTTP 404/],
    'a Response whose body was read': [() => {
      const r = new Response(wasmBytes);
      r.arrayBuffer();
      return r;
    }, /already read/],
    'a Response of HTML, as a misconfigured server sends': [
      () => new Response('<!doctype html>', { headers: { 'content-type': 'text/html' } }), /not a WebAssembly module/],
  };
  for (const [what, [source, message, kind = TypeError]] of Object.entries(bad)) {
    it(`${what}: a ${kind.name}, then a good source still loads`, async () => {
      const lean = await freshLean();
      await assert.rejects(lean.init(source()), (error) => error instanceof kind && message.test(error.message));
      assert.throws(() => lean.highPass(prices), /not loaded yet/);
      await lean.init(wasmBytes);
      assertSameAsDefault(lean);
    });
  }
});
