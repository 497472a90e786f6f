// The page: the pool table, the settings, Make File, Save pool, Split, Join
// and Info, preview, status and messages. The engine runs in a worker
// (engine-client.js); every file the page writes is offered as a download
// only when the operation succeeded.
import { EngineClient } from './engine-client.js';
import { fileTitleOf } from './names.js';
import { download, offer } from './downloads.js';
import { Intake, dropPathOf, filesOfDrop, readFile } from './intake.js';
import { buildOptionControls, optionValues, parseOptionValue } from './options.js';
import { checkOutputName } from './outputname.js';
import { Preview } from './preview.js';
import { markField } from './fieldcheck.js';
import { button, renderTable } from './table.js';
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
function withEngine(status, op, args, files) {
  return whileBusy(status, () => engine.call(op, args, files, onProgress));
}

// Runs work() with the controls locked; null when the page is busy already.
async function whileBusy(status, work) {
  if (busy) return null;
  busy = true;
  // Disabling the focused control drops the keyboard's place: it goes back after.
  const focused = document.activeElement;
  document.body.classList.add('busy');
  for (const b of document.querySelectorAll('button, input, select')) b.dataset.wasDisabled = b.disabled, b.disabled = true;
  $('status').textContent = status;
  try {
    return await work();
  } catch (e) {
    showMessage('ERROR: ' + e.message, 'error');
    return null;
  } finally {
    for (const b of document.querySelectorAll('button, input, select')) b.disabled = b.dataset.wasDisabled === 'true';
    busy = false;
    document.body.classList.remove('busy');
    if (document.activeElement === document.body && focused?.isConnected) focused.focus();
    $('progress').value = 0;
    $('status').textContent = 'Ready';
  }
}

// ---- adding files (intake.js) ----

const intake = new Intake({
  engine, whileBusy, settings, showMessage, showMessages, render,
  progress: onProgress,
  confirm: (text) => window.confirm(text),
  getEntries: () => entries,
  setEntries: (list) => (entries = list),
  convertChecked: () => $('convert').checked,
  setPoolName: (name) => ($('pool-name').value = name),
});
// An instrument file among the files makes them an instrument's (instrument.js).
const addFiles = (files) =>
  [...files].some(isInstrumentFile)
    ? instruments.add([...files].sort((x, y) => x.name.localeCompare(y.name)))
    : intake.addFiles(files);

// ---- the table ----

function render() {
  renderTable($('entries').querySelector('tbody'), entries, {
    play: (entry) => preview.play(entry),
    stop: () => preview.stop(),
    move,
    remove: (i) => {
      entries.splice(i, 1);
      render();
    },
    refuse: (text) => showMessage(text, 'exclamation'),
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
  await offer(reply.outputs, output + '.zip');
  showMessage(reply.result.text, 'done');
  if (reply.result.note) showMessage(reply.result.note, 'exclamation');
}

async function savePool() {
  const name = $('pool-name').value.trim() || 'pool.dvn';
  const reply = await withEngine('Saving ' + name + '...', 'savePool', { entries: poolEntries(), output: name }, []);
  if (!reply) return;
  showMessages(reply.result);
  if (!reply.result.ok) return;
  download(name, reply.outputs[0].blob);
  showMessage('Saved ' + name + ': ' + entries.length + ' entries', 'done');
}

async function splitFile(fileList) {
  if (fileList.length === 0) return;
  const sizeKB = splitSizeKB();
  if (sizeKB === null) return;
  const file = readFile(fileList[0]);
  const reply = await withEngine('Splitting...', 'split', { sizeKB }, [file]);
  if (!reply) return;
  showMessages(reply.result);
  if (!reply.result.ok) return;
  await offer(reply.outputs, file.name + '-parts.zip');
  showMessage('Split ' + file.name + ' into ' + reply.outputs.length + ' parts', 'done');
}

// The first part is the one whose name ends in 01 (or the first by name).
async function joinFiles(fileList) {
  if (fileList.length === 0) return;
  const files = [...fileList].sort((a, b) => a.name.localeCompare(b.name)).map(readFile);
  const first = files.findIndex((f) => /01$/.test(f.name));
  if (first > 0) files.unshift(...files.splice(first, 1));
  const output = files[0].name.replace(/0?1$/, '') || files[0].name + 'J';
  const reply = await withEngine('Joining...', 'join', { output }, files);
  if (!reply) return;
  showMessages(reply.result);
  if (!reply.result.ok) return;
  download(reply.outputs[0].name, reply.outputs[0].blob);
  showMessage('Joined ' + files.length + ' parts into ' + output, 'done');
}

async function infoFiles(fileList) {
  if (fileList.length === 0) return;
  const files = [...fileList].map(readFile);
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
const page = {
  $, withEngine, showMessage, showMessages, readFile, dropPathOf, offer, download,
  button: (text, label, onClick) => button(text, label, 'remove', onClick),
};
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
  intake.reset();
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
      if (READ_OPTIONS.has(option.key)) intake.refreshFiles();
    },
  });
}

render();
loadOptions()
  .catch((e) => showMessage('ERROR: ' + e.message, 'error'))
  .finally(() => {
    document.body.dataset.ready = 'true';
  });
