// `npm pack` and `npm publish` run this first: the package needs the
// WebAssembly module and the filter table that the repository's build
// writes into generated/. Without them the tarball would install and then
// fail on import, so packing stops here with the one command that makes
// them.
import { existsSync } from 'node:fs';

const needed = ['generated/tsfilters_wasm.js', 'generated/filter_table.js'];
const missing = needed.filter((file) => !existsSync(new URL(`../${file}`, import.meta.url)));
if (missing.length > 0) {
  console.error(`tsfilters: ${missing.join(' and ')} not built; run \`make web\` in the repository root, then pack again`);
  process.exit(1);
}
