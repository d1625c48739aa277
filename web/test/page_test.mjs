// The browser test of the web build: the page loads in headless Chromium (no autoplay flag: a run
// starts with a click), its test mode draws the chosen scene frames exactly as the native capture
// tool does, served cross-origin isolated (the device on worker threads, one worker a processor)
// and not (on the page's thread), with no errors on the console, and warns on the page of a size
// it cannot use. Chromium's WebGL 2 runs on SwiftShader, a software renderer: the page keeps the
// software device unless ?device=gl forces the GL device, whose frames must come close to the
// native ones (35 dB, 8 steps in the worst 16 x 16 block), at 640 x 480 and at 1920 x 1440 with 4
// samples; a lost WebGL context ends a run with the error box, and the canvas's pixels follow
// its displayed size times the device pixel ratio. A run starts on the click without the pointer lock, with sound running, and the
// first Escape ends it with its final screen, which gives the browser its keys back; leaving
// full screen ends it too. The boxes of sound that does not run, a missing music file, a missing
// or broken scene, an abort and a program not loaded show, answer Enter and Space and lead to
// the final screen. With NATIVE_RATE it then plays the whole run unpaced and prints the page's
// own frame rate beside the native player's, and the frame rates of both devices at 1920 x 1440
// with 4 samples, served isolated and not; none of them passes or fails anything.
//   node page_test.mjs BUILD_WEB_DIR REFERENCE_DIR LARGE_REFERENCE_DIR FRAMES SERVE_PY
//                      [NATIVE_RATE]
// REFERENCE_DIR holds the native `capture --frames FRAMES` images, one for each frame of FRAMES
// (frame-NNNNN.N.png), LARGE_REFERENCE_DIR those of `capture --size 1920x1440 --samples 4`; the
// script serves BUILD_WEB_DIR itself on free ports of 127.0.0.1.
import { copyFileSync, mkdirSync, readdirSync } from 'node:fs';
import { join } from 'node:path';
import { check, finish, newPage, noErrors, part, servePy, shown, sleep, waitFor }
  from './harness.mjs';

const [root, referenceDir, largeReferenceDir, frameList, serveScript, nativeRate] =
  process.argv.slice(2);
const frames = frameList.split(',').map(Number);

// The reference images beside the page (in FOLDER), so that the page can read their pixels;
// their addresses, in the order of the frames.
const named = frames.map(frame => `frame-${frame.toFixed(1).padStart(7, '0')}.png`);
function placeReferences(from, folder) {
  mkdirSync(join(root, folder), { recursive: true });
  const found = readdirSync(from).filter(name => name.endsWith('.png')).sort();
  for (const name of found)
    copyFileSync(join(from, name), join(root, folder, name));
  check(JSON.stringify(found) === JSON.stringify(named),
        `the native frames ${JSON.stringify(found)} in ${from} are ${JSON.stringify(named)}`);
  return found.map(name => `${folder}/${name}`);
}
const references = placeReferences(referenceDir, 'reference');
const largeReferences = placeReferences(largeReferenceDir, 'reference-large');

const address = await servePy(serveScript, root);
const plainAddress = await servePy(serveScript, root, '--no-isolation');

// How a drawn frame stands to the native one: the largest difference of a channel, the channels
// that differ, the peak signal-to-noise ratio over the colour channels and the largest mean
// absolute difference of a 16 x 16 block's colour channels (in the page).
const compareImages = async (drawnUrl, wantedUrl) => {
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
  const drawn = await pixels(drawnUrl);
  const wanted = await pixels(wantedUrl);
  const { width, height } = drawn;
  if (width !== wanted.width || height !== wanted.height)
    return { size: `${width}x${height} against ${wanted.width}x${wanted.height}` };
  const columns = Math.ceil(width / 16);
  const blocks = new Float64Array(columns * Math.ceil(height / 16));
  const counts = new Float64Array(blocks.length);
  let worst = 0, off = 0, squares = 0;
  for (let p = 0; p < drawn.data.length; p++) {
    if (p % 4 === 3)
      continue;
    const d = Math.abs(drawn.data[p] - wanted.data[p]);
    worst = Math.max(worst, d);
    off += d > 0 ? 1 : 0;
    squares += d * d;
    const pixel = p >> 2;
    const block = Math.floor(pixel % width / 16) + columns * Math.floor(pixel / width / 16);
    blocks[block] += d;
    counts[block]++;
  }
  const mse = squares / (width * height * 3);
  const psnr = mse > 0 ? 10 * Math.log10(255 * 255 / mse) : Infinity;
  const block = Math.max(...blocks.map((sum, i) => sum / counts[i]));
  return { worst, off, psnr: +psnr.toFixed(2), block: +block.toFixed(2) };
};

