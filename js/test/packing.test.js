// `npm pack` from a clone that has not run `make web`: packing must stop
// with the command to run, not write a tarball without the module.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { copyFileSync, mkdirSync, mkdtempSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { it } from 'node:test';
import { fileURLToPath } from 'node:url';

const prepack = fileURLToPath(new URL('../scripts/prepack.mjs', import.meta.url));

function runPrepack(generated) {
  const clone = mkdtempSync(join(tmpdir(), 'tsfilters-pack-'));
  mkdirSync(join(clone, 'scripts'));
  mkdirSync(join(clone, 'generated'));
  copyFileSync(prepack, join(clone, 'scripts', 'prepack.mjs'));
  for (const file of generated) writeFileSync(join(clone, 'generated', file), '');
  return spawnSync(process.execPath, [join(clone, 'scripts', 'prepack.mjs')], { encoding: 'utf8' });
}

it('prepack stops a clone without the generated module, naming make web', () => {
  for (const generated of [[], ['filter_table.js']]) {
    const run = runPrepack(generated);
    assert.equal(run.status, 1);
    assert.match(run.stderr, /tsfilters_wasm\.js.*not built; run `make web`/);
    assert.equal(run.stderr.trim().split('\n').length, 1);
  }
  // The lean entry's tsfilters.wasm is needed too.
  const noWasm = runPrepack(['filter_table.js', 'tsfilters_wasm.js']);
  assert.equal(noWasm.status, 1);
  assert.match(noWasm.stderr, /^tsfilters: generated\/tsfilters\.wasm not built; run `make web`/);
  // With all of them, it goes on to the CommonJS entry, which needs the
  // development tools (this scratch clone has none).
  const built = runPrepack(['filter_table.js', 'tsfilters_wasm.js', 'tsfilters.wasm']);
  assert.doesNotMatch(built.stderr, /make web/);
  assert.match(built.stderr, /esbuild; run `npm ci`/);
});
