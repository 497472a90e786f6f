// The worker's disk files against a plain byte array, with fake sync
// access handles: what is written reads back the same, on disk or after a
// write the disk refused moved the file into memory; which files a job
// keeps and for how long.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import vm from 'node:vm';

const context = {};
for (const name of ['pagedfile.js', 'opfsfile.js'])
  vm.runInNewContext(readFileSync(new URL('../src/' + name, import.meta.url), 'utf8'), context);
const { PagedFile, OpfsFile, OpfsJobs } = context;

// Blobs as byte arrays, for the PagedFile that takes over.
const memoryIO = {
  makeBlob(parts) {
    const chunks = parts.map((p) => p.bytes || p);
    const bytes = new Uint8Array(chunks.reduce((n, c) => n + c.length, 0));
    let at = 0;
    for (const c of chunks) bytes.set(c, (at += c.length) - c.length);
    return { bytes, size: bytes.length };
  },
  readBlob: (blob) => blob.bytes.slice(),
};
const newPaged = () => new PagedFile(memoryIO, 16);

// A folder of fake disk files; no file may grow past dir.capacity bytes (a
// write or truncate past it throws, as a full disk's quota does). Handles
// answer synchronously; an open one locks its file.
function fakeDir({ capacity = Infinity } = {}) {
  const files = new Map(); // name -> { bytes, open }
  const locked = (f) => { if (f?.open) throw new Error('NoModificationAllowedError'); };
  const dir = {
    files,
    capacity,
    async getFileHandle(name) {
      if (!files.has(name)) files.set(name, { bytes: new Uint8Array(0), open: false });
      const f = files.get(name);
      const resize = (size) => {
        if (size > dir.capacity) throw new Error('QuotaExceededError');
        const next = new Uint8Array(size);
        next.set(f.bytes.subarray(0, size));
        f.bytes = next;
      };
      const sync = {
        write(src, { at }) {
          if (at + src.length > f.bytes.length) resize(at + src.length);
          f.bytes.set(src, at);
          return src.length;
        },
        read(dst, { at }) {
          const n = Math.max(0, Math.min(dst.length, f.bytes.length - at));
          dst.set(f.bytes.subarray(at, at + n));
          return n;
        },
        truncate: resize,
        flush() {},
        close: () => (f.open = false),
      };
      return {
        getFile: async () => (locked(f), { disk: true, bytes: f.bytes.slice() }),
        createSyncAccessHandle: async () => (locked(f), (f.open = true), sync),
      };
    },
    async removeEntry(name) {
      locked(files.get(name));
      files.delete(name);
    },
  };
  return dir;
}

async function diskFile(dir, name) {
  const file = await dir.getFileHandle(name);
  return new OpfsFile({ name, file, sync: await file.createSyncAccessHandle() }, newPaged);
}

const fill = (n, seed) => Uint8Array.from({ length: n }, (_, i) => (i * 13 + seed * 29) & 255);

// Each case: writes [position, length] or ['truncate', size], the disk's
// capacity, and whether the file is still on disk at the end.
const CASES = [
  { name: 'in order, with a hole and a header patched after', ops: [[0, 4], [10, 30], [2, 2]], onDisk: true },
  { name: 'two channels at two places, cut, written on', ops: [[0, 8], [40, 6], [8, 6], ['truncate', 30], [30, 5]], onDisk: true },
  { name: 'lengthened by truncate', ops: [[0, 5], ['truncate', 20], [8, 2]], onDisk: true },
  { name: 'the disk full halfway: the rest in memory', capacity: 25, ops: [[0, 10], [10, 10], [20, 10], [3, 2], [40, 1]], onDisk: false },
  { name: 'the disk full at once', capacity: 0, ops: [[0, 7], [7, 20]], onDisk: false },
  { name: 'the disk full when truncate lengthens', capacity: 12, ops: [[0, 10], ['truncate', 30], [28, 2]], onDisk: false },
  { name: 'a hole then a refused write', capacity: 50, ops: [[0, 3], [30, 3], [48, 10], [1, 1]], onDisk: false },
];

for (const { name, ops, capacity, onDisk } of CASES) {
  test(`a disk file reads back what was written: ${name}`, async () => {
    const dir = fakeDir({ capacity });
    const file = await diskFile(dir, 'f0');
    let model = new Uint8Array(0);
    ops.forEach(([at, n], k) => {
      const size = at === 'truncate' ? n : Math.max(model.length, at + n);
      const next = new Uint8Array(size);
      next.set(model.subarray(0, Math.min(size, model.length)));
      model = next;
      if (at === 'truncate') return file.truncate(n);
      const bytes = fill(n, k + 1);
      model.set(bytes, at);
      file.write(bytes, at);
    });
    assert.equal(file.onDisk, onDisk);
    assert.equal(file.size, model.length);
    for (let at = 0; at <= model.length + 2; at += 3) {
      const got = new Uint8Array(11).fill(99);
      const count = file.read(got, at);
      assert.equal(count, Math.max(0, Math.min(got.length, model.length - at)));
      assert.deepEqual([...got.subarray(0, count)], [...model.subarray(at, at + count)], `read at ${at}`);
    }
    const blob = await file.toBlob();
    assert.equal(Boolean(blob.disk), onDisk, 'a File of the disk only while on disk');
    assert.deepEqual([...blob.bytes], [...model]);
    assert.equal(dir.files.get('f0').open, false, 'the handle is closed');
  });
}

// A worker's jobs on a fake folder: the paths each job's engine creates
// (its operation writing under /job/out), which of them it sends back.
test('a job keeps the files it sent until the job after the next one starts', async () => {
  const dir = fakeDir();
  const jobs = new OpfsJobs(dir, newPaged, 2);
  const runJob = async (paths, sent) => {
    await jobs.begin('/job/out');
    const files = paths.map((p) => jobs.take(p));
    for (const f of files) f?.write(fill(5, 1), 0);
    for (const k of sent) await files[k].toBlob();
    await jobs.end();
    return files;
  };
  const names = () => [...dir.files.keys()].sort();

  // Inputs and files beyond the handles opened stay in memory.
  const first = await runJob(['/job/in/x.wav', '/job/out/A.KRZ', '/job/out/A.tmp', '/job/out/B.KRZ'], [1]);
  assert.deepEqual(first.map((f) => f !== null), [false, true, true, false]);
  assert.deepEqual(names(), ['f0'], 'the sent file kept, the unsent one removed');
  await runJob(['/job/out/C.KRZ'], [0]);
  assert.deepEqual(names(), ['f0', 'f2', 'f3'], 'a handle not taken stays open for the next job');
  await runJob([], []);
  assert.deepEqual(names(), ['f2', 'f3', 'f4'], "the first job's file goes when the third starts");
  dir.capacity = 3; // a full disk: both files go to memory
  const fourth = await runJob(['/job/out/D.KRZ', '/job/out/E.KRZ'], [0, 1]);
  assert.equal(fourth[0].entry.name, 'f3', 'the handle left over is taken first');
  assert.deepEqual(fourth.map((f) => f.onDisk), [false, false]);
  assert.deepEqual(names(), [], 'a file sent from memory leaves nothing on disk');
  assert.equal(jobs.take('/job/out/late'), null, 'no file outside a job');
});
