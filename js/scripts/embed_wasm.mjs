// Writes the WebAssembly module into a JavaScript module as base64, so that
// the package loads the same way everywhere: in Node, from a bundle, and in
// a page opened from file://, where a browser fetches no file beside it.
//
//   node embed_wasm.mjs MODULE.wasm OUTPUT.js
import { readFileSync, writeFileSync, mkdirSync } from 'node:fs';
import { dirname } from 'node:path';

const [source, target] = process.argv.slice(2);
const bytes = readFileSync(source);
mkdirSync(dirname(target), { recursive: true });
writeFileSync(target, `// Generated from ${bytes.length} bytes of tsfilters.wasm by scripts/embed_wasm.mjs.\n` +
  `export const wasmBase64 =\n  '${bytes.toString('base64')}';\n`);
