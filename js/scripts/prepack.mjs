// `npm pack` and `npm publish` run this first. The package needs the
// WebAssembly module and the filter table that the repository's build
// writes into generated/: without them the tarball would install and then
// fail on import, so packing stops here with the one command that makes
// them. Then it writes the CommonJS entry, generated/index.cjs, for
// `require('tsfilters')` on every Node the package supports (Node before
// 22 cannot require an ES module): the same sources bundled by esbuild,
// and its types, the ES entry's declarations as generated/index.d.cts;
// and the lean entry, generated/lean.js (scripts/build_lean.mjs).
import { copyFileSync, existsSync } from 'node:fs';

const here = (file) => new URL(`../${file}`, import.meta.url);
const needed = ['generated/tsfilters_wasm.js', 'generated/tsfilters.wasm', 'generated/filter_table.js'];
const missing = needed.filter((file) => !existsSync(here(file)));
if (missing.length > 0) {
  console.error(`tsfilters: ${missing.join(' and ')} not built; run \`make web\` in the repository root, then pack again`);
  process.exit(1);
}

let esbuild;
try {
  esbuild = await import('esbuild');
} catch {
  console.error('tsfilters: the CommonJS entry is built with esbuild; run `npm ci` in js/, then pack again');
  process.exit(1);
}
await esbuild.build({
  entryPoints: [here('src/index.js').pathname],
  outfile: here('generated/index.cjs').pathname,
  bundle: true,
  format: 'cjs',
  platform: 'neutral',
  target: 'es2022',
  logLevel: 'warning',
});
copyFileSync(here('src/index.d.ts'), here('generated/index.d.cts'));
// The lean entry, generated/lean.js, beside generated/tsfilters.wasm.
await import('./build_lean.mjs');
