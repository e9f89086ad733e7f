// Headless Chromium for the browser tests: Debian's /usr/bin/chromium driven
// by playwright-core (no browser is downloaded), offline, with every request
// refused except to file:// and the test's own local server, and every page
// error, console error and refused request collected in `errors`.
import { existsSync, mkdtempSync, readFileSync, rmSync, statSync } from 'node:fs';
import { createServer } from 'node:http';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { dirname, extname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';

const js = resolve(dirname(fileURLToPath(import.meta.url)), '../..');
const { chromium } = createRequire(join(js, 'package.json'))('playwright-core');

// A static server of `folder`, as a user might run one; module scripts need
// one, since browsers load no ES module from file://.
export async function serve(folder) {
  const types = { '.html': 'text/html', '.js': 'text/javascript', '.mjs': 'text/javascript', '.txt': 'text/plain', '.csv': 'text/csv' };
  const server = createServer((request, response) => {
    const path = join(folder, decodeURIComponent(new URL(request.url, 'http://x').pathname));
    if (!path.startsWith(folder) || !existsSync(path) || !statSync(path).isFile()) {
      response.writeHead(404).end();
      return;
    }
    response.writeHead(200, { 'content-type': types[extname(path)] ?? 'application/octet-stream' });
    response.end(readFileSync(path));
  });
  await new Promise((done) => server.listen(0, '127.0.0.1', done));
  return { origin: `http://127.0.0.1:${server.address().port}`, close: () => server.close() };
}

// The browser with one page; `allowed` is the origin of a local server, if any.
export async function launchOffline({ allowed = null, viewport = { width: 1280, height: 800 }, colorScheme = 'light' } = {}) {
  const userDataDir = mkdtempSync(join(tmpdir(), 'tsfilters-chromium-'));
  const errors = [];
  const context = await chromium.launchPersistentContext(userDataDir, {
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
    viewport,
    colorScheme,
    // Offline cuts everything, the local server too; with a server the
    // route below is what refuses the rest.
    offline: allowed === null,
  });
  await context.route((url) => url.protocol !== 'file:' && url.origin !== allowed, (route) => {
    errors.push(`network request: ${route.request().url()}`);
    return route.abort();
  });
  const watch = (page) => {
    page.on('pageerror', (e) => errors.push(`page error: ${e.message}`));
    page.on('console', (m) => m.type() === 'error' && errors.push(`console: ${m.text()}`));
    return page;
  };
  const page = watch(context.pages()[0] ?? await context.newPage());
  context.on('page', watch); // the pages opened from now on
  return {
    context, page, errors,
    async close() {
      await context.close();
      rmSync(userDataDir, { recursive: true, force: true });
    },
  };
}
