'use strict';
// The scene's files for the page: the built-in scene fetched from the folder beside the page
// (?scene=NAME, by default "scene"), or a visitor's own .3ds with its images and music, chosen
// with the file chooser or dropped onto the page. Whatever is chosen is written into the player's
// in-memory folder /scene as a native folder would hold it; the player then finds its files there
// as it always does (case-blind, backslash folders, the JPG and PCX fall-backs).
//
// The page's start waits on window.sarnojFiles, a Promise resolved once a scene is in the page's
// memory or what went wrong is known. Its value's place(FS) writes the scene into /scene just
// before the player starts, and leaves any problem in window.sarnojSceneProblem, which the player
// shows in its "Error!" box.

(() => {
  // The folder's list (files.txt, written by scripts/web.sh): one path a line, relative to the
  // folder, '/' between folders. No line may lead outside it: no absolute path, no "." or ".."
  // component, no empty one, no backslash or control character. Lines that break a rule are
  // counted and left out; the list cannot name more than LIST_MAX_FILES files.
  const LIST_MAX_FILES = 4096;
  const LIST_MAX_NAME = 255;
  const LIST_MAX_PATH = 1024;
  // What the page holds: no file may be larger, nor all of them together.
  const FILE_MAX_BYTES = 256 * 1024 * 1024;
  const TOTAL_MAX_BYTES = 512 * 1024 * 1024;
  const FETCHES_AT_ONCE = 4;
  const SCENE_NAME = 'sarnoj1.3ds';
  const MUSIC_NAME = 'sarnoj.mp3';

  function plainName(name) {
    return name.length > 0 && name.length <= LIST_MAX_NAME && name !== '.' && name !== '..' &&
           !/[\\/\x00-\x1f\x7f]/.test(name);
  }

  function plainPath(path) {
    return path.length <= LIST_MAX_PATH && path.split('/').every(plainName);
  }

  function sceneList(text) {
    const list = { paths: [], skipped: 0 };
    for (let line of text.split('\n')) {
      if (line.endsWith('\r'))
        line = line.slice(0, -1);
      if (line === '')
        continue;
      if (!plainPath(line) || list.paths.length >= LIST_MAX_FILES || list.paths.includes(line))
        list.skipped++;
      else
        list.paths.push(line);
    }
    return list;
  }

  // A path of the list as part of an address: each folder and name encoded on its own, so that
  // '#', '?', '%' or a space name the file and nothing else.
  function fileAddress(folder, path) {
    return [folder, ...path.split('/')].map(encodeURIComponent).join('/');
  }

  function megabytes(bytes) {
    return `${(bytes / (1024 * 1024)).toFixed(1)} MB`;
  }

  function tooLarge(name, bytes, total) {
    if (bytes > FILE_MAX_BYTES)
      return `${name} is ${megabytes(bytes)}: larger than the page can hold (${
        megabytes(FILE_MAX_BYTES)} a file).`;
    if (total > TOTAL_MAX_BYTES)
      return `The scene's files come to more than the page can hold (${
        megabytes(TOTAL_MAX_BYTES)}) with ${name}.`;
    return '';
  }

  // A short MP3 of silence (MPEG-1 layer III, 128 kbit/s, 44.1 kHz, mono: frames of no sound),
  // the music of a visitor's scene that has none, so that it plays silently.
  function silentMp3() {
    const frameBytes = 417, frames = 40;
    const bytes = new Uint8Array(frameBytes * frames);
    for (let i = 0; i < frames; i++)
      bytes.set([0xFF, 0xFB, 0x90, 0xC4], i * frameBytes);
    return bytes;
  }

  // A scene in the page's memory: its files (path and bytes), or the problem that stopped it.
  class SceneFiles {
    constructor(files, problem = '', silent = false) {
      this.files = files;
      this.problem = problem;
      this.silent = silent;
    }

    // Writes the files into /scene (the folder the player plays from) and gives them up: the
    // in-memory file system keeps the very bytes, not a copy.
    place(FS) {
      window.sarnojSceneProblem = this.problem;
      const root = '/scene';
      const made = new Set();
      const folder = path => {
        if (made.has(path))
          return;
        made.add(path);
        try {
          FS.mkdir(path);
        } catch (error) {  // there already
        }
      };
      folder(root);
      for (const { path, bytes } of this.files) {
        const parts = path.split('/');
        for (let i = 1; i < parts.length; i++)
          folder(`${root}/${parts.slice(0, i).join('/')}`);
        const stream = FS.open(`${root}/${path}`, 'w');
        FS.write(stream, bytes, 0, bytes.length, 0, true);
        FS.close(stream);
      }
      this.files = [];
    }
  }

  // One file fetched whole into an array of its announced size where there is one. `counted`
  // hears of every piece read; `limit` of the file's size as it is known (announced, or as read so
  // far), and throws to refuse it.
  async function fetchFile(url, signal, counted, limit) {
    const response = await fetch(url, { signal });
    if (!response.ok)
      throw new Error(`${decodeURIComponent(url)} (HTTP ${response.status})`);
    const announced = Number(response.headers.get('Content-Length'));
    const known = Number.isSafeInteger(announced) && announced > 0;
    const reader = response.body.getReader();
    const pieces = [];
    let length = 0;
    let bytes = null;
    try {
      if (known) {
        limit(announced);
        bytes = new Uint8Array(announced);
      }
      for (;;) {
        const { done, value } = await reader.read();
        if (done)
          break;
        if (known && length + value.length <= announced)
          bytes.set(value, length);
        else
          pieces.push(value);
        length += value.length;
        limit(Math.max(length, known ? announced : 0));
        counted(value.length);
      }
    } catch (error) {
      reader.cancel().catch(() => {});
      throw error;
    }
    if (known && length === announced)
      return bytes;
    // The size was not announced, or was wrong: the pieces put together once.
    const whole = new Uint8Array(length);
    let at = 0;
    if (known) {
      at = Math.min(length, announced);
      whole.set(bytes.subarray(0, at));
    }
    bytes = null;
    for (const piece of pieces) {
      whole.set(piece, at);
      at += piece.length;
    }
    return whole;
  }

  // The built-in scene: its list, then every file on it, FETCHES_AT_ONCE at a time.
  async function fetchScene(folder, signal, show) {
    const failed = what => `The scene could not be fetched: ${what}`;
    if (!plainName(folder) || folder.startsWith('.'))
      return new SceneFiles([], failed(`${folder} is no folder beside the page.`));
    let list;
    try {
      const response = await fetch(fileAddress(folder, 'files.txt'), { signal });
      if (!response.ok)
        throw new Error(`${folder}/files.txt (HTTP ${response.status})`);
      list = sceneList(await response.text());
    } catch (error) {
      return new SceneFiles([], failed(error.message));
    }
    const files = [];
    let done = 0, bytes = 0, held = 0;  // held: the sizes of the files so far, as known
    const progress = () => show(`Fetching the scene: ${done} of ${list.paths.length} files, ${
      megabytes(bytes)}`);
    progress();
    let next = 0, problem = '';
    const worker = async () => {
      while (!problem && next < list.paths.length) {
        const path = list.paths[next++];
        let size = 0;
        try {
          const data = await fetchFile(fileAddress(folder, path), signal, piece => {
            bytes += piece;
            progress();
          }, known => {
            held += known - size;
            size = known;
            const refused = tooLarge(path, size, held);
            if (refused)
              throw new RangeError(refused);
          });
          files.push({ path, bytes: data });
          done++;
          progress();
        } catch (error) {
          if (!problem)
            problem = error instanceof RangeError ? error.message : failed(error.message);
        }
      }
    };
    await Promise.all(Array.from({ length: FETCHES_AT_ONCE }, worker));
    if (problem)
      return new SceneFiles([], problem);
    show(`The scene: ${files.length} files, ${megabytes(bytes)}`);
    return new SceneFiles(files);
  }

  // A visitor's own scene: one .3ds file of any name (played as sarnoj1.3ds), the images it names
  // under their own names, and at most one MP3 (played as sarnoj.mp3; without one, silence).
  async function readOwnScene(chosen) {
    const scenes = chosen.filter(file => /\.3ds$/i.test(file.name));
    const music = chosen.filter(file => /\.mp3$/i.test(file.name));
    const refuse = problem => new SceneFiles([], problem);
    if (scenes.length !== 1)
      return refuse(`Choose one .3ds file with its images (${scenes.length} given).`);
    if (music.length > 1)
      return refuse(`Choose at most one MP3 file (${music.length} given).`);
    let total = 0;
    for (const file of chosen) {
      total += file.size;
      const refused = tooLarge(file.name, file.size, total);
      if (refused)
        return refuse(refused);
      if (!plainName(file.name))
        return refuse(`${file.name} cannot be a file of the scene's folder.`);
    }
    const files = [];
    for (const file of chosen) {
      const path = file === scenes[0] ? SCENE_NAME : file === music[0] ? MUSIC_NAME : file.name;
      files.push({ path, bytes: new Uint8Array(await file.arrayBuffer()) });
    }
    const silent = music.length === 0;
    if (silent)
      files.push({ path: MUSIC_NAME, bytes: silentMp3() });
    return new SceneFiles(files, '', silent);
  }

  // The rules of the list and of size, for the tests.
  globalThis.sarnojFileRules = { sceneList, fileAddress, tooLarge, FILE_MAX_BYTES,
                                 TOTAL_MAX_BYTES };

  if (typeof document !== 'undefined') {
    const params = new URLSearchParams(window.location.search);
    const line = document.getElementById('scene-files');
    const note = document.getElementById('scene-note');
    const show = text => { if (line) line.textContent = text; };
    const builtIn = new AbortController();
    // The scene the page starts with: the built-in one until the visitor chooses their own, which
    // replaces it (the latest choice wins). The start waits on whichever is current when it comes.
    window.sarnojFiles = fetchScene(params.get('scene') || 'scene', builtIn.signal, show)
      .then(scene => {
        if (scene.problem && !builtIn.signal.aborted)
          show(scene.problem);
        return scene;
      });

    const own = chosen => {
      if (!chosen.length)
        return;
      builtIn.abort();
      show(`Reading ${chosen.length} files...`);
      window.sarnojFiles = readOwnScene(chosen).then(scene => {
        const scenes = chosen.filter(file => /\.3ds$/i.test(file.name));
        show(scene.problem || `Your scene: ${scenes[0].name} with ${chosen.length - 1} more files`);
        if (note)
          note.textContent = scene.silent ? `${scenes[0].name} plays without music: no MP3 given.`
                                          : '';
        return scene;
      });
    };
    const chooser = document.getElementById('own-scene');
    if (chooser) {
      // A click on the chooser is not the click that starts the production.
      chooser.closest('label').addEventListener('click', event => event.stopPropagation());
      chooser.addEventListener('change', () => own([...chooser.files]));
    }
    document.addEventListener('dragover', event => event.preventDefault());
    document.addEventListener('drop', event => {
      event.preventDefault();
      own([...event.dataTransfer.files]);
    });
  }
})();