// The test mode: every frame asked for, each matching the native image (`wanted`, exactly unless
// `close`: 35 dB and 8 steps in the worst block). `query` adds to the address (the frames
// parameter's name coded or not); `notes` is what the page must warn of; `device` is the one
// the page must say draws.
async function testFrames(at, isolated, query, notes,
                          { wanted = references, close = false, device = 'software' } = {}) {
  const how = isolated ? 'isolated' : 'not isolated';
  const page = await newPage();
  // Two processors: two workers, where the device starts one.
  await page.evaluateOnNewDocument(() =>
    Object.defineProperty(navigator, 'hardwareConcurrency', { get: () => 2 }));
  await page.goto(`${at}?${query}`);
  await waitFor(page, 'window.sarnojEnded === true', 600000, `the test frames drawn (${how})`);
  check(await page.evaluate('window.crossOriginIsolated') === isolated,
        `the page is ${how}`);
  if (isolated)
    check(page.workers().length === 2, `${page.workers().length} workers for 2 processors`);
  const warned = await page.evaluate('document.getElementById("notes").textContent');
  check(notes.test(warned), `the page warns ${JSON.stringify(warned)} (${how})`);
  const said = await page.evaluate('[window.sarnojDevice, window.sarnojRenderer]');
  // In CI the browser must have WebGL 2: a renderer's name whichever device draws.
  check(said[0] === device && (said[1] !== '' || process.env.CI !== 'true'),
        `the page says ${JSON.stringify(said)}, ${device} drawing (${how})`);
  const count = await page.evaluate('(window.sarnojFrames || []).length');
  check(count === frames.length, `${count} of ${frames.length} frames drawn (${how})`);
  for (let i = 0; i < Math.min(count, wanted.length); i++) {
    const result = await page.evaluate(`(${compareImages})(window.sarnojFrames[${i}].png,
                                                          '${wanted[i]}')`);
    check(close ? result.psnr >= 35 && result.block <= 8 : result.worst === 0,
          `frame ${frames[i]} (${how}) against ${wanted[i]}: ${JSON.stringify(result)}`);
  }
  noErrors(page, how);
}

// Whether the browser's own key (Ctrl+R: reload) still reaches it, no listener of the run left.
const browserKeyFree = page => page.evaluate(() => {
  const key = new KeyboardEvent('keydown', { code: 'KeyR', key: 'r', ctrlKey: true,
                                             bubbles: true, cancelable: true });
  window.dispatchEvent(key);
  return !key.defaultPrevented;
});
const isShown = (page, id) => page.evaluate(shown(id));

// A page of the run up to its start screen's click; `before` prepares the page first. With
// `playing`, until the run has started.
async function startRun(query, before, playing = false, at = address) {
  const page = await newPage();
  if (before)
    await before(page);
  await page.goto(`${at}${query}`);
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
  if (playing)
    await waitFor(page, `document.getElementById("canvas").style.visibility === "visible" &&
                         !(${shown('start')})`, 300000, 'the run started');
  return page;
}
const ended = page => waitFor(page, 'window.sarnojEnded === true', 60000, 'the run ended');

