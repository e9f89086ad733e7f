// The server entry of the Vite SSR build: the filter computed on the server,
// its values put into the page as JSON. The .wasm is read from the installed
// package by its path (a server build need not copy it anywhere).
import { createRequire } from 'node:module';
import { init, superSmoother } from 'tsfilters/lean';
import { closes } from './closes.js';

export async function render() {
  await init(createRequire(import.meta.url).resolve('tsfilters/tsfilters.wasm'));
  const values = Array.from(superSmoother(closes, { period: 10 }), (v) => (Number.isNaN(v) ? null : v));
  return `<script type="application/json" id="ssr">${JSON.stringify(values)}</script>`;
}
