// The engine's worker: runs one operation at a time on the WebAssembly
// engine, so the page stays live. Each request brings its input files as
// Blobs (the page's File objects): they are mounted where they lie under
// /job/src (WORKERFS, read through a read-ahead, readahead.js: nothing is
// copied into the module's memory) and linked from /job/in, the current
// folder, under their own names, so that messages name files as the user
// knows them and an operation may write beside its inputs. Outputs go to
// /job/out. The first files an operation writes are disk files of the
// origin private file system where the browser has them (opfsfile.js): an
// output goes back as the disk's File. Every other file the engine writes
// is a PagedFile (pagedfile.js) whose finished pages are Blobs: an output
// goes back as one Blob made of them. Neither is ever whole in the
// worker's memory. Everything under /job is removed before the reply;
// outputs are sent back only when the operation succeeded.
/* global importScripts, createDorvaneEngine, usePagedFiles, useReadAhead, ReadPipeline, readOnThread, suspendingEngine, FileReaderSync, PagedFile, OpfsJobs */
importScripts('dorvane-engine.js', 'pagedfile.js', 'opfsfile.js', 'readahead.js', 'readpipeline.js', 'suspending.js');

const blobIO = {
  makeBlob: (parts) => new Blob(parts),
  readBlob: (blob) => new Uint8Array(new FileReaderSync().readAsArrayBuffer(blob)),
};

// Where each operation that writes files writes them (split: beside its
// input); its first files there go to disk.
const WRITES_UNDER = {
  make: '/job/out', join: '/job/out', savePool: '/job/out', makeInstruments: '/job/out', extract: '/job/out',
  split: '/job/in',
};

// The worker's disk folder (OpfsJobs), or null where there is no disk to
// write; a browser that does not answer within DISK_WAIT_MS gets none, so
// that the engine never waits on the disk for long.
const DISK_WAIT_MS = 5000;
const diskOpened = Promise.race([OpfsJobs.open(() => new PagedFile(blobIO)),
  new Promise((resolve) => setTimeout(() => resolve(null), DISK_WAIT_MS))]);

let readAhead = null;
let disk = null;
const readSliceAsync = async (blob, start, end) => new Uint8Array(await blob.slice(start, end).arrayBuffer());

// Where the browser can suspend the engine at a read, the engine's reads of
// the inputs wait for a pipeline of asynchronous reads ahead of it
// (suspending.js, readpipeline.js); elsewhere, or should the module not
// let itself be wrapped, it reads synchronously.
let engineFS = null;
function prepareRead(fd, bytes) {
  const stream = engineFS && engineFS.getStream(fd);
  const blob = stream && stream.node.contents;
  return blob instanceof Blob ? readAhead.prepare(blob, stream.position, bytes) : null;
}
let suspending = suspendingEngine(createDorvaneEngine, prepareRead);
const made = suspending ? suspending.ready.catch(() => {
  suspending = null;
  return createDorvaneEngine();
}) : createDorvaneEngine();
const ready = Promise.all([made, diskOpened]).then(([E, jobs]) => {
  engineFS = E.FS;
  disk = jobs;
  usePagedFiles(E.FS, blobIO, (path) => disk && disk.take(path));
  readAhead = useReadAhead(E.FS, (blob, start, end) => blobIO.readBlob(blob.slice(start, end)));
  if (suspending) readAhead.pipeline = new ReadPipeline(readOnThread('readworker.js') || readSliceAsync);
  return E;
});

// An operation of the engine, through its suspending entry where there is
// one (every read then must come from such an entry).
function enter(E, name, ...args) {
  return suspending ? suspending.call(E[name + 'Then'], ...args) : E[name](...args);
}

function removeTree(FS, path) {
  if (!FS.analyzePath(path).exists) return;
  for (const name of FS.readdir(path)) {
    if (name === '.' || name === '..') continue;
    const child = path + '/' + name;
    if (FS.isDir(FS.lstat(child).mode)) removeTree(FS, child);
    else FS.unlink(child);
  }
  FS.rmdir(path);
}

