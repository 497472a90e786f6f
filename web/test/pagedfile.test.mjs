// The worker's paged output files against a plain byte array: every write
// pattern the engine uses (in order, two channels at two places, a header
// patched after its data, truncation) reads back the same bytes, and the
// pages whose bytes are all written leave memory as Blobs.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import vm from 'node:vm';

const context = {};
vm.runInNewContext(readFileSync(new URL('../src/pagedfile.js', import.meta.url), 'utf8'), context);
const { PagedFile } = context;

// Blobs as plain byte arrays; counts the pages read back.
function fakeIO() {
  const io = {
    loads: 0,
    makeBlob(parts) {
      const chunks = parts.map((p) => (p.fake ? p.bytes : p));
      const bytes = new Uint8Array(chunks.reduce((n, c) => n + c.length, 0));
      let at = 0;
      for (const c of chunks) bytes.set(c, (at += c.length) - c.length);
      return { fake: true, bytes, size: bytes.length };
    },
    readBlob(blob) {
      io.loads++;
      return blob.bytes.slice();
    },
  };
  return io;
}

const PAGE = 16;
const fill = (n, seed) => Uint8Array.from({ length: n }, (_, i) => (i * 7 + seed * 31) & 255);

// Each case: writes [position, length] (or ['truncate', size]); the pages
// that may still be in memory at the end.
const CASES = [
  { name: 'in order, in odd pieces', ops: [[0, 5], [5, 30], [35, 1], [36, 40]], inMemory: 1 },
  { name: 'one write over many pages', ops: [[0, 100]], inMemory: 1 },
  // A stereo entry: left words at 8.., right words at 8 + 24.., in blocks of 6.
  { name: 'two channels at two places', ops: [[0, 8], [8, 6], [32, 6], [14, 6], [38, 6], [20, 6], [44, 6], [26, 6], [50, 6]], inMemory: 1 },
  { name: 'a header patched after its data', ops: [[0, 4], [4, 60], [2, 2], [64, 3]], inMemory: 1 },
  { name: 'a hole left by a seek past the end', ops: [[0, 3], [40, 5]], inMemory: 2 },
  { name: 'cut inside a stored page, then written on', ops: [[0, 48], ['truncate', 20], [20, 10]], inMemory: 1 },
  { name: 'lengthened by truncate, then written inside', ops: [[0, 10], ['truncate', 50], [30, 4]], inMemory: 3 },
  { name: 'cut to nothing and written again', ops: [[0, 40], ['truncate', 0], [0, 18]], inMemory: 1 },
];

for (const { name, ops, inMemory } of CASES) {
  test(`a paged file reads back what was written: ${name}`, () => {
    const io = fakeIO();
    const file = new PagedFile(io, PAGE);
    let model = new Uint8Array(0);
    ops.forEach(([at, n], k) => {
      if (at === 'truncate') {
        const next = new Uint8Array(n);
        next.set(model.subarray(0, Math.min(n, model.length)));
        model = next;
        file.truncate(n);
        return;
      }
      const bytes = fill(n, k + 1);
      if (at + n > model.length) {
        const next = new Uint8Array(at + n);
        next.set(model);
        model = next;
      }
      model.set(bytes, at);
      file.write(bytes, at);
    });
    assert.equal(file.size, model.length);
    assert.deepEqual([...file.toBlob().bytes], [...model]);
    // Reads at every place and length, across pages and past the end.
    for (let at = 0; at <= model.length; at += 3) {
      const got = new Uint8Array(PAGE * 2 + 5);
      const count = file.read(got, at);
      assert.equal(count, Math.max(0, Math.min(got.length, model.length - at)));
      assert.deepEqual([...got.subarray(0, count)], [...model.subarray(at, at + count)], `read at ${at}`);
    }
    const held = [...file.pages.values()].filter((p) => p.bytes).length;
    assert.ok(held <= inMemory, `${held} pages held in memory, at most ${inMemory} expected`);
  });
}

test('a stored page read in small pieces is loaded back once, and again after a write to it', () => {
  const io = fakeIO();
  const file = new PagedFile(io, PAGE);
  file.write(fill(64, 1), 0);
  const got = new Uint8Array(4);
  for (let at = 0; at < 64; at += 4) file.read(got, at);
  assert.equal(io.loads, 4);
  file.read(got, 0);
  file.write(Uint8Array.of(9, 9), 1);
  file.read(got, 0);
  assert.deepEqual([...got], [fill(1, 1)[0], 9, 9, fill(4, 1)[3]]);
});

// The read-ahead of the page's files, over plain byte arrays.
vm.runInNewContext(readFileSync(new URL('../src/readahead.js', import.meta.url), 'utf8'), context);

test('the read-ahead gives the bytes asked for, and reads a file in few round trips', () => {
  const files = [0, 1, 2].map((k) => ({ size: 1000 + 37 * k, bytes: fill(1000 + 37 * k, k + 5) }));
  let trips = 0;
  const ahead = new context.ReadAhead((blob, start, end) => {
    trips++;
    assert.ok(start >= 0 && end <= blob.size && start < end, `slice ${start}..${end} of ${blob.size}`);
    return blob.bytes.slice(start, end);
  }, 64, 1200, 2);
  // Make File's reads of each file: header pieces, then again with the
  // data in blocks of 100, then the header checked after the data.
  const header = [[0, 12], [12, 8], [20, 24], [44, 8]];
  const data = Array.from({ length: 10 }, (_, k) => [52 + 100 * k, 100]);
  const reads = [...files.flatMap((f) => header.map((r) => [f, ...r])),
    ...files.flatMap((f) => [...header, ...data, ...header, [f.size - 3, 10], [f.size, 4]].map((r) => [f, ...r]))];
  for (const [f, at, n] of [...reads, [files[0], 0, 900]]) {
    const dst = new Uint8Array(n);
    const count = ahead.read(f, dst, at);
    assert.equal(count, Math.max(0, Math.min(n, f.size - at)));
    assert.deepEqual([...dst.subarray(0, count)], [...f.bytes.subarray(at, at + count)], `${at}+${n}`);
  }
  // Per file: the header window twice and the data in one window; the
  // header checked after the data and the file's end are still at hand.
  // Then one for the last, large read.
  assert.equal(trips, 3 * 3 + 1);
});
