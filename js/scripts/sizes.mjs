// What the package costs a page: tsfilters.wasm, and an application that
// imports one function, bundled and minified by esbuild, from each entry
// (the default one carries the module as base64; the lean one fetches the
// .wasm beside it). gzip -9 sizes, as a server would send them.
//
//   node scripts/sizes.mjs --check     prints them; fails past the limits
import { readFileSync } from 'node:fs';
import { gzipSync } from 'node:zlib';

const here = (file) => new URL(`../${file}`, import.meta.url).pathname;
export const limits = { wasmGzip: 80 * 1024, leanBundleGzip: 15 * 1024 };

const gzip = (bytes) => gzipSync(bytes, { level: 9 }).length;

// An application of one import from `entry`, bundled for the browser.
async function bundle(entry) {
  const { build } = await import('esbuild');
  const result = await build({
    stdin: { contents: `import { superSmoother } from '${here(entry)}';\nglobalThis.out = superSmoother;\n`,
      resolveDir: here('.'), loader: 'js' },
    bundle: true, minify: true, format: 'esm', platform: 'browser', target: 'es2022', write: false,
    logLevel: 'error',
  });
  return result.outputFiles[0].contents;
}

export async function sizes() {
  const wasm = readFileSync(here('generated/tsfilters.wasm'));
  const lean = await bundle('generated/lean.js');
  const full = await bundle('src/index.js');
  return {
    wasm: wasm.length, wasmGzip: gzip(wasm),
    leanBundle: lean.length, leanBundleGzip: gzip(lean),
    defaultBundle: full.length, defaultBundleGzip: gzip(full),
  };
}

const kb = (n) => `${(n / 1024).toFixed(1)} KB`;

export function describeSizes(s) {
  return [
    `tsfilters.wasm: ${kb(s.wasm)}, ${kb(s.wasmGzip)} gzip (limit ${kb(limits.wasmGzip)})`,
    `one function from tsfilters/lean, bundled: ${kb(s.leanBundle)}, ${kb(s.leanBundleGzip)} gzip ` +
      `(limit ${kb(limits.leanBundleGzip)}), plus the .wasm`,
    `one function from tsfilters (module embedded), bundled: ${kb(s.defaultBundle)}, ${kb(s.defaultBundleGzip)} gzip`,
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
