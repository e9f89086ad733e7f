// Bundles the page into generated/app.js: the chart code, the charting
// library, the tsfilters package (with its WebAssembly inside) and the
// default CSV, one classic script that works offline and from file://.
// Copies the charting library's licence notices beside it.
import { mkdirSync, readFileSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';

const here = dirname(fileURLToPath(import.meta.url));
const js = join(here, '../../js');
// The tools come from the npm package's development dependencies.
const require = createRequire(join(js, 'package.json'));
const { build } = require('esbuild');
mkdirSync(join(here, 'generated'), { recursive: true });

await build({
  entryPoints: [join(here, 'app.js')],
  bundle: true,
  format: 'iife',
  target: 'es2022',
  minify: true,
  legalComments: 'eof',
  outfile: join(here, 'generated/app.js'),
  nodePaths: [join(js, 'node_modules')],
  loader: { '.csv': 'text' },
  logLevel: 'warning',
});

// The notices of what the bundle carries besides tsfilters.
let notices = 'Third-party software in generated/app.js\n';
for (const name of ['lightweight-charts', 'fancy-canvas']) {
  const dir = join(js, 'node_modules', name);
  const { version, license } = JSON.parse(readFileSync(join(dir, 'package.json'), 'utf8'));
  let text;
  try {
    text = readFileSync(join(dir, 'LICENSE'), 'utf8');
  } catch {
    text = `The package ships no licence file; its package.json declares ${license}.\n`;
  }
  notices += `\n==== ${name} ${version} (${license}) ====\n\n${text}`;
}
writeFileSync(join(here, 'generated/THIRD_PARTY_NOTICES.txt'), notices);
