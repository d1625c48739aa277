// The browser test of the web build: the page loads in headless Chromium, its test mode draws
// the chosen scene frames exactly as the native capture tool does, served cross-origin isolated
// (the device on worker threads) and not (on the page's thread), with no errors on the console;
// in a run Escape ends the player with its final screen, and the boxes of a missing music file
// and a missing scene show. With NATIVE_RATE it then plays the whole run unpaced and prints the
// page's own frame rate beside the native player's, which passes or fails nothing.
//   node page_test.mjs BUILD_WEB_DIR REFERENCE_DIR FRAMES SERVE_PY [NATIVE_RATE]
// REFERENCE_DIR holds the native `capture --frames FRAMES` images, one for each frame of FRAMES
// (frame-NNNNN.N.png); the script serves BUILD_WEB_DIR itself on free ports of 127.0.0.1.
import { spawn } from 'node:child_process';
import { copyFileSync, mkdirSync, readdirSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import puppeteer from 'puppeteer-core';

const [root, referenceDir, frameList, servePy, nativeRate] = process.argv.slice(2);
const frames = frameList.split(',').map(Number);
const here = dirname(fileURLToPath(import.meta.url));
let passed = 0, failed = 0;
function check(ok, what) {
  if (ok)
    passed++;
  else
    failed++;
  console.log(`${ok ? 'ok' : 'FAILED'}: ${what}`);
}

// The reference images beside the page, so that the page can read their pixels.
const refs = join(root, 'reference');
mkdirSync(refs, { recursive: true });
const references = readdirSync(referenceDir).filter(name => name.endsWith('.png')).sort();
for (const name of references)
  copyFileSync(join(referenceDir, name), join(refs, name));
// capture's names, in the order of the frames.
const named = frames.map(frame => `frame-${frame.toFixed(1).padStart(7, '0')}.png`);
check(JSON.stringify(references) === JSON.stringify(named),
      `the native frames ${JSON.stringify(references)} are ${JSON.stringify(named)}`);

const servers = [];
async function serve(...options) {
  const server = spawn('python3', [servePy, root, '0', ...options],
                       { stdio: ['ignore', 'pipe', 'inherit'] });
  servers.push(server);
  return new Promise((resolve, reject) => {
    server.stdout.on('data', data => {
      const found = /http:\/\/[0-9.:]+\//.exec(String(data));
      if (found)
        resolve(found[0]);
    });
    server.on('exit', () => reject(new Error('the server stopped')));
  });
}
const address = await serve();
const plainAddress = await serve('--no-isolation');

const browser = await puppeteer.launch({
  executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
  headless: 'new',
  protocolTimeout: 900000,
  args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking',
         '--disable-component-update', '--disable-sync', '--no-first-run',
         '--autoplay-policy=no-user-gesture-required', '--mute-audio'],
});
// Waits until the expression holds on the page; the error names what did not happen.
async function waitFor(page, expression, ms, what) {
  try {
    await page.waitForFunction(expression, { timeout: ms, polling: 250 });
  } catch (error) {
    throw new Error(`${what}: ${error.message}`);
  }
}

// The test mode: every frame asked for, each matching the native image.
async function testFrames(at, isolated) {
  const how = isolated ? 'isolated' : 'not isolated';
  const page = await browser.newPage();
  const errors = [];
  // The device's threads meet on the main thread now and then; emscripten warns of that once.
  page.on('console', message => {
    if (message.type() === 'error' && !message.text().startsWith('Blocking on the main thread'))
      errors.push(message.text());
  });
  page.on('pageerror', error => errors.push(error.message));
  await page.goto(`${at}?frames=${frameList}`);
  await waitFor(page, 'window.sarnojEnded === true', 600000, `the test frames drawn (${how})`);
  check(await page.evaluate('window.crossOriginIsolated') === isolated,
        `the page is ${how}`);
  const count = await page.evaluate('(window.sarnojFrames || []).length');
  check(count === frames.length, `${count} of ${frames.length} frames drawn (${how})`);
  for (let i = 0; i < Math.min(count, references.length); i++) {
    const result = await page.evaluate(async (index, reference) => {
      const pixels = async url => {
        const image = new Image();
        image.src = url;
        await image.decode();
        const canvas = document.createElement('canvas');
        canvas.width = image.width;
        canvas.height = image.height;
        const context = canvas.getContext('2d');
        context.drawImage(image, 0, 0);
        return context.getImageData(0, 0, image.width, image.height);
      };
      const drawn = await pixels(window.sarnojFrames[index].png);
      const wanted = await pixels(reference);
      if (drawn.width !== wanted.width || drawn.height !== wanted.height)
        return { size: `${drawn.width}x${drawn.height} against ${wanted.width}x${wanted.height}` };
      let worst = 0, off = 0;
      for (let p = 0; p < drawn.data.length; p++) {
        const d = Math.abs(drawn.data[p] - wanted.data[p]);
        worst = Math.max(worst, d);
        if (d > 0)
          off++;
      }
      return { worst, off };
    }, i, `reference/${references[i]}`);
    check(result.worst === 0,
          `frame ${frames[i]} (${how}) against ${references[i]}: ${JSON.stringify(result)}`);
  }
  check(errors.length === 0, `no errors on the console (${how})${
    errors.length ? ': ' + errors.join(' | ') : ''}`);
  await page.close();
}

