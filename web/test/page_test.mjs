// The browser test of the web build: the page loads in headless Chromium (no autoplay flag: a run
// starts with a click), its test mode draws the chosen scene frames exactly as the native capture
// tool does, served cross-origin isolated (the device on worker threads, one worker a processor)
// and not (on the page's thread), with no errors on the console, and warns on the page of a size
// it cannot use. A run starts on the click without the pointer lock, with sound running, and the
// first Escape ends it with its final screen, which gives the browser its keys back; leaving
// full screen ends it too. The boxes of sound that does not run, a missing music file, a missing
// or broken scene, an abort and a program not loaded show, answer Enter and Space and lead to
// the final screen. With NATIVE_RATE it then plays the whole run unpaced and prints the page's
// own frame rate beside the native player's, which passes or fails nothing.
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
         '--mute-audio'],
});
// Waits until the expression holds on the page; the error names what did not happen.
async function waitFor(page, expression, ms, what) {
  try {
    await page.waitForFunction(expression, { timeout: ms, polling: 250 });
  } catch (error) {
    throw new Error(`${what}: ${error.message}`);
  }
}

// Collects the page's console errors and uncaught exceptions.
function watchErrors(page) {
  const errors = [];
  // The device's threads meet on the main thread now and then; emscripten warns of that once.
  page.on('console', message => {
    if (message.type() === 'error' && !message.text().startsWith('Blocking on the main thread'))
      errors.push(message.text());
  });
  page.on('pageerror', error => errors.push(error.message));
  return errors;
}