// Mounts the inputs (each { name, blob }) under /job/src and links each
// from /job/in under its own name; a name met twice goes to a numbered
// subfolder. Returns the path (relative to /job/in) of each.
function mountInputs(FS, files) {
  const taken = new Set();
  const rels = files.map((file, i) => {
    let rel = file.name;
    if (taken.has(rel) || rel === '' || rel.includes('/')) rel = i + '/' + file.name.replace(/\//g, '_');
    taken.add(rel);
    return rel;
  });
  FS.mkdir('/job/src');
  FS.mount(FS.filesystems.WORKERFS, { blobs: files.map((f, i) => ({ name: rels[i], data: f.blob })) }, '/job/src');
  rels.forEach((rel) => {
    if (rel.includes('/') && !FS.analyzePath('/job/in/' + rel.split('/')[0]).exists) FS.mkdir('/job/in/' + rel.split('/')[0]);
    FS.symlink('/job/src/' + rel, '/job/in/' + rel);
  });
  return rels;
}

// Removes /job: the links and outputs first, then the inputs' mount.
function clearJob(FS) {
  FS.chdir('/');
  readAhead.clear();
  if (!FS.analyzePath('/job').exists) return;
  removeTree(FS, '/job/in');
  removeTree(FS, '/job/out');
  if (FS.analyzePath('/job/src').exists) {
    try {
      FS.unmount('/job/src');
    } catch {
      // Not mounted: the job failed before its inputs were.
    }
  }
  removeTree(FS, '/job');
}

// What the page gets of an output file: the disk's File, or a Blob of its
// pages.
async function outputBlob(FS, path) {
  const node = FS.lookupPath(path).node;
  return node.paged ? node.paged.toBlob() : new Blob([FS.readFile(path)]);
}

// Where an entry without a file is read: at its file's name, where no input
// lies, so that Make finds it missing and names it as the user knows it; a
// name an input took goes under a folder that does not exist.
function missingPath(fileName, paths) {
  const title = fileName.split(/[\\/]/).pop();
  return paths.includes(title) ? 'missing/' + title : title;
}

// Moves each input to its place in what the user gave (relPaths[i], such
// as "kit/piano.sfz"), so that the paths an instrument file names lead to
// the files given with it. Returns the new paths, relative to /job/in.
const AUDIO_FILE = /\.(wave?|aiff?|aifc|flac)$/i;

function placeInputs(FS, paths, relPaths) {
  const placed = relPaths.map((rel, i) =>
    rel.split('/').filter((s) => s !== '' && s !== '.' && s !== '..').join('/') || 'file' + i);
  FS.mkdir('/job/placing');
  paths.forEach((path, i) => FS.rename('/job/in/' + path, '/job/placing/' + i));
  placed.forEach((rel, i) => {
    const parts = rel.split('/');
    for (let k = 1; k < parts.length; k++) {
      const dir = '/job/in/' + parts.slice(0, k).join('/');
      if (!FS.analyzePath(dir).exists) FS.mkdir(dir);
    }
    FS.rename('/job/placing/' + i, '/job/in/' + rel);
    // The instrument files and what they include are read here as small
    // files of their own: the SFZ reader's include-cycle guard resolves
    // links, and every link into the inputs' mount resolves alike.
    if (!AUDIO_FILE.test(rel)) {
      const data = FS.readFile('/job/in/' + rel);
      FS.unlink('/job/in/' + rel);
      FS.writeFile('/job/in/' + rel, data);
    }
  });
  return placed;
}

async function run(E, op, args, paths, progress) {
  switch (op) {
    case 'optionTable':
      return { ok: true, table: await enter(E, 'optionTable') };
    case 'reads': // whether the engine waits for reads ahead of it
      return { ok: true, suspending: !!suspending };
    case 'facts':
      return enter(E, 'wavFacts', paths[0], args.title || '', args.settings || {});
    case 'make': {
      const entries = args.entries.map((e) => ({ ...e, path: e.fileIndex >= 0 ? paths[e.fileIndex] : missingPath(e.fileName, paths) }));
      return enter(E, 'make', entries, args.settings, '/job/out/' + args.output, progress);
    }
    case 'split':
      return enter(E, 'split', paths[0], args.sizeKB, progress);
    case 'join':
      return enter(E, 'join', paths[0], '/job/out/' + args.output, progress);
    case 'info':
      return enter(E, 'info', paths);
    case 'savePool':
      return enter(E, 'savePool', args.entries, '/job/out/' + args.output);
    case 'readPool':
      return enter(E, 'readPool', paths[0]);
    case 'matchPool':
      return { ok: true, matches: await enter(E, 'matchPool', args.poolPath, args.stored, args.dropped) };
    case 'readInstruments':
      return enter(E, 'readInstruments', placeInputs(E.FS, paths, args.relPaths).filter((p, i) => args.instruments.includes(i)));
    case 'makeInstruments': {
      const placed = placeInputs(E.FS, paths, args.relPaths);
      const inputs = [...args.instruments.map((i) => placed[i]), ...(args.others || [])];
      return enter(E, 'makeInstruments', inputs, args.settings, '/job/out/' + args.output, progress);
    }
    case 'extract':
      return enter(E, 'extract', paths, '/job/out', progress);
    default:
      throw new Error('unknown operation ' + op);
  }
}

// The engine's progress as messages to the page: a new status at once, the
// bar at most every 50 ms (Make File moves it per block; a message per
// move kept the page's thread busy after the engine was done).
function progressTo(id) {
  let last = { status: null, at: 0 };
  return (status, pos, lower, upper) => {
    const now = performance.now();
    if (status === last.status && now - last.at < 50) return;
    last = { status, at: now };
    self.postMessage({ id, progress: { status, pos, lower, upper } });
  };
}

// The inputs' Blobs in the order the engine reads them: Make File's in its
// entries' order, then the others (the read-ahead reads ahead in it).
function readOrder(files, op, args) {
  const used = op === 'make' ? (args.entries || []).map((e) => e.fileIndex).filter((i) => i >= 0 && i < files.length) : [];
  return [...new Set([...used, ...files.keys()])].map((i) => files[i].blob);
}

// One job at a time: a job waits (for its files' heads, for the disk's
// handles, for its outputs' Files), and a request that arrived meanwhile
// must not clear the files of the one running.
let jobs = Promise.resolve();
self.onmessage = (event) => {
  jobs = jobs.catch(() => {}).then(() => runJob(event.data));
};

async function runJob({ id, op, args, files }) {
  const E = await ready;
  const FS = E.FS;
  try {
    clearJob(FS);
    if (disk && WRITES_UNDER[op]) await disk.begin(WRITES_UNDER[op]);
    FS.mkdir('/job');
    FS.mkdir('/job/in');
    FS.mkdir('/job/out');
    const paths = mountInputs(FS, files || []);
    FS.chdir('/job/in');
    await readAhead.readHeads(readOrder(files || [], op, args || {}), readSliceAsync);
    const progress = progressTo(id);
    const result = await run(E, op, args || {}, paths, progress);
    const outputs = [];
    if (result.ok && result.files) {
      for (const path of result.files) {
        const full = path.startsWith('/') ? path : '/job/in/' + path;
        // Under /job/out an output keeps its folders (Extract's).
        const name = full.startsWith('/job/out/') ? full.slice(9) : full.slice(full.lastIndexOf('/') + 1);
        outputs.push({ name, blob: await outputBlob(FS, full) });
      }
    }
    delete result.files;
    self.postMessage({ id, result, outputs });
  } catch (e) {
    self.postMessage({ id, error: String(e && e.message ? e.message : e) });
  } finally {
    if (disk) await disk.end();
    clearJob(FS);
  }
}
