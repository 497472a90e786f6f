// The engine's worker: runs one operation at a time on the WebAssembly
// engine, so the page stays live. Each request brings its input files; they
// are written to a fresh /job/in (the current folder, so that messages name
// files as the user knows them), outputs go to /job/out, and both are removed
// before the reply. Outputs are sent back only when the operation succeeded.
/* global importScripts, createDorvaneEngine */
importScripts('dorvane-engine.js');

const ready = createDorvaneEngine();

function removeTree(FS, path) {
  if (!FS.analyzePath(path).exists) return;
  for (const name of FS.readdir(path)) {
    if (name === '.' || name === '..') continue;
    const child = path + '/' + name;
    if (FS.isDir(FS.stat(child).mode)) removeTree(FS, child);
    else FS.unlink(child);
  }
  FS.rmdir(path);
}

// Writes the inputs under their own names; a name met twice goes to a
// numbered subfolder. Returns the path (relative to /job/in) of each.
function writeInputs(FS, files) {
  const taken = new Set();
  return files.map((file, i) => {
    let rel = file.name;
    if (taken.has(rel) || rel === '' || rel.includes('/')) {
      FS.mkdir('/job/in/' + i);
      rel = i + '/' + file.name.replace(/\//g, '_');
    }
    taken.add(rel);
    FS.writeFile('/job/in/' + rel, new Uint8Array(file.bytes));
    return rel;
  });
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
  });
  return placed;
}

function run(E, op, args, paths, progress) {
  switch (op) {
    case 'optionTable':
      return { ok: true, table: E.optionTable() };
    case 'facts':
      return E.wavFacts(paths[0], args.title || '', args.settings || {});
    case 'make': {
      const entries = args.entries.map((e) => ({ ...e, path: e.fileIndex >= 0 ? paths[e.fileIndex] : missingPath(e.fileName, paths) }));
      return E.make(entries, args.settings, '/job/out/' + args.output, progress);
    }
    case 'split':
      return E.split(paths[0], args.sizeKB, progress);
    case 'join':
      return E.join(paths[0], '/job/out/' + args.output, progress);
    case 'info':
      return E.info(paths);
    case 'savePool':
      return E.savePool(args.entries, '/job/out/' + args.output);
    case 'readPool':
      return E.readPool(paths[0]);
    case 'matchPool':
      return { ok: true, matches: E.matchPool(args.poolPath, args.stored, args.dropped) };
    case 'readInstruments':
      return E.readInstruments(placeInputs(E.FS, paths, args.relPaths).filter((p, i) => args.instruments.includes(i)));
    case 'makeInstruments': {
      const placed = placeInputs(E.FS, paths, args.relPaths);
      const inputs = [...args.instruments.map((i) => placed[i]), ...(args.others || [])];
      return E.makeInstruments(inputs, args.settings, '/job/out/' + args.output, progress);
    }
    case 'extract':
      return E.extract(paths, '/job/out', progress);
    default:
      throw new Error('unknown operation ' + op);
  }
}

self.onmessage = async (event) => {
  const { id, op, args, files } = event.data;
  const E = await ready;
  const FS = E.FS;
  try {
    FS.chdir('/');
    removeTree(FS, '/job');
    FS.mkdir('/job');
    FS.mkdir('/job/in');
    FS.mkdir('/job/out');
    FS.chdir('/job/in');
    const paths = writeInputs(FS, files || []);
    const progress = (status, pos, lower, upper) =>
      self.postMessage({ id, progress: { status, pos, lower, upper } });
    const result = run(E, op, args || {}, paths, progress);
    const outputs = [];
    const transfer = [];
    if (result.ok && result.files) {
      for (const path of result.files) {
        const full = path.startsWith('/') ? path : '/job/in/' + path;
        const bytes = FS.readFile(full);
        // Under /job/out an output keeps its folders (Extract's).
        const name = full.startsWith('/job/out/') ? full.slice(9) : full.slice(full.lastIndexOf('/') + 1);
        outputs.push({ name, bytes: bytes.buffer });
        transfer.push(bytes.buffer);
      }
    }
    delete result.files;
    self.postMessage({ id, result, outputs }, transfer);
  } catch (e) {
    self.postMessage({ id, error: String(e && e.message ? e.message : e) });
  } finally {
    FS.chdir('/');
    removeTree(FS, '/job');
  }
};
