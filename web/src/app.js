// The page: the pool table, the settings, Make File, Save pool, Split, Join
// and Info, preview, status and messages. The engine runs in a worker
// (engine-client.js); every file the page writes is offered as a download
// only when the operation succeeded.
import { EngineClient } from './engine-client.js';
import { MAX_POOL, NAME_FIELD_CHARS, cutToChars, fileTitleOf } from './names.js';
import { DEFAULT_ROOT_KEY, parseRootKey, rootKeyText, stepKey, stepNote, stepOctave } from './rootkey.js';
import { zipSync } from './fflate.js';
import { decodeForEngine } from './browserdecode.js';
import { buildOptionControls, optionValues, parseOptionValue } from './options.js';
import { checkOutputName } from './outputname.js';
import { Preview } from './preview.js';
import { markField } from './fieldcheck.js';
import { Instruments, isInstrumentFile } from './instrument.js';
import { extractFiles } from './extract.js';

const engine = new EngineClient();
const $ = (id) => document.getElementById(id);

// Each entry: the pool form's fields, the name stored in a pool file
// (fileName), the dropped file (original), what the engine reads (file:
// the original, or the 16-bit WAV the browser made of it) and its facts
// (null while missing).
let entries = [];
let busy = false;

const POOL_FULL = "Sorry, you can't have more than 100 samples in the pool...";

// ---- messages, status, progress ----

function showMessage(text, kind = 'none') {
  const li = document.createElement('li');
  li.className = kind;
  li.textContent = text;
  $('messages').prepend(li);
}

function showMessages(result) {
  for (const m of result.messages) showMessage(m.text, m.icon === 'none' ? 'error' : m.icon);
}

function onProgress({ status, pos, lower, upper }) {
  $('status').textContent = status;
  $('progress').max = Math.max(1, upper - lower);
  $('progress').value = Math.max(0, pos - lower);
}

// Runs one operation with the controls locked; a failure of the worker
// itself becomes a message.
async function withEngine(status, op, args, files) {
  if (busy) return null;
  busy = true;
  document.body.classList.add('busy');
  for (const b of document.querySelectorAll('button, input, select')) b.dataset.wasDisabled = b.disabled, b.disabled = true;
  $('status').textContent = status;
  try {
    return await engine.call(op, args, files, onProgress);
  } catch (e) {
    showMessage('ERROR: ' + e.message, 'error');
    return null;
  } finally {
    for (const b of document.querySelectorAll('button, input, select')) b.disabled = b.dataset.wasDisabled === 'true';
    busy = false;
    document.body.classList.remove('busy');
    $('progress').value = 0;
    $('status').textContent = 'Ready';
  }
}

// ---- downloads ----

function download(name, bytes, type = 'application/octet-stream') {
  const url = URL.createObjectURL(new Blob([bytes], { type }));
  const a = document.createElement('a');
  a.href = url;
  a.download = name;
  document.body.append(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(url), 60000);
}

// One file as itself; several as one zip named after the first.
function offer(outputs, zipName) {
  if (outputs.length === 1) {
    download(outputs[0].name, outputs[0].bytes);
    return;
  }
  const files = {};
  for (const o of outputs) files[o.name] = [new Uint8Array(o.bytes), { level: 0 }];
  download(zipName, zipSync(files), 'application/zip');
}

// ---- adding files ----

async function readFile(file) {
  return { name: file.name, bytes: await file.arrayBuffer() };
}

// The engine's facts of file under the settings s, title giving a note name.
async function factsOf(file, s, title = file.name) {
  const reply = await engine.call('facts', { title, settings: s }, [file]);
  return reply.result;
}

// What the engine reads of original under the settings s: the file itself,
// or, where the desktop program would decode or resample it, the browser's
// 16-bit WAV of it. Returns { file, facts }.
async function prepare(original, s) {
  const facts = await factsOf(original, s);
  if (!facts.needsDecoding) return { file: original, facts };
  const decoded = await decodeForEngine(original, s);
  if (decoded.message) return { file: original, facts: { ...facts, valid: false, message: decoded.message, type: 'UNSUPPORTED FILETYPE !!!' } };
  const made = await factsOf(decoded.file, s, original.name);
  return { file: decoded.file, facts: { ...made, type: decoded.what + ': ' + made.type } };
}

