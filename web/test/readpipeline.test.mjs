// The pipeline of reads ahead of an engine that waits for them, through the
// read-ahead, over plain byte arrays: an engine that reads its files in
// blocks, waiting where the read-ahead asks it to, gets the right bytes
// with no synchronous read, the reads ahead stay within their depth, and a
// read the pipeline cannot serve falls back to a synchronous one.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import vm from 'node:vm';

const context = {};
for (const name of ['readahead.js', 'readpipeline.js']) {
  vm.runInNewContext(readFileSync(new URL(`../src/${name}`, import.meta.url), 'utf8'), context);
}
const { ReadAhead, ReadPipeline } = context;

const SMALL = 64;
const CHUNK = 1000;
const AHEAD = 2500;
const fill = (n, seed) => Uint8Array.from({ length: n }, (_, i) => (i * 11 + seed * 37) & 255);

function harness(sizes, failing = []) {
  const h = { trips: 0, asyncBytes: 0, inFlight: 0, maxInFlight: 0, maxHeld: 0 };
  h.files = sizes.map((size, k) => ({ size, bytes: fill(size, k + 1) }));
  h.ahead = new ReadAhead((blob, start, end) => {
    h.trips++;
    return blob.bytes.slice(start, end);
  }, SMALL, 4 * CHUNK, 2);
  const readAsync = async (blob, start, end) => {
    h.maxInFlight = Math.max(h.maxInFlight, ++h.inFlight);
    await new Promise((r) => setImmediate(r));
    h.inFlight--;
    if (failing.some(([f, at]) => h.files[f] === blob && at === start)) throw new Error('NotReadableError');
    h.asyncBytes += end - start;
    return blob.bytes.slice(start, end);
  };
  h.ahead.pipeline = new ReadPipeline(readAsync, CHUNK, AHEAD);
  h.readHeads = () => h.ahead.readHeads(h.files, readAsync);
  // One read as the engine makes it: waits where it is told to, then reads.
  h.read = async (f, at, n) => {
    const file = h.files[f];
    const wait = h.ahead.prepare(file, at, n);
    if (h.ahead.pipeline) h.maxHeld = Math.max(h.maxHeld, h.ahead.pipeline.pieces.reduce((k, p) => k + p.end - p.start, 0));
    if (wait) await wait;
    const dst = new Uint8Array(n);
    const count = h.ahead.read(file, dst, at);
    assert.equal(count, Math.max(0, Math.min(n, file.size - at)));
    assert.deepEqual([...dst.subarray(0, count)], [...file.bytes.subarray(at, at + count)], `file ${f} at ${at}+${n}`);
  };
  return h;
}

// The engine's reads of file f: its header, its data in blocks, its
// header again.
function engineReads(size, f, block = 300) {
  const reads = [[f, 0, 12], [f, 12, 30]];
  for (let at = 44; at < size; at += block) reads.push([f, at, block]);
  return [...reads, [f, 0, 12]];
}

// Each case: the files' sizes, the order the engine reads them in, the
// pieces whose async read fails ([file, start]), the synchronous reads
// expected, and the bytes expected to be read asynchronously (heads
// included).
const CASES = [
  { name: 'files smaller than a piece, in order', sizes: [900, 700, 999, 500], order: [0, 1, 2, 3], trips: 0 },
  { name: 'a file of many pieces (blocks across their edges)', sizes: [3500, 400], order: [0, 1], trips: 0 },
  { name: 'files read in another order', sizes: [800, 2100, 600, 900], order: [2, 0, 3, 1], trips: 0 },
  { name: 'a file within its head needs no pieces', sizes: [40, 900, 30, 800], order: [0, 1, 2, 3], trips: 0 },
  { name: 'a piece that cannot be read is read synchronously', sizes: [900, 2500, 700], order: [0, 1, 2], failing: [[1, 1000]], trips: 1 },
];

for (const c of CASES) {
  test(`the engine's reads through the pipeline: ${c.name}`, async () => {
    const h = harness(c.sizes, c.failing);
    await h.readHeads();
    const headBytes = h.asyncBytes;
    h.maxInFlight = 0;
    for (const f of c.order) for (const [g, at, n] of engineReads(c.sizes[f], f)) await h.read(g, at, n);
    assert.equal(h.trips, c.trips, 'synchronous reads');
    assert.ok(h.maxHeld <= AHEAD, `${h.maxHeld} bytes held`);
    // Each byte past the heads is read ahead once when the engine keeps to
    // the files' order (but the pieces that failed).
    const failed = (c.failing || []).reduce((n, [f, at]) => n + Math.min(CHUNK, c.sizes[f] - at), 0);
    const piecesBytes = c.sizes.filter((s) => s > SMALL).reduce((n, s) => n + s, 0) - failed;
    if (c.order.every((f, i) => f === i)) assert.equal(h.asyncBytes - headBytes, piecesBytes);
    // And it reads ahead: more than the piece waited for at once.
    assert.ok(h.maxInFlight > 1, 'reads ahead');
  });
}

test('without a pipeline, or for a read larger than a piece, nothing is waited for', async () => {
  const h = harness([5000]);
  await h.readHeads();
  assert.equal(h.ahead.prepare(h.files[0], 100, CHUNK + 1), null);
  assert.equal(h.ahead.prepare(h.files[0], 10, 20), null); // within the head
  assert.equal(h.ahead.prepare(h.files[0], 5000, 20), null); // past the end
  h.ahead.pipeline = null;
  assert.equal(h.ahead.prepare(h.files[0], 100, 20), null);
  await h.read(0, 100, 20);
  assert.equal(h.trips, 1);
});

test('a new job starts the pipeline afresh', async () => {
  const h = harness([900, 900]);
  await h.readHeads();
  await h.read(0, 100, 100);
  h.ahead.clear();
  assert.equal(h.ahead.pipeline.pieces.length, 0);
  await h.readHeads();
  await h.read(1, 100, 100);
  assert.equal(h.trips, 0);
});