// An error box: its caption and text; OK has the focus and answers `key`, and the final screen
// follows with exit code 1 and the browser's keys given back.
async function errorBox(page, what, caption, text, key) {
  await waitFor(page, shown('message'), 120000, `the box for ${what}`);
  const box = await page.evaluate(`[document.querySelector('#message .caption').textContent,
                                    document.querySelector('#message .text').textContent,
                                    document.activeElement === document.querySelector(
                                      '#message button')]`);
  check(box[0] === caption && text.test(box[1]) && box[2],
        `${what} shows ${JSON.stringify(box)}, OK focused`);
  check(!(await page.evaluate('window.sarnojEnded === true')), `the box for ${what} waits`);
  await page.keyboard.press(key);
  await ended(page);
  check(await page.evaluate('window.sarnojExitCode') === 1 && await isShown(page, 'end') &&
        await browserKeyFree(page),
        `${key} on OK after ${what}: code 1, the final screen, the browser's keys free`);
}
// The page with every request for a file matching `pattern` answered by `answer`.
const answering = (pattern, answer) => async page => {
  await page.setRequestInterception(true);
  page.on('request', request => pattern.test(new URL(request.url()).pathname)
    ? request.respond(answer) : request.continue());
};

await part('test frames, isolated', () => testFrames(
  address, true, `frames=${frameList}&size=8192x8192&samples=8`,
  /^ignoring \?size and \?samples: 8192x8192 with 8 samples needs \d+ MB, more than/));
await part('test frames, not isolated', () => testFrames(
  plainAddress, false, `fr%61mes=${frameList}&size=big&samples=3`,
  /^ignoring \?size: .*\nignoring \?samples: /));
await part('test frames, GL device', () => testFrames(
  plainAddress, false, `device=gl&frames=${frameList}`, /^$/, { close: true, device: 'gl' }));
await part('test frames, GL device at 1920 x 1440 x 4', () => testFrames(
  address, true, `frames=${frameList}&device=gl&size=1920x1440&samples=4`, /^$/,
  { wanted: largeReferences, close: true, device: 'gl' }));

// A run: the click starts it, without the pointer lock (the browser would spend the first Escape
// on it), with the sound running after "preparing music"; the first Escape ends it.
await part('a run', async () => {
  const run = await startRun('', null, true);
  await sleep(2000);
  check(await run.evaluate('document.pointerLockElement === null'), 'the click takes no lock');
  check(await run.evaluate('Module.sarnojAudio.state') === 'running', 'the sound runs');
  const said = await run.evaluate('window.sarnojStatus');
  check(said.includes('Preparing music...'), `the start screen said ${JSON.stringify(said)}`);
  check(!(await browserKeyFree(run)), 'the run takes the keys');
  // Held, as a person presses it: the player reads the key's state once a pass, so a press and
  // release within one pass go unseen, natively too.
  await run.keyboard.down('Escape');
  await ended(run);
  await run.keyboard.up('Escape');
  check(await run.evaluate('window.sarnojExitCode') === 1, 'Escape ends the run with code 1');
  check(await isShown(run, 'end') && await browserKeyFree(run),
        'the final screen shows and gives the browser its keys');
  noErrors(run, 'a run');
  await run.screenshot({ path: join(root, 'run-end.png') });
});

// The click asks for full screen; leaving it ends the run as Escape does.
await part('full screen', async () => {
  const full = await startRun('', null, true);
  check(await full.evaluate('document.fullscreenElement !== null'), 'the click covers the screen');
  await full.evaluate('document.fullscreenElement && document.exitFullscreen()');
  await ended(full);
  check(await full.evaluate('window.sarnojExitCode') === 1, 'leaving full screen ends with code 1');
});

