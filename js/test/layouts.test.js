// tsf_lanes_update's other layouts in this module. The package passes
// row-major tables only, and the module keeps a vector kernel for that
// layout alone: every other one (one series per lane, one input for every
// lane, a strided output) runs the element-by-element kernel, which must
// give each lane exactly its single stream's bits and write nothing
// between the output's slots.
import assert from 'node:assert/strict';
import { describe, it } from 'node:test';
import * as tsf from '../src/index.js';
import { instance } from '../src/module.js';
import { assertSameBits, oddParams, priceWalk } from './support.js';

const STREAM_BYTES = 768;
const rows = 300; // past every warm-up and window, with many vector rows left
const SENTINEL = -12345.5;

// Lane j's parameters: each lane its own period.
function laneParams(name, j) {
  const p = { ...oddParams[name] };
  if ('smoothPeriod' in p) p.smoothPeriod += j % 3;
  else p.period += j % 3;
  return p;
}

// Runs `lanes` fresh streams of `name` through tsf_lanes_update in one call.
// input(j, t) and the strides say where the samples lie in a buffer of
// `inputFloats`; the outputs lie at t * ots + j * ols in one of
// `outputFloats`, prefilled with SENTINEL. Returns the output buffer.
function runLayout(name, lanes, inputFloats, input, its, ils, outputFloats, ots, ols) {
  const wasm = instance();
  const kind = tsf.filterNames.indexOf(name) + 1;
  const streams = wasm.malloc(STREAM_BYTES * lanes);
  const inAt = wasm.malloc(4 * inputFloats);
  const outAt = wasm.malloc(4 * outputFloats);
  try {
    for (let j = 0; j < lanes; ++j) {
      const p = laneParams(name, j);
      const view = new DataView(wasm.exports.memory.buffer);
      view.setInt32(wasm.scratch, p.highPassPeriod ?? p.period, true);
      view.setInt32(wasm.scratch + 4, p.smoothPeriod ?? 0, true);
      view.setFloat32(wasm.scratch + 8, p.gamma ?? 0, true);
      assert.equal(wasm.exports.tsf_stream_init(streams + j * STREAM_BYTES, kind, wasm.scratch), 0);
    }
    wasm.views();
    wasm.f32.set(input, inAt >>> 2);
    wasm.f32.fill(SENTINEL, outAt >>> 2, (outAt >>> 2) + outputFloats);
    const got = wasm.exports.tsf_lanes_update(streams, lanes, inAt, BigInt(its), BigInt(ils), rows,
      outAt, BigInt(ots), BigInt(ols));
    assert.equal(got, rows);
    wasm.views();
    return wasm.f32.slice(outAt >>> 2, (outAt >>> 2) + outputFloats);
  } finally {
    wasm.free(outAt);
    wasm.free(inAt);
    wasm.free(streams);
  }
}

// Lane j of the output at (t * ots + j * ols) against its own stream, and
// every slot no lane owns still the sentinel.
function checkLanes(name, lanes, series, output, ots, ols) {
  const owned = new Set();
  for (let j = 0; j < lanes; ++j) {
    const expected = new tsf.Stream(name, laneParams(name, j), { missing: 'keep' }).update(series(j));
    const got = Float32Array.from({ length: rows }, (_, t) => output[t * ots + j * ols]);
    assertSameBits(got, expected, `${name} lane ${j}`);
    for (let t = 0; t < rows; ++t) owned.add(t * ots + j * ols);
  }
  for (let i = 0; i < output.length; ++i) {
    if (!owned.has(i)) assert.equal(output[i], SENTINEL, `${name}: slot ${i} between the lanes was written`);
  }
}

describe('lanes in layouts other than row-major tables', () => {
  // 8 lanes fill whole groups of blocks; 11 leave blocks that run alone and
  // a last lane that no block takes.
  for (const lanes of [8, 11]) {
    const walks = Array.from({ length: lanes }, (_, j) => priceWalk(rows, 500 + j));
    for (const name of tsf.filterNames) {
      it(`${name}, ${lanes} lanes: one series per lane in and out (column-major)`, () => {
        const input = new Float32Array(rows * lanes);
        walks.forEach((w, j) => input.set(w, j * rows));
        const out = runLayout(name, lanes, input.length, input, 1, rows, rows * lanes, 1, rows);
        checkLanes(name, lanes, (j) => walks[j], out, 1, rows);
      });

      it(`${name}, ${lanes} lanes: one input for every lane, output every other slot of a row`, () => {
        const out = runLayout(name, lanes, rows, walks[0], 1, 0, rows * 2 * lanes, 2 * lanes, 2);
        checkLanes(name, lanes, () => walks[0], out, 2 * lanes, 2);
      });

      it(`${name}, ${lanes} lanes: a row-major input into a column-major output`, () => {
        const input = new Float32Array(rows * lanes);
        for (let t = 0; t < rows; ++t) for (let j = 0; j < lanes; ++j) input[t * lanes + j] = walks[j][t];
        const out = runLayout(name, lanes, input.length, input, lanes, 1, rows * lanes, 1, rows);
        checkLanes(name, lanes, (j) => walks[j], out, 1, rows);
      });
    }
  }
});
