// What the page's browser tests share: their count of checks, servers on free ports of 127.0.0.1,
// Debian's headless Chromium without the autoplay flag (with WebGL 2 on SwiftShader), and waiting
// on a page.
import { spawn } from 'node:child_process';
import puppeteer from 'puppeteer-core';

let passed = 0, failed = 0;
export function check(ok, what) {
  if (ok)
    passed++;
  else
    failed++;
  console.log(`${ok ? 'ok' : 'FAILED'}: ${what}`);
}
export const same = (a, b) => JSON.stringify(a) === JSON.stringify(b);
export const sleep = ms => new Promise(resolve => setTimeout(resolve, ms));

// One part of a test: what throws in it (a page that never gets where it should) is its failure,
// and the parts after it still run. The pages it opened are closed at its end.
const pages = new Set();
export async function part(what, body) {
  try {
    await body();
  } catch (error) {
    check(false, `${what}: ${error.message}`);
  }
  for (const page of pages) {
    if (!page.isClosed())
      await page.close();
  }
  pages.clear();
}

const servers = [];
// A server started with COMMAND ARGS; its address once a line of its output matches PATTERN (the
// port in its first group).
export function serve(command, args, pattern) {
  const server = spawn(command, args, { stdio: ['ignore', 'pipe', 'pipe'] });
  servers.push(server);
  return new Promise((resolve, reject) => {
    const read = data => {
      const found = pattern.exec(String(data));
      if (found)
        resolve(`http://127.0.0.1:${found[1]}/`);
    };
    server.stdout.on('data', read);
    server.stderr.on('data', read);
    server.on('exit', () => reject(new Error(`${command} stopped`)));
  });
}
export const servePy = (script, root, ...options) =>
  serve('python3', [script, root, '0', ...options], /127\.0\.0\.1:(\d+)\//);

export const browser = await puppeteer.launch({
  executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
  headless: 'new',
  protocolTimeout: 900000,
  // WebGL 2 on SwiftShader, the renderer Chromium has without a graphics processor.
  args: ['--no-sandbox', '--disable-gpu', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
         '--ignore-gpu-blocklist', '--disable-background-networking',
         '--disable-component-update', '--disable-sync', '--no-first-run', '--mute-audio'],
});

// A new page keeping its console errors and uncaught exceptions in page.errors. The device's
// threads meet on the main thread now and then; emscripten warns of that once, which is no error.
export async function newPage() {
  const page = await browser.newPage();
  pages.add(page);
  page.errors = [];
  page.on('console', message => {
    if (message.type() === 'error' && !message.text().startsWith('Blocking on the main thread'))
      page.errors.push(message.text());
  });
  page.on('pageerror', error => page.errors.push(error.message));
  return page;
}
export const noErrors = (page, what) =>
  check(page.errors.length === 0, `${what}: no errors on the console ${page.errors.join(' | ')}`);

// Waits until the expression holds on the page; the error names what did not happen.
export async function waitFor(page, expression, ms, what) {
  try {
    await page.waitForFunction(expression, { timeout: ms, polling: 100 });
  } catch (error) {
    throw new Error(`${what}: ${error.message}`);
  }
}
export const shown = id => `getComputedStyle(document.getElementById('${id}')).display !== 'none'`;

// The browser and the servers closed, the count printed (after `label`), the exit code set.
export async function finish(label = '') {
  await browser.close();
  for (const server of servers)
    server.kill();
  console.log(`${label}${passed} passed, ${failed} failed`);
  process.exit(failed ? 1 : 0);
}
