// Vite: init() finds tsfilters.wasm, which Vite copies into the build.
import { draw } from './app.js';
await draw();
