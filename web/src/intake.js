// Adding files to the pool: dropped or picked audio files become entries
// (or fill the entries of an opened pool that wait for them), a pool file
// opens, and the audio options' changes read every file again. The page
// gives the pool's entries and its ways of showing things:
//   { engine, whileBusy, progress, confirm, getEntries, setEntries,
//     settings, showMessage, showMessages, render, convertChecked,
//     setPoolName }.
// whileBusy(status, work) runs work with the page's controls locked (null
// when the page is busy already); progress({ status, pos, lower, upper })
// shows the bar; confirm(text) asks the user, true for yes.
import { MAX_POOL, fileTitleOf } from './names.js';
import { DEFAULT_ROOT_KEY } from './rootkey.js';
import { decodeForEngine } from './browserdecode.js';

const POOL_FULL = "Sorry, you can't have more than 100 samples in the pool...";

// A file as the engine takes it: read where it lies, nothing copied.
export function readFile(file) {
  return { name: file.name, blob: file };
}

// Where a file lies in what the user gave ("/proj/kit/a.wav"): its place in
// a dropped or picked folder, or "/" and its name for a loose file.
export function dropPathOf(f) {
  return f.dropPath || '/' + (f.webkitRelativePath || f.name);
}

export class Intake {
  constructor(page) {
    this.page = page;
    // The opened pool file's place, from which its entries look for their files.
    this.poolDropPath = '/';
  }

  // New: no pool file is open.
  reset() {
    this.poolDropPath = '/';
  }

  // The engine's facts of file under the settings s, title giving a note name.
  async factsOf(file, s, title = file.name) {
    const reply = await this.page.engine.call('facts', { title, settings: s }, [file]);
    return reply.result;
  }

  // What the engine reads of original under the settings s: the file itself,
  // or, where the desktop program would decode or resample it, the browser's
  // 16-bit WAV of it. Returns { file, facts }.
  async prepare(original, s) {
    const facts = await this.factsOf(original, s);
    if (!facts.needsDecoding) return { file: original, facts };
    const decoded = await decodeForEngine({ name: original.name, bytes: await original.blob.arrayBuffer() }, s);
    if (decoded.message) return { file: original, facts: { ...facts, valid: false, message: decoded.message, type: 'UNSUPPORTED FILETYPE !!!' } };
    const file = { name: decoded.file.name, blob: new Blob([decoded.file.bytes]) };
    const made = await this.factsOf(file, s, original.name);
    return { file, facts: { ...made, type: decoded.what + ': ' + made.type } };
  }

  async addWav(original) {
    const { page } = this;
    const entries = page.getEntries();
    if (entries.length >= MAX_POOL) {
      page.showMessage(POOL_FULL, 'error');
      return false;
    }
    const { file, facts } = await this.prepare(original, page.settings());
    if (!facts.valid) page.showMessage(facts.message, 'error');
    if (facts.loopIgnored) page.showMessage(original.name + ': the loop stored in the file lies outside its data and is ignored.', 'exclamation');
    // Add's root key and LoopSwitch: the file's with the file-metadata option.
    entries.push({
      fileName: original.name,
      sampleName: facts.sampleName,
      keymapName: '',
      programName: '',
      loop: facts.valid && facts.loop,
      rootKey: facts.valid ? facts.rootKey : DEFAULT_ROOT_KEY,
      keymapEnable: true,
      programEnable: true,
      original,
      file,
      facts,
    });
    return true;
  }

  // The audio options changed: every file is read again under them (the
  // entries' fields stay as they are: root key and LoopSwitch are Add's).
  async refreshFiles() {
    const s = this.page.settings();
    for (const entry of this.page.getEntries()) {
      if (!entry.original) continue;
      Object.assign(entry, await this.prepare(entry.original, s));
    }
    this.page.render();
  }

  // An opened pool's entries take the files given with it or later; the rest
  // wait for theirs.
  async openPool(file, dropPath) {
    const { page } = this;
    page.progress({ status: 'Opening ' + file.name + '...', pos: 0, lower: 0, upper: 1 });
    const reply = await page.engine.call('readPool', {}, [file]);
    page.showMessages(reply.result);
    if (!reply.result.ok) return;
    page.setEntries(reply.result.entries.map((e) => ({ ...e, original: null, file: null, facts: null })));
    this.poolDropPath = dropPath;
    page.setPoolName(file.name);
  }

  // The entries waiting for their files take the given ones as the desktop
  // program finds files from the pool's folder: the stored relative path from
  // the pool file's place, then the name beside it and under the stored
  // path's last folders; so two files of one name in two folders go to the
  // entries that name those folders. Returns a Map from the index in files
  // to the entries that take that file (one file may serve several).
  async matchPoolFiles(files) {
    const waiting = this.page.getEntries().filter((e) => !e.file);
    const matches = new Map();
    if (waiting.length === 0 || files.length === 0) return matches;
    const args = { poolPath: this.poolDropPath, stored: waiting.map((e) => e.fileName), dropped: files.map(dropPathOf) };
    this.page.progress({ status: 'Looking for the pool\'s files...', pos: 0, lower: 0, upper: 1 });
    const reply = await this.page.engine.call('matchPool', args, []);
    reply.result.matches.forEach((i, k) => {
      if (i < 0) return;
      if (!matches.has(i)) matches.set(i, []);
      matches.get(i).push(waiting[k]);
    });
    return matches;
  }

