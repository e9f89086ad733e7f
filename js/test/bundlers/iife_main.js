// esbuild IIFE: no import.meta.url, so init() without a source says what to
// pass; the page then passes the .wasm's URL, copied beside the bundle.
import { init } from 'tsfilters/lean';
import { draw } from './app.js';
(async () => {
  let refused = null;
  try {
    await init();
  } catch (error) {
    refused = error.message;
  }
  await draw('tsfilters.wasm');
  window.result.refused = refused;
})().catch((error) => { window.result = { error: String(error) }; });
