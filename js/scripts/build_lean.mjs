// Bundles the `tsfilters/lean` entry into generated/lean.js: src/lean.js
// and everything it imports, one ES module for a page without a bundler:
// it carries none of the embedded module and loads tsfilters.wasm from
// beside itself in init(). Not minified. Packages go through src/lean.js
// instead (the package's `tsfilters/lean`), which shares its API and
// module with tsfilters/lightweight-charts.
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

// init() finds the package's tsfilters.wasm at ../generated/ from src/; the
// one file has it beside itself.
const besideItself = {
  name: 'wasm-beside',
  setup(build) {
    build.onLoad({ filter: /\/src\/init\.js$/ }, async (args) => {
      const { readFile } = await import('node:fs/promises');
      const text = await readFile(args.path, 'utf8');
      const literal = "new URL('../generated/tsfilters.wasm', import.meta.url)";
      if (!text.includes(literal)) throw new Error(`${args.path} no longer has ${literal}`);
      return { contents: text.replace(literal, "new URL('./tsfilters.wasm', import.meta.url)"), loader: 'js' };
    });
  },
};

await esbuild.build({
  entryPoints: [here('src/lean.js')],
  outfile: here('generated/lean.js'),
  bundle: true,
  format: 'esm',
  platform: 'neutral',
  target: 'es2022',
  plugins: [besideItself],
  banner: { js: '// Generated from src/ by scripts/build_lean.mjs: the tsfilters/lean entry.' },
  logLevel: 'warning',
});