try {
  await testFrames(address, true);
  await testFrames(plainAddress, false);

  // A run: the player starts, draws, and Escape ends it with the final screen.
  const run = await browser.newPage();
  await run.goto(address);
  await run.bringToFront();
  await waitFor(run, 'document.getElementById("canvas").style.visibility === "visible"', 300000,
                'the run started');
  await new Promise(resolve => setTimeout(resolve, 2000));
  // Held, as a person presses it: the player reads the key's state once a pass, so a press and
  // release within one pass go unseen, natively too.
  await run.keyboard.down('Escape');
  await waitFor(run, 'window.sarnojEnded === true', 60000, 'the run ended by Escape');
  await run.keyboard.up('Escape');
  check(await run.evaluate('window.sarnojExitCode') === 1, 'Escape ends the run with code 1');
  check(await run.evaluate('getComputedStyle(document.getElementById("end")).display') === 'flex',
        'the final screen shows');
  await run.screenshot({ path: join(root, 'run-end.png') });
  await run.close();

  // A scene without its music: the player's "FMOD Error!" box, then the run's end once it is
  // closed.
  const silent = await browser.newPage();
  await silent.goto(`${address}?scene=scene-no-music`);
  await waitFor(silent, 'getComputedStyle(document.getElementById("message")).display === "flex"',
                300000, 'the box for the missing music');
  const box = await silent.evaluate(`[document.querySelector('#message .caption').textContent,
                                      document.querySelector('#message .text').textContent]`);
  check(box[0] === 'FMOD Error!' && /not found/i.test(box[1]),
        `a missing music file shows ${JSON.stringify(box)}`);
  check(!(await silent.evaluate('window.sarnojEnded === true')), 'the box waits for OK');
  await silent.click('#message button');
  await waitFor(silent, 'window.sarnojEnded === true', 60000, 'the run ended by OK');
  check(await silent.evaluate('window.sarnojExitCode') === 1, 'closing it ends the run with code 1');
  await silent.close();

  // A scene folder that is not there: the fatal "Error!" box, then the final screen.
  const missing = await browser.newPage();
  await missing.goto(`${address}?scene=no-such-scene`);
  await waitFor(missing, 'getComputedStyle(document.getElementById("message")).display === "flex"',
                300000, 'the box for the missing scene');
  const fatal = await missing.evaluate(`[document.querySelector('#message .caption').textContent,
                                        document.querySelector('#message .text').textContent]`);
  check(fatal[0] === 'Error!' && /could not be fetched/.test(fatal[1]),
        `a missing scene shows ${JSON.stringify(fatal)}`);
  await missing.click('#message button');
  await waitFor(missing, 'window.sarnojEnded === true', 60000, 'the end after the error box');
  check(await missing.evaluate('window.sarnojExitCode') === 1 &&
        await missing.evaluate('getComputedStyle(document.getElementById("end")).display') === 'flex',
        'a fatal stop ends with code 1 and the final screen');
  await missing.close();

  // The whole run, unpaced: the page's own count of frames over its own time.
  if (nativeRate) {
    const timed = await browser.newPage();
    await timed.goto(`${address}?unpaced`);
    await timed.bringToFront();
    await waitFor(timed, 'window.sarnojEnded === true', 400000, 'the whole run played');
    const run = await timed.evaluate('window.sarnojRun || null');
    const rate = run && run.milliseconds > 0 ? 1000 * run.frames / run.milliseconds : 0;
    console.log(`web: ${rate.toFixed(1)} frames per second (native player: ${nativeRate} ` +
                `frames per second, the same run at 640 x 480${
                  run ? `; the page drew ${run.frames} frames in ${
                    (run.milliseconds / 1000).toFixed(1)} seconds` : ''})`);
    await timed.close();
  }
} catch (error) {
  check(false, String(error));
} finally {
  await browser.close();
  for (const server of servers)
    server.kill();
}
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
