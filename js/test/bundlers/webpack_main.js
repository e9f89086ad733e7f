// webpack: init() finds tsfilters.wasm, which webpack emits as an asset.
import { draw } from './app.js';
await draw();
