// bench/live.js in headless Chromium (Debian's, as the browser tests drive
// it): the same ratios, measured in the browser's engine.
//
//   node bench/live_chromium.mjs
import { execFileSync } from 'node:child_process';
import { dirname, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { launchOffline, serve } from '../test/browser/chromium.mjs';

const js = resolve(dirname(fileURLToPath(import.meta.url)), '..');
let cpu = 'unknown';
try {
  cpu = execFileSync('lscpu', { encoding: 'utf8' }).match(/Model name:\s*(.*)/)?.[1] ?? cpu;
} catch { /* no lscpu */ }
const server = await serve(js);
const browser = await launchOffline({ allowed: server.origin });
try {
  await browser.page.goto(`${server.origin}/bench/live.html`, { waitUntil: 'commit' });
  await browser.page.waitForFunction(() => window.measured !== undefined, null, { timeout: 600_000 });
  console.log(`${await browser.page.evaluate(() => window.measured)}\n  on ${cpu}`);
  if (browser.errors.length > 0) console.log(browser.errors.join('\n'));
} finally {
  await browser.close();
  server.close();
}
