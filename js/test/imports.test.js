// The package's sources import one another without a circle, every file an
// entry reaches is one `npm pack` ships, and the entries share one copy of
// each file. A circle among ES modules runs a module's body before the
// bindings it imports are set, so it breaks as soon as that body uses one
// (a class extended, a table built at load), and only in the import order
// that reaches the circle from the wrong side.
import assert from 'node:assert/strict';
import { readdirSync, readFileSync } from 'node:fs';
import { describe, it } from 'node:test';

const js = new URL('../', import.meta.url);
const src = new URL('src/', js);

// The relative specifiers of the static imports and re-exports of `text`
// (a computed import() is no edge: nothing here reaches a source by one).
function importsOf(text) {
  const found = [];
  for (const [, from] of text.matchAll(/^[ \t]*(?:import|export)\b[^;'"]*?(?:\bfrom[ \t]*)?['"](\.{1,2}\/[^'"]+)['"]/gm)) {
    found.push(from);
  }
  return found;
}

// file (relative to js/) -> the files it imports, for every file reached
// from `roots`.
function importGraph(roots) {
  const graph = new Map();
  const pending = [...roots];
  while (pending.length > 0) {
    const file = pending.pop();
    if (graph.has(file)) continue;
    const text = readFileSync(new URL(file, js), 'utf8');
    const edges = importsOf(text).map((specifier) => new URL(specifier, new URL(file, js)).href.slice(js.href.length));
    graph.set(file, edges);
    pending.push(...edges);
  }
  return graph;
}

// One circle of `graph` as a list of files (the first repeated at the
// end), or null.
function findCircle(graph) {
  const state = new Map(); // file -> 'open' while on the path, 'done' after
  const path = [];
  const visit = (file) => {
    if (state.get(file) === 'done') return null;
    if (state.get(file) === 'open') return [...path.slice(path.indexOf(file)), file];
    state.set(file, 'open');
    path.push(file);
    for (const next of graph.get(file) ?? []) {
      const circle = visit(next);
      if (circle !== null) return circle;
    }
    path.pop();
    state.set(file, 'done');
    return null;
  };
  for (const file of graph.keys()) {
    const circle = visit(file);
    if (circle !== null) return circle;
  }
  return null;
}

// The longest chain of imports, counted in files.
function longestChain(graph) {
  const depth = new Map();
  const of = (file) => {
    if (!depth.has(file)) depth.set(file, 1 + Math.max(0, ...(graph.get(file) ?? []).map(of)));
    return depth.get(file);
  };
  return Math.max(...[...graph.keys()].map(of));
}

const sources = readdirSync(src).filter((f) => f.endsWith('.js')).map((f) => `src/${f}`);
const pkg = JSON.parse(readFileSync(new URL('package.json', js), 'utf8'));
const entries = Object.values(pkg.exports).flatMap((e) => (typeof e === 'string' ? [e] : [e.import?.default ?? e.default]))
  .filter((target) => target.startsWith('./src/')).map((target) => target.slice(2));

describe('imports among js/src', () => {
  it('the circle finder finds a circle, and the longest chain counts files', () => {
    const graph = new Map([['a', ['b']], ['b', ['c', 'd']], ['c', ['a']], ['d', []]]);
    assert.deepEqual(findCircle(graph), ['a', 'b', 'c', 'a']);
    graph.set('c', []);
    assert.equal(findCircle(graph), null);
    assert.equal(longestChain(graph), 3);
    assert.deepEqual(importsOf("import { a } from './a.js';\nexport {\n  b,\n} from '../b.js';\nimport './c.js';\n" +
      "// import { d } from './d.js';\nconst e = await import(name);\n"), ['./a.js', '../b.js', './c.js']);
  });

  it('has no circle', () => {
    const graph = importGraph(sources);
    assert.ok(graph.size >= sources.length);
    const circle = findCircle(graph);
    assert.equal(circle, null, `an import circle: ${circle?.join(' -> ')}`);
  });

  it('every file the entries reach is in the package\'s files', () => {
    assert.deepEqual(entries.sort(), ['src/index.js', 'src/lean.js', 'src/lightweight-charts.js']);
    const packed = pkg.files.map((pattern) => new RegExp(`^${pattern.replace(/[.]/g, '\\.').replace(/\*/g, '[^/]*')}$`));
    const reached = [...importGraph(entries).keys()].filter((f) => !f.startsWith('generated/'));
    const missing = reached.filter((f) => !packed.some((p) => p.test(f)));
    assert.deepEqual(missing, []);
  });

  it('the chart adapter builds on the files of the shared API, not on an entry, and words values with describe.js', () => {
    const adapter = importGraph(['src/lightweight-charts.js']);
    for (const entry of ['src/index.js', 'src/lean.js', 'src/default_module.js']) assert.ok(!adapter.has(entry), entry);
    assert.ok(adapter.get('src/lightweight-charts.js').includes('src/describe.js'));
    const text = readFileSync(new URL('lightweight-charts.js', src), 'utf8');
    assert.doesNotMatch(text, /^(?:const|function) (?:describe|written)\b/m);
  });
});

export { importGraph, longestChain };