async function addWav(original) {
  if (entries.length >= MAX_POOL) {
    showMessage(POOL_FULL, 'error');
    return false;
  }
  const { file, facts } = await prepare(original, settings());
  if (!facts.valid) showMessage(facts.message, 'error');
  if (facts.loopIgnored) showMessage(original.name + ': the loop stored in the file lies outside its data and is ignored.', 'exclamation');
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
async function refreshFiles() {
  const s = settings();
  for (const entry of entries) {
    if (!entry.original) continue;
    Object.assign(entry, await prepare(entry.original, s));
  }
  render();
}

// Where a file lies in what the user gave ("/proj/kit/a.wav"): its place in
// a dropped or picked folder, or "/" and its name for a loose file.
function dropPathOf(f) {
  return f.dropPath || '/' + (f.webkitRelativePath || f.name);
}

// The opened pool file's place, from which its entries look for their files.
let poolDropPath = '/';

// An opened pool's entries take the files given with it or later; the rest
// wait for theirs.
async function openPool(file, dropPath) {
  const reply = await withEngine('Opening ' + file.name + '...', 'readPool', {}, [file]);
  if (!reply) return;
  showMessages(reply.result);
  if (!reply.result.ok) return;
  entries = reply.result.entries.map((e) => ({ ...e, original: null, file: null, facts: null }));
  poolDropPath = dropPath;
  $('pool-name').value = file.name;
}

// The entries waiting for their files take the given ones as the desktop
// program finds files from the pool's folder: the stored relative path from
// the pool file's place, then the name beside it and under the stored
// path's last folders; so two files of one name in two folders go to the
// entries that name those folders. Returns a Map from the index in files
// to the entries that take that file (one file may serve several).
async function matchPoolFiles(files) {
  const waiting = entries.filter((e) => !e.file);
  const matches = new Map();
  if (waiting.length === 0 || files.length === 0) return matches;
  const args = { poolPath: poolDropPath, stored: waiting.map((e) => e.fileName), dropped: files.map(dropPathOf) };
  const reply = await withEngine('Looking for the pool\'s files...', 'matchPool', args, []);
  if (!reply) return matches;
  reply.result.matches.forEach((i, k) => {
    if (i < 0) return;
    if (!matches.has(i)) matches.set(i, []);
    matches.get(i).push(waiting[k]);
  });
  return matches;
}

// The entries that name one file take it once: one read, one verdict, one
// file handed to the engine.
async function takeFile(entries, original) {
  const prepared = await prepare(original, settings());
  for (const entry of entries) Object.assign(entry, { original }, prepared);
  if (!prepared.facts.valid) showMessage(prepared.facts.message, 'error');
}

// A file the pool's places did not lead to goes to the first waiting entry
// of its name (in any case), as a pool from another machine may spell it;
// never to an entry that another given file was found for (reserved).
async function matchFile(original, reserved) {
  const name = original.name.toLowerCase();
  const free = entries.filter((e) => !e.file && !reserved.has(e));
  const entry = free.find((e) => fileTitleOf(e.fileName).toLowerCase() === name);
  if (!entry) return false;
  // Entries that name the very same file take it too.
  await takeFile(free.filter((e) => e.fileName === entry.fileName), original);
  return true;
}

async function addFiles(fileList) {
  const files = [...fileList].sort((a, b) => a.name.localeCompare(b.name));
  if (files.some(isInstrumentFile)) return instruments.add(files);
  const pools = files.filter((f) => /\.dvn$/i.test(f.name));
  const wavs = files.filter((f) => !/\.dvn$/i.test(f.name));
  for (const f of pools.slice(0, 1)) await openPool(await readFile(f), dropPathOf(f));
  let skipped = 0;
  const convert = $('convert').checked;
  const audio = [];
  for (const f of wavs) {
    const isWav = /\.wave?$/i.test(f.name) || f.type === 'audio/wav' || f.type === 'audio/x-wav';
    const isAudio = /\.(aiff?|aifc|flac)$/i.test(f.name) || f.type.startsWith('audio/');
    if (isWav || (convert && isAudio)) audio.push(f);
    else skipped++;
  }
  const matches = await matchPoolFiles(audio);
  const reserved = new Set([...matches.values()].flat());
  for (const [i, f] of audio.entries()) {
    const file = await readFile(f);
    if (matches.has(i)) {
      await takeFile(matches.get(i), file);
      continue;
    }
    if (await matchFile(file, reserved)) continue;
    if (!(await addWav(file))) break;
  }
  if (skipped > 0)
    showMessage(skipped + (convert ? ' file(s) that are not audio files were left out.' : ' file(s) that are not WAV files were left out (Convert other audio files takes AIFF and FLAC).'), 'exclamation');
  render();
}

// Files of a dropped folder, walked through the entries API.
async function filesOfDrop(dataTransfer) {
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

// ---- the table ----

function textCell(entry, field, label) {
  const td = document.createElement('td');
  const input = document.createElement('input');
  input.type = 'text';
  input.value = entry[field];
  input.maxLength = NAME_FIELD_CHARS;
  input.setAttribute('aria-label', label);
  input.dataset.field = field;
  input.addEventListener('input', () => {
    const cut = cutToChars(input.value);
    if (cut !== input.value) input.value = cut;
    entry[field] = cut;
  });
  td.append(input);
  return td;
}

function checkCell(entry, field, label) {
  const td = document.createElement('td');
  const input = document.createElement('input');
  input.type = 'checkbox';
  input.checked = entry[field];
  input.setAttribute('aria-label', label);
  input.dataset.field = field;
  input.addEventListener('change', () => (entry[field] = input.checked));
  td.append(input);
  return td;
}

function button(text, label, onClick) {
  const b = document.createElement('button');
  b.type = 'button';
  b.textContent = text;
  b.title = label;
  b.setAttribute('aria-label', label);
  b.addEventListener('click', onClick);
  return b;
}

function rootKeyCell(entry) {
  const td = document.createElement('td');
  const box = document.createElement('span');
  box.className = 'rootkey';
  const input = document.createElement('input');
  input.type = 'text';
  input.maxLength = 3;
  input.value = rootKeyText(entry.rootKey);
  input.setAttribute('aria-label', 'Root key');
  input.dataset.field = 'rootKey';
  const set = (key) => {
    entry.rootKey = key;
    input.value = rootKeyText(key);
  };
  input.addEventListener('change', () => {
    const key = parseRootKey(input.value);
    if (key === null) showMessage('A root key is a note and an octave, such as C#3.', 'exclamation');
    set(key === null ? entry.rootKey : key);
  });
  input.addEventListener('keydown', (ev) => {
    const steps = { ArrowUp: 1, ArrowDown: -1, PageUp: 12, PageDown: -12 };
    if (ev.key in steps) {
      ev.preventDefault();
      set(stepKey(entry.rootKey, steps[ev.key]));
    }
  });
  box.append(
    button('▼', 'Note down', () => set(stepNote(entry.rootKey, -1))),
    button('▲', 'Note up', () => set(stepNote(entry.rootKey, 1))),
    input,
    button('▼', 'Octave down', () => set(stepOctave(entry.rootKey, -1))),
    button('▲', 'Octave up', () => set(stepOctave(entry.rootKey, 1))),
  );
  td.append(box);
  return td;
}

function render() {
  const body = $('entries').querySelector('tbody');
  body.replaceChildren();
  entries.forEach((entry, i) => {
    const tr = document.createElement('tr');
    if (!entry.file) tr.classList.add('missing');
    else if (!entry.facts.valid) tr.classList.add('invalid');
    const num = document.createElement('td');
    num.textContent = i + 1;
    const file = document.createElement('td');
    file.className = 'file';
    file.textContent = fileTitleOf(entry.fileName);
    file.title = entry.fileName;
    const type = document.createElement('td');
    type.className = 'type';
    type.textContent = !entry.file ? 'missing: drop this file' : entry.facts.type;
    const play = document.createElement('td');
    play.append(button('▶', 'Play', () => preview.play(entry)), button('■', 'Stop', () => preview.stop()));
    const edit = document.createElement('td');
    edit.append(
      button('↑', 'Move up', () => move(i, -1)),
      button('↓', 'Move down', () => move(i, 1)),
      button('✕', 'Delete', () => {
        entries.splice(i, 1);
        render();
      }),
    );
    tr.append(num, file, type, textCell(entry, 'sampleName', 'Sample name'),
      textCell(entry, 'keymapName', 'Keymap name'), textCell(entry, 'programName', 'Program name'),
      checkCell(entry, 'loop', 'LoopSwitch'), rootKeyCell(entry),
      checkCell(entry, 'keymapEnable', 'Keymap Enable'), checkCell(entry, 'programEnable', 'Program Enable'),
      play, edit);
    body.append(tr);
  });
  const missing = entries.filter((e) => !e.file).map((e) => fileTitleOf(e.fileName));
  $('missing').hidden = missing.length === 0;
  $('missing').textContent = 'Drop these files to use the pool: ' + missing.join(', ');
}

function move(i, delta) {
  const j = i + delta;
  if (j < 0 || j >= entries.length) return;
  [entries[i], entries[j]] = [entries[j], entries[i]];
  render();
}

// ---- preview ----

const preview = new Preview();

// ---- settings and operations ----

// The option table the engine sends at start (options.js builds the
// controls from it), and the options files are read under: a change of
// one reads every file again.
let optionTable = [];
const READ_OPTIONS = new Set(['convert', 'maxRate', 'fileMetadata']);

// The settings as one object, the engine's Make File options: one field
// per option control.
function settings() {
  return optionValues(optionTable);
}

// The entries as the engine takes them, each with the index of its file in
// files (a file that several entries name is there once; -1 for none).
function poolEntries(list = entries, files = []) {
  return list.map((e) => ({
    fileName: e.fileName, sampleName: e.sampleName, keymapName: e.keymapName, programName: e.programName,
    loop: e.loop, rootKey: e.rootKey, keymapEnable: e.keymapEnable, programEnable: e.programEnable,
    fileIndex: files.indexOf(e.file),
  }));
}

// The output name Make File takes, the field showing it with its
// extension; null, with the reason beside the field, for one it refuses.
function outputName() {
  const field = $('output');
  const checked = checkOutputName(field.value);
  markField(field, checked.reason || '');
  if (!checked.name) return null;
  field.value = checked.name;
  return checked.name;
}

// Split's part size in KB as dorvane-cli split --size takes it; null, with
// the reason beside the field, for one it refuses.
function splitSizeKB() {
  const field = $('tool-split-kb');
  const option = optionTable.find((o) => o.key === 'splitKB');
  const n = option ? parseOptionValue(option, field.value) : null;
  markField(field, n === null && option ? option.rangeMessage : '');
  return n;
}

async function makeFile() {
  const output = outputName();
  if (output === null) {
    $('output').focus();
    return;
  }
  const s = settings();
  if (!instruments.isEmpty()) return instruments.make(output, s, entries.map((e) => e.fileName));
  const missing = entries.filter((e) => !e.file);
  if (missing.length > 0 && !s.skipUnusable) {
    showMessage('These files are missing: ' + missing.map((e) => fileTitleOf(e.fileName)).join(', ') + '. No file was written.', 'error');
    return;
  }
  // With "Leave out unusable files" a missing file goes to the engine too,
  // which leaves its entry out where dorvane-cli does: the entries' places
  // in the pool still count.
  const files = [...new Set(entries.filter((e) => e.file).map((e) => e.file))];
  const reply = await withEngine('Making ' + output + '...', 'make',
    { entries: poolEntries(entries, files), settings: s, output }, files);
  if (!reply) return;
  showMessages(reply.result);
  if (!reply.result.ok) return;
  offer(reply.outputs, output + '.zip');
  showMessage(reply.result.text, 'done');
  if (reply.result.note) showMessage(reply.result.note, 'exclamation');
}

async function savePool() {
  const name = $('pool-name').value.trim() || 'pool.dvn';
  const reply = await withEngine('Saving ' + name + '...', 'savePool', { entries: poolEntries(), output: name }, []);
  if (!reply) return;
  showMessages(reply.result);
  if (!reply.result.ok) return;
  download(name, reply.outputs[0].bytes);
  showMessage('Saved ' + name + ': ' + entries.length + ' entries', 'done');
}

async function splitFile(fileList) {
  if (fileList.length === 0) return;
  const sizeKB = splitSizeKB();
  if (sizeKB === null) return;
  const file = await readFile(fileList[0]);
  const reply = await withEngine('Splitting...', 'split', { sizeKB }, [file]);
  if (!reply) return;
  showMessages(reply.result);
  if (!reply.result.ok) return;
  offer(reply.outputs, file.name + '-parts.zip');
  showMessage('Split ' + file.name + ' into ' + reply.outputs.length + ' parts', 'done');
}

// The first part is the one whose name ends in 01 (or the first by name).
async function joinFiles(fileList) {
  if (fileList.length === 0) return;
  const files = await Promise.all([...fileList].sort((a, b) => a.name.localeCompare(b.name)).map(readFile));
  const first = files.findIndex((f) => /01$/.test(f.name));
  if (first > 0) files.unshift(...files.splice(first, 1));
  const output = files[0].name.replace(/0?1$/, '') || files[0].name + 'J';
  const reply = await withEngine('Joining...', 'join', { output }, files);
  if (!reply) return;
  showMessages(reply.result);
  if (!reply.result.ok) return;
  download(reply.outputs[0].name, reply.outputs[0].bytes);
  showMessage('Joined ' + files.length + ' parts into ' + output, 'done');
}

async function infoFiles(fileList) {
  if (fileList.length === 0) return;
  const files = await Promise.all([...fileList].map(readFile));
  const reply = await withEngine('Reading...', 'info', {}, files);
  if (!reply) return;
  showMessages(reply.result);
  $('report').hidden = false;
  $('report').textContent = reply.result.text;
}

// ---- wiring ----

function onPick(id, handler) {
  $(id).addEventListener('change', async (ev) => {
    const files = [...ev.target.files];
    ev.target.value = '';
    await handler(files);
  });
}

onPick('pick-files', addFiles);
onPick('pick-folder', addFiles);
onPick('split-file', splitFile);
onPick('join-files', joinFiles);
onPick('info-files', infoFiles);
const page = { $, withEngine, showMessage, showMessages, readFile, dropPathOf, offer, download, button };
const instruments = new Instruments(page);
onPick('extract-files', (files) => extractFiles(page, files));
$('extract').addEventListener('click', () => $('extract-files').click());
$('make').addEventListener('click', makeFile);
for (const [id, check] of [['output', outputName], ['tool-split-kb', splitSizeKB]]) {
  $(id).addEventListener('input', () => markField($(id), ''));
  $(id).addEventListener('change', check);
}
$('save-pool').addEventListener('click', savePool);
$('new-pool').addEventListener('click', () => {
  preview.stop();
  entries = [];
  poolDropPath = '/';
  instruments.clear();
  render();
});

const drop = $('drop');
for (const target of [drop, document.body]) {
  target.addEventListener('dragover', (ev) => {
    ev.preventDefault();
    drop.classList.add('over');
  });
}
document.body.addEventListener('dragleave', () => drop.classList.remove('over'));
document.body.addEventListener('drop', async (ev) => {
  ev.preventDefault();
  drop.classList.remove('over');
  if (!busy) await addFiles(await filesOfDrop(ev.dataTransfer));
});

async function loadOptions() {
  const reply = await engine.call('optionTable', {}, []);
  optionTable = JSON.parse(reply.result.table);
  // The options the desktop program keeps between runs are those of the
  // audio files and keymaps.
  const containerOf = (option) => $(option.settingsKey ? 'audio-option-rows' : 'option-rows');
  buildOptionControls(optionTable, containerOf, {
    refuse: (option) => showMessage(option.rangeMessage, 'exclamation'),
    changed: (option) => {
      if (READ_OPTIONS.has(option.key)) refreshFiles();
    },
  });
}

render();
loadOptions()
  .catch((e) => showMessage('ERROR: ' + e.message, 'error'))
  .finally(() => {
    document.body.dataset.ready = 'true';
  });