// The boxes: sound the browser keeps from running (the sound library's box, as natively), a
// missing music file, a missing scene, a broken one (shown once the run's window and its
// listeners are up), a canvas the software device cannot draw on, and pages whose program
// cannot run (a box with no click).
const boxes = [
  ['sound that does not run', () => startRun('', page => page.evaluateOnNewDocument(() => {
    window.AudioContext = class extends AudioContext {
      get state() { return 'suspended'; }
      resume() { return Promise.resolve(); }
    };
  })), 'FMOD Error!', /^Error initializing output device\.$/, 'Enter'],
  ['a missing music file', () => startRun('?scene=scene-no-music'), 'FMOD Error!', /not found/i,
   'Space'],
  ['a missing scene', () => startRun('?scene=no-such-scene'), 'Error!', /could not be fetched/,
   'Enter'],
  // A canvas taken by WebGL before the software device's first frame: the GL device that took
  // it could not draw after all.
  ['a canvas gone to WebGL', () => startRun('?device=software', page =>
    page.evaluateOnNewDocument(() => document.addEventListener('DOMContentLoaded', () =>
      document.getElementById('canvas').getContext('webgl2')))),
   'Error!', /\?device=software\.$/, 'Enter'],
  ['a broken scene', () => startRun('', answering(/\.3ds$/, {
    status: 200, contentType: 'application/octet-stream', body: Buffer.from('MM broken') })),
   'Error!', /3DS/, 'Enter'],
  ...[['a program not loaded', /sarnoj_web(_single)?\.js$/, { status: 404, body: '' }, 'Space'],
      ['an abort', /\.wasm$/, { status: 200, contentType: 'application/wasm', body: 'no program' },
       'Enter']].map(([what, file, answer, key]) => [what, async () => {
        const page = await newPage();
        await answering(file, answer)(page);
        await page.goto(address);
        return page;
      }, 'Error!', /./, key]),
];
for (const [what, open, caption, text, key] of boxes)
  await part(what, async () => errorBox(await open(), what, caption, text, key));

// The GL device in a run: the canvas's pixels are its displayed size times the device pixel
// ratio, and follow that size; a lost WebGL context ends the run with the error box.
await part('a lost WebGL context', async () => {
  const run = await startRun('?device=gl', page => page.setViewport(
    { width: 640, height: 400, deviceScaleFactor: 2 }), true);
  check(await run.evaluate('window.sarnojDevice') === 'gl', 'the run draws with the GL device');
  const follows = `(() => {
    const canvas = document.getElementById('canvas');
    const box = canvas.getBoundingClientRect();
    return canvas.width === Math.round(box.width * 2) && canvas.height ===
      Math.round(box.height * 2) && canvas.width > 0;
  })()`;
  await waitFor(run, follows, 10000, 'the canvas at its displayed size times 2');
  await run.evaluate(`document.getElementById('canvas').style.width = '50vw'`);
  await waitFor(run, follows, 10000, 'the canvas at its new displayed size times 2');
  await run.evaluate(`document.getElementById('canvas').getContext('webgl2')
                        .getExtension('WEBGL_lose_context').loseContext()`);
  await errorBox(run, 'a lost WebGL context', 'Error!', /WebGL context was lost/, 'Enter');
});

// The whole run, unpaced: the page's own count of frames over its own time.
const timedRun = async (query, at = address) => {
  const timed = await startRun(query, null, false, at);
  await waitFor(timed, 'window.sarnojEnded === true', 900000, 'the whole run played');
  const run = await timed.evaluate('window.sarnojRun || null');
  const renderer = await timed.evaluate('window.sarnojRenderer');
  return { run, renderer, rate: run && run.milliseconds > 0 ? 1000 * run.frames / run.milliseconds
                                                            : 0 };
};
if (nativeRate) {
  await part('the whole run', async () => {
    const { run, rate } = await timedRun('?unpaced');
    console.log(`web: ${rate.toFixed(1)} frames per second (native player: ${nativeRate} ` +
                `frames per second, the same run at 640 x 480${
                  run ? `; the page drew ${run.frames} frames in ${
                    (run.milliseconds / 1000).toFixed(1)} seconds` : ''})`);
  });
  // Both devices at 1920 x 1440 with 4 samples, served both ways.
  for (const [at, served] of [[address, 'served cross-origin isolated (threads)'],
                              [plainAddress, 'served on a plain host (one thread)']]) {
    for (const device of ['gl', 'software']) {
      await part(`the whole run at 1920x1440x4, ${device}, ${served}`, async () => {
        const { rate, renderer } =
          await timedRun(`?unpaced&device=${device}&size=1920x1440&samples=4`, at);
        console.log(device === 'gl'
          ? `webgl: ${rate.toFixed(1)} frames per second at 1920x1440x4 (${renderer}), ${served}`
          : `software: ${rate.toFixed(1)} frames per second at 1920x1440x4, ${served}`);
      });
    }
  }
}
await finish();
