// What the package costs a page: tsfilters.wasm, and an application that
// imports one function, bundled and minified by esbuild, from each entry
// (the default one carries the module as base64; the lean one fetches the
// .wasm beside it). gzip -9 sizes, as a server would send them.
//
//   node scripts/sizes.mjs --check     prints them; fails past the limits
import { readFileSync } from 'node:fs';
import { gzipSync } from 'node:zlib';

const here = (file) => new URL(`../${file}`, import.meta.url).pathname;
export const limits = { wasmGzip: 80 * 1024, leanBundleGzip: 15 * 1024, leanChartGzip: 25 * 1024 };

const gzip = (bytes) => gzipSync(bytes, { level: 9 }).length;

// An application of `code`, bundled for the browser as from the installed
// package (its exports map and sideEffects), the chart library left out.
async function bundle(code) {
  const { build } = await import('esbuild');
  const self = {
    name: 'self',
    setup(b) {
      b.onResolve({ filter: /^tsfilters(\/|$)/ }, async (args) => {
        const sub = args.path.slice('tsfilters'.length);
        const exports = JSON.parse(readFileSync(here('package.json'), 'utf8')).exports[`.${sub}`];
        const target = typeof exports === 'string' ? exports : exports.import?.default ?? exports.default;
        return { path: here(target), sideEffects: JSON.parse(readFileSync(here('package.json'), 'utf8')).sideEffects.includes(target) };
      });
    },
  };
  const result = await build({
    stdin: { contents: code, resolveDir: here('.'), loader: 'js' },
    bundle: true, minify: true, format: 'esm', platform: 'browser', target: 'es2022', write: false,
    external: ['lightweight-charts'], plugins: [self], logLevel: 'error',
  });
  return result.outputFiles[0].contents;
}

export async function sizes() {
  const wasm = readFileSync(here('generated/tsfilters.wasm'));
  const lean = await bundle("import { superSmoother } from 'tsfilters/lean';\nglobalThis.out = superSmoother;\n");
  const full = await bundle("import { superSmoother } from 'tsfilters';\nglobalThis.out = superSmoother;\n");
  const leanChart = await bundle("import { init } from 'tsfilters/lean';\n" +
    "import { attachFilter } from 'tsfilters/lightweight-charts';\nglobalThis.out = [init, attachFilter];\n");
  const names = await bundle("import { filterNames } from 'tsfilters';\nglobalThis.out = filterNames;\n");
  return {
    wasm: wasm.length, wasmGzip: gzip(wasm),
    leanBundle: lean.length, leanBundleGzip: gzip(lean),
    leanChart: leanChart.length, leanChartGzip: gzip(leanChart),
    defaultBundle: full.length, defaultBundleGzip: gzip(full),
    namesBundle: names.length, namesBundleGzip: gzip(names),
  };
}

const kb = (n) => `${(n / 1024).toFixed(1)} KB`;

export function describeSizes(s) {
  return [
    `tsfilters.wasm: ${kb(s.wasm)}, ${kb(s.wasmGzip)} gzip (limit ${kb(limits.wasmGzip)})`,
    `one function from tsfilters/lean, bundled: ${kb(s.leanBundle)}, ${kb(s.leanBundleGzip)} gzip ` +
      `(limit ${kb(limits.leanBundleGzip)}), plus the .wasm`,
    `tsfilters/lean with tsfilters/lightweight-charts (the chart library aside), bundled: ${kb(s.leanChart)}, ` +
      `${kb(s.leanChartGzip)} gzip (limit ${kb(limits.leanChartGzip)}), plus the .wasm`,
    `one function from tsfilters (module embedded), bundled: ${kb(s.defaultBundle)}, ${kb(s.defaultBundleGzip)} gzip`,
    `filterNames alone from tsfilters, bundled: ${kb(s.namesBundle)}, ${kb(s.namesBundleGzip)} gzip`,
  ].join('\n');
}

if (process.argv[1] === new URL(import.meta.url).pathname) {
  const s = await sizes();
  console.log(describeSizes(s));
  if (process.argv.includes('--check')) {
    const over = Object.keys(limits).filter((k) => s[k] > limits[k]);
    if (over.length > 0) {
      console.error(`FAIL: over the limit: ${over.join(', ')}`);
      process.exit(1);
    }
  }
}
