// Bundles the `tsfilters/lean` entry into generated/lean.js: src/lean.js
// and everything it imports, one ES module, with lean_module.js in place of
// default_module.js, so that the entry carries none of the embedded module
// (it loads generated/tsfilters.wasm, beside it, in init()). Not minified:
// an application's bundler minifies it with the rest.
//
//   node scripts/build_lean.mjs        (npm pack runs it; so does `make web`)
import { existsSync } from 'node:fs';

const here = (file) => new URL(`../${file}`, import.meta.url).pathname;
if (!existsSync(here('generated/tsfilters.wasm')) || !existsSync(here('generated/filter_table.js'))) {
  console.error('tsfilters: generated/tsfilters.wasm not built; run `make web` in the repository root first');
  process.exit(1);
}
let esbuild;
try {
  esbuild = await import('esbuild');
} catch {
  console.error('tsfilters: the lean entry is bundled with esbuild; run `npm ci` in js/ first');
  process.exit(1);
}

const leanModule = {
  name: 'lean-module',
  setup(build) {
    build.onResolve({ filter: /\/default_module\.js$/ }, () => ({ path: here('src/lean_module.js') }));
  },
};

await esbuild.build({
  entryPoints: [here('src/lean.js')],
  outfile: here('generated/lean.js'),
  bundle: true,
  format: 'esm',
  platform: 'neutral',
  target: 'es2022',
  plugins: [leanModule],
  banner: { js: '// Generated from src/ by scripts/build_lean.mjs: the tsfilters/lean entry.' },
  logLevel: 'warning',
});
