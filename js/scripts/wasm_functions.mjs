// Where a WebAssembly module's bytes go: its sections, then its largest
// functions by code size, with their names when the module keeps its name
// section (configure the wasm tree with -DTSFILTERS_WASM_NAMES=ON; the
// shipped module has none) and demangled by c++filt when it is there.
//
//   node scripts/wasm_functions.mjs MODULE.wasm [COUNT]
import { execFileSync } from 'node:child_process';
import { readFileSync } from 'node:fs';

const [file, count = '40'] = process.argv.slice(2);
if (!file) {
  console.error('usage: node scripts/wasm_functions.mjs MODULE.wasm [COUNT]');
  process.exit(2);
}
const bytes = readFileSync(file);
let at = 8;
const leb = () => {
  let value = 0, shift = 0, byte;
  do {
    byte = bytes[at++];
    value += (byte & 0x7f) * 2 ** shift;
    shift += 7;
  } while (byte & 0x80);
  return value;
};
const text = () => {
  const n = leb();
  at += n;
  return bytes.subarray(at - n, at).toString('utf8');
};

const sectionNames = ['custom', 'type', 'import', 'function', 'table', 'memory', 'global', 'export',
  'start', 'element', 'code', 'data', 'data count'];
const sections = [], names = new Map(), bodies = [];
let imported = 0;
while (at < bytes.length) {
  const id = bytes[at++];
  const size = leb(), end = at + size;
  let label = sectionNames[id] ?? `section ${id}`;
  if (id === 0) {
    const name = text();
    label = `custom "${name}"`;
    if (name === 'name') {
      while (at < end) {
        const sub = bytes[at++], subEnd = leb() + at;
        if (sub === 1) for (let k = leb(); k > 0; --k) names.set(leb(), text());
        at = subEnd;
      }
    }
  } else if (id === 2) {
    for (let k = leb(); k > 0; --k) {
      text(), text();
      const kind = bytes[at++];
      if (kind === 0) leb(), ++imported;
      else if (kind === 1) at++, (bytes[at++] & 1 ? (leb(), leb()) : leb());
      else if (kind === 2) (bytes[at++] & 1 ? (leb(), leb()) : leb());
      else if (kind === 3) at += 2;
    }
  } else if (id === 10) {
    for (let k = 0, n = leb(); k < n; ++k) {
      const length = leb();
      bodies.push({ index: imported + k, size: length });
      at += length;
    }
  }
  sections.push([label, size]);
  at = end;
}

const code = bodies.reduce((n, b) => n + b.size, 0);
console.log(`${file}: ${bytes.length} bytes, ${bodies.length} functions, ${code} bytes of code`);
for (const [label, size] of sections) console.log(`  ${label.padEnd(24)} ${String(size).padStart(8)}`);
const largest = bodies.sort((a, b) => b.size - a.size).slice(0, Number(count));
let shown = largest.map((b) => names.get(b.index) ?? `function ${b.index}`);
try {
  shown = execFileSync('c++filt', { input: shown.join('\n'), encoding: 'utf8' }).split('\n');
} catch {
  // no c++filt: the mangled names
}
console.log(`\nthe ${largest.length} largest functions (bytes, share of the code)`);
largest.forEach((b, i) => {
  console.log(`${String(b.size).padStart(8)} ${(100 * b.size / code).toFixed(1).padStart(5)}%  ${shown[i]}`);
});
