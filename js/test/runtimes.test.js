// Runtimes that guard the environment: a package that only computes must
// not need permission to read it. Each case runs in a fresh Node process
// that first makes the global look like that runtime.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { describe, it } from 'node:test';
import { fileURLToPath } from 'node:url';

const index = fileURLToPath(new URL('../src/index.js', import.meta.url));

// Sets up the runtime, imports the package, filters a short series and
// prints the lanes' instruction set.
function runAs(setup) {
  const script = `${setup}
    const tsf = await import(${JSON.stringify(index)});
    const y = tsf.superSmoother(Float32Array.from({ length: 50 }, (_, i) => 100 + i), { period: 10 });
    const s = new tsf.Streams('highPass', {}, 4);
    s.update(new Float32Array(8).fill(1));
    console.log(Number.isFinite(y[49]) ? tsf.simdTarget() : 'no value');`;
  const run = spawnSync(process.execPath, ['--input-type=module', '-e', script], {
    encoding: 'utf8',
    env: { ...process.env, TSFILTERS_SIMD: 'scalar' },
  });
  assert.equal(run.status, 0, run.stderr);
  return run.stdout.trim();
}

// What Deno does without --allow-env: reading the variable throws.
const guarded = `
  process.env = new Proxy(process.env, { get(target, name) {
    if (name === 'TSFILTERS_SIMD') throw new Error('NotCapable: Requires env access to "TSFILTERS_SIMD"');
    return target[name];
  } });`;

describe('the environment', () => {
  it('Deno without env permission: computes, without reading or asking', () => {
    assert.equal(runAs(`${guarded}
      globalThis.Deno = { permissions: { querySync: () => ({ state: 'prompt' }) } };`), 'simd128');
  });

  it('Deno with env permission granted: TSFILTERS_SIMD is read', () => {
    assert.equal(runAs(`globalThis.Deno = { permissions: { querySync: ({ variable }) =>
      ({ state: variable === 'TSFILTERS_SIMD' ? 'granted' : 'denied' }) } };`), 'scalar');
  });

  it('a runtime whose process.env throws: computes with the default', () => {
    assert.equal(runAs(guarded), 'simd128');
  });

  it('Node: TSFILTERS_SIMD is read', () => {
    assert.equal(runAs(''), 'scalar');
  });
});
