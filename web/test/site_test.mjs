// The site as a host gets it and a visitor meets it. build-web/site/ holds the page, its script,
// the programs and the scene's listed files, all real files; the list's rules keep every name
// inside the scene's folder. Served by a plain static server (no headers of ours) and by serve.py
// with isolation, in Chromium without the autoplay flag: the page fetches exactly the listed
// files, several at once, names encoded, shows its progress and plays after the click; a file
// larger than the page can hold is refused with the "Error!" box; a visitor's own scene set on
// the file chooser or dropped onto the page plays (case-blind names, silently without an MP3, the
// free camera under pointer lock when it has no camera), and a broken one shows the "Error!" box.
//   node site_test.mjs SITE TEST_ROOT SERVE_PY PAGE_FILES_JS CRAFTED_DIR
// TEST_ROOT is a copy of SITE with the scene folders scene-odd (a file named 'odd #?% name.txt')
// and scene-big (a music file beyond the page's limit); CRAFTED_DIR holds make-demo's crafted
// scenes (lit.3ds and checker.pcx, paused.3ds without a camera).
import { copyFileSync, lstatSync, mkdtempSync, readdirSync, readFileSync, rmSync, statSync,
         truncateSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { basename, join } from 'node:path';
import vm from 'node:vm';
import { check, finish, newPage, noErrors, part, same, serve, servePy, shown, sleep, waitFor }
  from './harness.mjs';

const [site, testRoot, serveScript, pageFiles, crafted] = process.argv.slice(2);

// The list's rules and the addresses, from the page's own script.
const rules = (() => {
  const context = {};
  vm.runInNewContext(readFileSync(pageFiles, 'utf8'), context);
  return context.sarnojFileRules;
})();
{
  const { sceneList, fileAddress, tooLarge, FILE_MAX_BYTES, TOTAL_MAX_BYTES } = rules;
  let list = sceneList('sarnoj1.3ds\r\nMAPS/Brick.JPG\n\nsarnoj.mp3\nsarnoj.mp3');
  check(same(list.paths, ['sarnoj1.3ds', 'MAPS/Brick.JPG', 'sarnoj.mp3']) && list.skipped === 1,
        `a list's paths, each once: ${JSON.stringify(list)}`);
  const outside = ['../escape', '/etc/passwd', 'maps/../../x', 'maps//a.jpg', 'maps\\b.jpg', '.',
                   './a', 'a/.', 'bell\x07', 'x'.repeat(256), 'ok/'];
  list = sceneList([...outside, 'ok.pcx'].join('\n'));
  check(same(list.paths, ['ok.pcx']) && list.skipped === outside.length,
        `nothing outside the folder or with control characters: ${JSON.stringify(list.paths)}`);
  list = sceneList(Array.from({ length: 4099 }, (_, i) => `f${i}`).join('\n'));
  check(list.paths.length === 4096 && list.skipped === 3, 'a list names at most 4096 files');
  check(fileAddress('scene', 'MAPS/a #?%&+.jpg') === 'scene/MAPS/a%20%23%3F%25%26%2B.jpg',
        `each part of a name encoded: ${fileAddress('scene', 'MAPS/a #?%&+.jpg')}`);
  check(tooLarge('a', FILE_MAX_BYTES, FILE_MAX_BYTES) === '' &&
        /larger than the page/.test(tooLarge('a', FILE_MAX_BYTES + 1, FILE_MAX_BYTES + 1)) &&
        /more than the page/.test(tooLarge('a', 1, TOTAL_MAX_BYTES + 1)),
        'a file, and all of them, within the page\'s limits');
}

// The site: exactly the page, its programs and the listed scene files, none of them a link.
const programs = ['index.html', 'page_files.js', 'sarnoj_web.js', 'sarnoj_web.wasm',
                  'sarnoj_web_single.js', 'sarnoj_web_single.wasm', 'sarnoj_web.worker.js'];
const listed = readFileSync(join(site, 'scene/files.txt'), 'utf8').split('\n').filter(Boolean);
function walk(dir, prefix = '') {
  return readdirSync(dir).flatMap(name => {
    const info = lstatSync(join(dir, name));
    return info.isDirectory() ? walk(join(dir, name), `${prefix}${name}/`)
                              : [`${prefix}${name}${info.isFile() ? '' : ' (no file)'}`];
  });
}
const present = walk(site).sort();
const wanted = [...programs.filter(name => name !== 'sarnoj_web.worker.js' ||
                                           present.includes(name)),
                'scene/files.txt', ...listed.map(path => `scene/${path}`)].sort();
check(same(present, wanted), `the site holds ${JSON.stringify(present)}`);
check(listed.some(path => /^sarnoj1\.3ds$/i.test(path)) &&
      listed.some(path => /^sarnoj\.mp3$/i.test(path)) &&
      !listed.some(path => /\.(wav|zip)$|DS_Store|unnamed/i.test(path)),
      `the scene's list ${JSON.stringify(listed)}: the scene and its music, nothing unopened`);

// A plain host: Python's own server, no headers of ours, in the site itself.
const plain = await serve('python3', ['-u', '-m', 'http.server', '--bind', '127.0.0.1',
                                      '--directory', site, '0'], /port (\d+)/);
const isolated = await servePy(serveScript, testRoot);

// A page with its console errors and its requests kept; `seen` gathers every text the progress
// line showed.
// With `slowHost` the built-in scene never arrives, so that a chosen scene comes first whenever the
// page would start.
async function open(address, what, slowHost = false) {
  const page = await newPage();
  if (slowHost) {
    await page.setRequestInterception(true);
    page.on('request', request => {
      if (!new URL(request.url()).pathname.startsWith('/scene/'))
        request.continue();
    });
  }
  page.requests = [];
  // Requests for the scene's files alone: the programs and their workers load beside them.
  const ofScene = request => new URL(request.url()).pathname.startsWith('/scene/');
  let open = 0;
  page.most = 0;
  page.on('request', request => {
    page.requests.push(decodeURIComponent(new URL(request.url()).pathname));
    if (ofScene(request))
      page.most = Math.max(page.most, ++open);
  });
  const done = request => { if (ofScene(request)) open--; };
  page.on('requestfinished', done);
  page.on('requestfailed', done);
  await page.evaluateOnNewDocument(() => {
    window.seen = [];
    new MutationObserver(() => {
      const line = document.getElementById('scene-files');
      if (line && line.textContent !== window.seen[window.seen.length - 1])
        window.seen.push(line.textContent);
    }).observe(document, { subtree: true, childList: true, characterData: true });
  });
  await page.goto(address);
  page.what = what;
  return page;
}
// The start overlay's click, away from its file chooser, once the program is in.
async function startRun(page) {
  await waitFor(page, 'window.Module && Module.calledRun', 300000, `${page.what}: loaded`);
  await page.mouse.click(4, 4);
}
async function box(page) {
  try {
    await waitFor(page, shown('message'), 120000, `${page.what}: a box`);
  } catch (error) {
    throw new Error(`${error.message} (${await page.evaluate(`[document.body.innerText,
      window.sarnojEnded]`)}, ${page.errors.join(' | ')})`);
  }
  return page.evaluate(`[document.querySelector('#message .caption').textContent,
                         document.querySelector('#message .text').textContent]`);
}
// The run has started: its canvas drawn, the start screen put away.
const started = page => waitFor(page, `document.getElementById("canvas").style.visibility ===
  "visible" && !(${shown('start')})`, 300000, `${page.what}: the run started`);
// The run goes on: drawing, no box, after some seconds.
async function plays(page) {
  await started(page);
  await sleep(3000);
  return page.evaluate(`!window.sarnojEnded && !(${shown('message')})`);
}

// The visitor's own files, set on the chooser or dropped onto the page as a person drops them
// (a dragover the page must refuse to the browser, then the drop), once the program is in; then
// until the page has read them.
async function choose(page, files, drop = false) {
  await waitFor(page, 'window.Module && Module.calledRun', 300000, `${page.what}: loaded`);
  if (!drop) {
    await (await page.$('#own-scene')).uploadFile(...files);
  } else {
    const taken = await page.evaluate(files => {
      const transfer = new DataTransfer();
      for (const { name, base64 } of files)
        transfer.items.add(new File([Uint8Array.from(atob(base64), c => c.charCodeAt(0))], name));
      const refused = type => !document.body.dispatchEvent(new DragEvent(type,
        { dataTransfer: transfer, bubbles: true, cancelable: true }));
      return refused('dragover') && refused('drop');
    }, files.map(path => ({ name: basename(path), base64: readFileSync(path).toString('base64') })));
    check(taken, `${page.what}: the page takes the drop`);
  }
  await waitFor(page, `!/^(Reading|$)/.test(document.getElementById('scene-files').textContent)`,
                60000, `${page.what}: read`);
}

// Scratch copies of the crafted scene's files under other names, outside the repository.
const scratch = mkdtempSync(join(tmpdir(), 'site-test-'));
function scratchFile(name, from) {
  const path = join(scratch, name);
  if (from)
    copyFileSync(from, path);
  return path;
}

// The built-in scene from a plain host: the page waits for the click, fetches the listed files and
// nothing else of the folder, several at once, and plays.
for (const [address, how] of [[plain, 'a plain host'], [isolated, 'serve.py']]) {
  await part(how, async () => {
    const run = await open(address, how);
    await startRun(run);
    check(await plays(run), `the production plays from ${how}`);
    const fetched = run.requests.filter(path => path.startsWith('/scene/'))
      .map(path => path.slice('/scene/'.length)).sort();
    check(same(fetched, ['files.txt', ...listed].sort()),
          `${how}: the page fetched ${JSON.stringify(fetched)}, each once`);
    check(run.most > 1 && run.most <= 6, `${how}: ${run.most} requests at once`);
    const seen = await run.evaluate('window.seen');
    check(seen.some(text => /Fetching the scene: \d+ of \d+ files/.test(text)) &&
          /^The scene: \d+ files, [\d.]+ MB$/.test(seen[seen.length - 1]),
          `${how}: the progress shown ${JSON.stringify(seen.slice(-2))}`);
    noErrors(run, how);
  });
}

// Names that must be encoded, fetched into the page's folder as they are.
await part('odd names', async () => {
  const odd = await open(`${isolated}?scene=scene-odd&frames=0`, 'odd names');
  await waitFor(odd, 'window.sarnojEnded === true', 300000, 'the odd names\' frame');
  check(await odd.evaluate(`new TextDecoder().decode(
          Module.FS.readFile('/scene/odd #?% name.txt'))`) === 'an odd name\n',
        'a name with \'#\', \'?\', \'%\' and a space is fetched as itself');
});

// A file larger than the page can hold is refused, not read.
await part('a file too large', async () => {
  const big = await open(`${isolated}?scene=scene-big`, 'a file too large');
  await startRun(big);
  const refused = await box(big);
  check(refused[0] === 'Error!' &&
        /sarnoj\.mp3 is 300\.0 MB: larger than the page/i.test(refused[1]),
        `a file too large shows ${JSON.stringify(refused)}`);
});

// A visitor's own scene, no MP3, set on the chooser: the .3ds under any name and its image in
// other letter case.
const scene = scratchFile('My Scene.3DS', join(crafted, 'lit.3ds'));
const image = scratchFile('CHECKER.PCX', join(crafted, 'checker.pcx'));
await part('own scene', async () => {
  const own = await open(plain, 'own scene', true);
  await choose(own, [scene, image]);
  await startRun(own);
  check(await plays(own), 'a visitor\'s own scene plays');
  check(await own.evaluate(`Module.FS.stat('/scene/sarnoj1.3ds').size`) === statSync(scene).size,
        'the chosen .3ds plays as sarnoj1.3ds');
  const note = await own.evaluate('document.getElementById("scene-note").textContent');
  check(/plays without music/.test(note),
        `without an MP3 the page says so: ${JSON.stringify(note)}`);
  noErrors(own, 'own scene');
});

// Where the box is drawn: the mean offset of its pixels (those unlike the corner's) from the
// centre, in parts of the picture's size; -1 when none is drawn.
const boxAt = page => page.evaluate(() => {
  const canvas = document.getElementById('canvas');
  const { data, width, height } =
    canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height);
  let count = 0, x = 0, y = 0;
  for (let p = 0; p < width * height; p++) {
    if (data[4 * p] !== data[0] || data[4 * p + 1] !== data[1] || data[4 * p + 2] !== data[2]) {
      count++;
      x += p % width;
      y += Math.floor(p / width);
    }
  }
  return count ? Math.hypot(x / count / width - 0.5, y / count / height - 0.5) : -1;
});
// A scene without a camera, dropped onto the page, is flown by the free camera. The start click
// takes no pointer lock; a click on the canvas while it plays does, a movement under the lock
// turns the camera off the box it flies at (unturned, the box stays in the picture's centre), and
// the run's end gives the lock back. The camera flies into the box within seconds: the picture
// is looked at as soon as the run starts.
await part('free camera', async () => {
  const free = await open(plain, 'free camera', true);
  await choose(free, [join(crafted, 'paused.3ds')], true);
  await startRun(free);
  await started(free);
  const ahead = await boxAt(free);
  await sleep(300);
  check(await free.evaluate('document.pointerLockElement === null'),
        'free camera: the start click takes no lock');
  await free.mouse.click(400, 300);
  await waitFor(free, 'document.pointerLockElement === document.getElementById("canvas")', 10000,
                'free camera: a click on the canvas takes the pointer lock');
  await free.mouse.move(400, 330, { steps: 3 });
  await sleep(500);
  const turned = await boxAt(free);
  check(ahead >= 0 && ahead < 0.02 && turned > 0.05, `free camera: the box ${
    ahead.toFixed(3)} off the centre, then ${turned.toFixed(3)} after a turn`);
  // Escape as the page hears it (the browser's own Escape would take the lock back itself).
  const escape = type => free.evaluate(type => window.dispatchEvent(
    new KeyboardEvent(type, { code: 'Escape', key: 'Escape', bubbles: true })), type);
  const locked = await free.evaluate('document.pointerLockElement !== null');
  await escape('keydown');
  await waitFor(free, 'window.sarnojEnded === true', 60000, 'free camera: the run ended');
  await escape('keyup');
  check(locked && await free.evaluate('document.pointerLockElement === null'),
        'free camera: the run\'s end gives the lock back');
  noErrors(free, 'free camera');
});

// A broken .3ds, and a music file beyond the page's limit: the "Error!" box.
const broken = scratchFile('broken.3ds');
writeFileSync(broken, 'not a scene at all');
const huge = scratchFile('huge.mp3');
writeFileSync(huge, '');
truncateSync(huge, 300 * 1024 * 1024);
for (const [files, pattern, what] of [[[broken, image], /./, 'a broken scene'],
                                      [[scene, image, huge], /larger than the page/,
                                       'a music file too large']]) {
  await part(what, async () => {
    const page = await open(plain, what, true);
    await choose(page, files);
    await startRun(page);
    const shownBox = await box(page);
    check(shownBox[0] === 'Error!' && pattern.test(shownBox[1]),
          `${what} shows ${JSON.stringify(shownBox)}`);
  });
}
rmSync(scratch, { recursive: true, force: true });
await finish('site: ');