// The test mode: every frame asked for, each matching the native image. `query` adds to the
// address (the frames parameter's name coded or not); `notes` is what the page must warn of.
async function testFrames(at, isolated, query, notes) {
  const how = isolated ? 'isolated' : 'not isolated';
  const page = await browser.newPage();
  // Two processors: two workers, where the device starts one.
  await page.evaluateOnNewDocument(() =>
    Object.defineProperty(navigator, 'hardwareConcurrency', { get: () => 2 }));
  const errors = watchErrors(page);
  await page.goto(`${at}?${query}`);
  await waitFor(page, 'window.sarnojEnded === true', 600000, `the test frames drawn (${how})`);
  check(await page.evaluate('window.crossOriginIsolated') === isolated,
        `the page is ${how}`);
  if (isolated)
    check(page.workers().length === 2, `${page.workers().length} workers for 2 processors`);
  const shown = await page.evaluate('document.getElementById("notes").textContent');
  check(notes.test(shown), `the page warns ${JSON.stringify(shown)} (${how})`);
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

// Whether the browser's own key (Ctrl+R: reload) still reaches it, no listener of the run left.
const browserKeyFree = page => page.evaluate(() => {
  const key = new KeyboardEvent('keydown', { code: 'KeyR', key: 'r', ctrlKey: true,
                                             bubbles: true, cancelable: true });
  window.dispatchEvent(key);
  return !key.defaultPrevented;
});
const shown = (page, id) =>
  page.evaluate(`getComputedStyle(document.getElementById("${id}")).display !== "none"`);

// A page of the run up to its start screen's click; `before` prepares the page first.
async function startRun(query, before) {
  const page = await browser.newPage();
  page.errors = watchErrors(page);
  if (before)
    await before(page);
  await page.goto(`${address}${query}`);
  await page.bringToFront();
  await waitFor(page, 'document.getElementById("status").textContent === "Click to start"',
                300000, `the start screen's click (${query})`);
  await page.evaluate(() => {
    window.sarnojStatus = [];
    new MutationObserver(() => window.sarnojStatus.push(
      document.getElementById('status').textContent)).observe(
        document.getElementById('status'), { childList: true, characterData: true, subtree: true });
  });
  await page.click('#start');
  return page;
}
async function started(page, what) {
  await waitFor(page, 'document.getElementById("canvas").style.visibility === "visible" && ' +
                'getComputedStyle(document.getElementById("start")).display === "none"', 300000,
                what);
}

// An error box: its caption and text; OK has the focus and answers `key`, and the final screen
// follows with exit code 1 and the browser's keys given back.
async function errorBox(page, what, caption, text, key) {
  await waitFor(page, 'getComputedStyle(document.getElementById("message")).display === "flex"',
                300000, `the box for ${what}`);
  const box = await page.evaluate(`[document.querySelector('#message .caption').textContent,
                                    document.querySelector('#message .text').textContent,
                                    document.activeElement === document.querySelector(
                                      '#message button')]`);
  check(box[0] === caption && text.test(box[1]) && box[2],
        `${what} shows ${JSON.stringify(box)}, OK focused`);
  check(!(await page.evaluate('window.sarnojEnded === true')), `the box for ${what} waits`);
  await page.keyboard.press(key);
  await waitFor(page, 'window.sarnojEnded === true', 60000, `the end after ${what}`);
  check(await page.evaluate('window.sarnojExitCode') === 1 && await shown(page, 'end') &&
        await browserKeyFree(page),
        `${key} on OK after ${what}: code 1, the final screen, the browser's keys free`);
  await page.close();
}

try {
  await testFrames(address, true, `frames=${frameList}&size=8192x8192&samples=8`,
                   /^ignoring \?size and \?samples: 8192x8192 with 8 samples needs \d+ MB, more than/);
  await testFrames(plainAddress, false, `fr%61mes=${frameList}&size=big&samples=3`,
                   /^ignoring \?size: .*\nignoring \?samples: /);

  // A run: the click starts it, without the pointer lock (the browser would spend the first
  // Escape on it), with the sound running after "preparing music"; the first Escape ends it.
  const run = await startRun('');
  await started(run, 'the run started');
  check(await run.evaluate('document.pointerLockElement === null'), 'the click takes no lock');
  check(await run.evaluate('Module.sarnojAudio.state') === 'running', 'the sound runs');
  const said = await run.evaluate('window.sarnojStatus');
  check(said.includes('Preparing music...'), `the start screen said ${JSON.stringify(said)}`);
  await new Promise(resolve => setTimeout(resolve, 2000));
  check(!(await browserKeyFree(run)), 'the run takes the keys');
  // Held, as a person presses it: the player reads the key's state once a pass, so a press and
  // release within one pass go unseen, natively too.
  await run.keyboard.down('Escape');
  await waitFor(run, 'window.sarnojEnded === true', 60000, 'the run ended by Escape');
  await run.keyboard.up('Escape');
  check(await run.evaluate('window.sarnojExitCode') === 1, 'Escape ends the run with code 1');
  check(await shown(run, 'end') && await browserKeyFree(run),
        "the final screen shows and gives the browser its keys");
  check(run.errors.length === 0, `no errors on the console in a run${
    run.errors.length ? ': ' + run.errors.join(' | ') : ''}`);
  await run.screenshot({ path: join(root, 'run-end.png') });
  await run.close();

  // The click asks for full screen; leaving it ends the run as Escape does.
  const full = await startRun('');
  await started(full, 'the run started (full screen)');
  check(await full.evaluate('document.fullscreenElement !== null'), 'the click covers the screen');
  await full.evaluate('document.exitFullscreen()');
  await waitFor(full, 'window.sarnojEnded === true', 60000, 'the run ended by leaving full screen');
  check(await full.evaluate('window.sarnojExitCode') === 1, 'leaving full screen ends with code 1');
  await full.close();

  // Sound the browser keeps from running: the sound library's box, as natively.
  await errorBox(await startRun('', page => page.evaluateOnNewDocument(() => {
    window.AudioContext = class extends AudioContext {
      get state() { return 'suspended'; }
      resume() { return Promise.resolve(); }
    };
  })), 'sound that does not run', 'FMOD Error!', /^Error initializing output device\.$/, 'Enter');
  await errorBox(await startRun('?scene=scene-no-music'), 'a missing music file', 'FMOD Error!',
                 /not found/i, 'Space');
  await errorBox(await startRun('?scene=no-such-scene'), 'a missing scene', 'Error!',
                 /could not be fetched/, 'Enter');
  // A broken scene stops the player once its window (and its listeners) are up.
  await errorBox(await startRun('', async page => {
    await page.setRequestInterception(true);
    page.on('request', request => request.url().endsWith('.3ds')
      ? request.respond({ status: 200, contentType: 'application/octet-stream',
                          body: Buffer.from('MM broken') })
      : request.continue());
  }), 'a broken scene', 'Error!', /3DS/, 'Enter');

  // Pages whose program cannot run: a box too, with no click.
  for (const [what, file, answer] of [
    ['a program not loaded', /sarnoj_web(_single)?\.js$/, { status: 404, body: '' }],
    ['an abort', /\.wasm$/, { status: 200, contentType: 'application/wasm', body: 'no program' }]]) {
    const page = await browser.newPage();
    await page.setRequestInterception(true);
    page.on('request', request => file.test(new URL(request.url()).pathname)
      ? request.respond(answer) : request.continue());
    await page.goto(address);
    await errorBox(page, what, 'Error!', /./, 'Enter');
  }

  // The whole run, unpaced: the page's own count of frames over its own time.
  if (nativeRate) {
    const timed = await startRun('?unpaced');
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