  // The entries that name one file take it once: one read, one verdict, one
  // file handed to the engine.
  async takeFile(entries, original) {
    const prepared = await this.prepare(original, this.page.settings());
    for (const entry of entries) Object.assign(entry, { original }, prepared);
    if (!prepared.facts.valid) this.page.showMessage(prepared.facts.message, 'error');
  }

  // A file the pool's places did not lead to goes to the first waiting entry
  // of its name (in any case), as a pool from another machine may spell it,
  // and to the entries that name the very same file; never to an entry that
  // another given file was found for (reserved). Returns those entries, or
  // null.
  entriesNaming(original, reserved) {
    const name = original.name.toLowerCase();
    const free = this.page.getEntries().filter((e) => !e.file && !reserved.has(e));
    const entry = free.find((e) => fileTitleOf(e.fileName).toLowerCase() === name);
    return entry ? free.filter((e) => e.fileName === entry.fileName) : null;
  }

  // Adds the files a drop or a picker gives, with the controls locked and
  // the bar counting the files. A pool file among them (the first by name)
  // opens, asking first when the pool has entries (no: nothing changes).
  // When a pool waits for files, the given files fill its entries, and the
  // rest are added as new entries only when the user says so.
  async addFiles(fileList) {
    await this.page.whileBusy('Adding files...', () => this.takeFiles([...fileList]));
  }

  async takeFiles(fileList) {
    const { page } = this;
    const files = fileList.sort((a, b) => a.name.localeCompare(b.name));
    const pool = files.find((f) => /\.dvn$/i.test(f.name));
    const entries = page.getEntries();
    if (pool && entries.length > 0 &&
      !page.confirm('Open ' + pool.name + '? Its entries replace the ' + entries.length + ' entries of the pool.'))
      return;
    if (pool) await this.openPool(readFile(pool), dropPathOf(pool));
    const forPool = pool !== undefined || page.getEntries().some((e) => !e.file);
    const convert = page.convertChecked();
    const audio = [];
    let skipped = 0;
    for (const f of files.filter((f) => !/\.dvn$/i.test(f.name))) {
      const isWav = /\.wave?$/i.test(f.name) || f.type === 'audio/wav' || f.type === 'audio/x-wav';
      const isAudio = /\.(aiff?|aifc|flac)$/i.test(f.name) || f.type.startsWith('audio/');
      if (isWav || (convert && isAudio)) audio.push(f);
      else skipped++;
    }
    const matches = await this.matchPoolFiles(audio);
    const reserved = new Set([...matches.values()].flat());
    const taken = [];
    const rest = [];
    for (const [i, f] of audio.entries()) {
      const file = readFile(f);
      const named = matches.get(i) || this.entriesNaming(file, reserved);
      if (named) {
        // Reserved at once: a later file of the name finds them taken.
        named.forEach((e) => reserved.add(e));
        taken.push([named, file]);
      } else rest.push(file);
    }
    const count = (k, n) => page.progress({ status: 'Adding ' + k + ' of ' + n + ' files', pos: k, lower: 0, upper: n });
    for (const [k, [named, file]] of taken.entries()) {
      count(k + 1, taken.length);
      await this.takeFile(named, file);
    }
    if (rest.length > 0 && (!forPool || page.confirm(rest.length + ' of the files given are not files of the pool. Add them to the pool as new entries?'))) {
      for (const [k, file] of rest.entries()) {
        count(k + 1, rest.length);
        if (!(await this.addWav(file))) break;
      }
    }
    if (skipped > 0)
      page.showMessage(skipped + (convert ? ' file(s) that are not audio files were left out.' : ' file(s) that are not WAV files were left out (Convert other audio files takes AIFF and FLAC).'), 'exclamation');
    page.render();
  }
}

// Files of a dropped folder, walked through the entries API.
export async function filesOfDrop(dataTransfer) {
  const items = [...dataTransfer.items].map((i) => i.webkitGetAsEntry && i.webkitGetAsEntry()).filter(Boolean);
  if (items.length === 0) return [...dataTransfer.files];
  const out = [];
  async function walk(entry) {
    if (entry.isFile) {
      const file = await new Promise((res, rej) => entry.file(res, rej));
      file.dropPath = entry.fullPath;
      out.push(file);
    } else if (entry.isDirectory) {
      const reader = entry.createReader();
      for (;;) {
        const batch = await new Promise((res, rej) => reader.readEntries(res, rej));
        if (batch.length === 0) break;
        for (const e of batch) await walk(e);
      }
    }
  }
  for (const item of items) await walk(item);
  return out;
}
