// The read-ahead's heads, over plain byte arrays: the first bytes of a
// job's files are read asynchronously, a few at a time and within a budget,
// and the small reads inside a head never cost a synchronous read again.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import vm from 'node:vm';

const context = {};
vm.runInNewContext(readFileSync(new URL('../src/readahead.js', import.meta.url), 'utf8'), context);
const { ReadAhead } = context;

const SMALL = 256;
const fill = (n, seed) => Uint8Array.from({ length: n }, (_, i) => (i * 13 + seed * 29) & 255);
const file = (size, k) => ({ size, bytes: fill(size, k + 3) });

// A ReadAhead over fake files that counts its synchronous reads and the
// asynchronous reads in flight; failing: the files whose async read throws.
function harness(failing = []) {
  const h = { trips: 0, inFlight: 0, maxInFlight: 0, asyncReads: 0 };
  h.ahead = new ReadAhead((blob, start, end) => {
    h.trips++;
    return blob.bytes.slice(start, end);
  }, SMALL, 1024, 2);
  h.readAsync = async (blob, start, end) => {
    h.asyncReads++;
    h.maxInFlight = Math.max(h.maxInFlight, ++h.inFlight);
    await new Promise((r) => setImmediate(r));
    h.inFlight--;
    if (failing.includes(blob)) throw new Error('NotReadableError');
    assert.ok(start === 0 && end <= blob.size, `head ${start}..${end} of ${blob.size}`);
    return blob.bytes.slice(start, end);
  };
  return h;
}

// Each case: the files' sizes, the blobs handed over (indices; a file may
// come twice), the budget, the reads at a time, the files whose async read
// fails, and the files that must end up with a head.
const CASES = [
  { name: 'all heads fit', sizes: [1000, 500, 64], budget: 1024, parallel: 8, headed: [0, 1, 2] },
  { name: 'the budget leaves some to be read on demand', sizes: [1000, 1000, 1000, 1000, 100], budget: 620, parallel: 8, headed: [0, 1, 4] },
  { name: 'more files than reads at a time', sizes: [300, 300, 300, 300, 300, 300, 300], budget: 1 << 20, parallel: 3, headed: [0, 1, 2, 3, 4, 5, 6] },
  { name: 'a head that cannot be read is read on demand', sizes: [700, 700, 700], budget: 1 << 20, parallel: 2, failing: [1], headed: [0, 2] },
  { name: 'a file given twice is read once', sizes: [900, 400], given: [0, 0, 1, 0], budget: 1 << 20, parallel: 8, headed: [0, 1] },
  { name: 'an empty file has no head', sizes: [0, 40], budget: 1 << 20, parallel: 8, headed: [1] },
];

for (const c of CASES) {
  test(`the read-ahead's heads: ${c.name}`, async () => {
    const files = c.sizes.map(file);
    const h = harness((c.failing || []).map((i) => files[i]));
    await h.ahead.readHeads((c.given || files.map((_, i) => i)).map((i) => files[i]), h.readAsync, c.budget, c.parallel);
    assert.equal(h.maxInFlight, Math.min(c.parallel, c.headed.length + (c.failing || []).length), "reads at a time");
    assert.deepEqual(files.map((f, i) => i).filter((i) => h.ahead.heads.has(files[i])), c.headed);
    assert.equal(h.asyncReads, c.headed.length + (c.failing || []).length);
    const held = [...h.ahead.heads.values()].reduce((n, b) => n + b.length, 0);
    assert.ok(held <= c.budget, `${held} bytes of heads`);

    // A header read in small pieces, twice, as planning and then Make File
    // read it: no synchronous read for a file with a head, and the same
    // bytes either way.
    files.forEach((f, i) => {
      const before = h.trips;
      for (let pass = 0; pass < 2; pass++) {
        for (const [at, n] of [[0, 12], [12, 8], [20, 24], [44, 200], [SMALL - 10, 10], [f.size - 2, 6]]) {
          if (at < 0 || Math.min(at + n, f.size) > SMALL) continue; // past the head
          const dst = new Uint8Array(n);
          const count = h.ahead.read(f, dst, at);
          assert.equal(count, Math.max(0, Math.min(n, f.size - at)));
          assert.deepEqual([...dst.subarray(0, count)], [...f.bytes.subarray(at, at + count)], `file ${i} at ${at}+${n}`);
        }
      }
      if (c.headed.includes(i)) assert.equal(h.trips, before, `file ${i} read synchronously`);
    });
  });
}

test('a read past the head, and any read after the job, go to the file', async () => {
  const f = file(5000, 1);
  const h = harness();
  await h.ahead.readHeads([f], h.readAsync, 1 << 20, 4);
  const cases = [[SMALL - 4, 8], [SMALL, 100], [3000, 2000]];
  for (const [at, n] of cases) {
    const dst = new Uint8Array(n);
    assert.equal(h.ahead.read(f, dst, at), n);
    assert.deepEqual([...dst], [...f.bytes.subarray(at, at + n)], `at ${at}+${n}`);
  }
  assert.equal(h.trips, 2); // one window holds both reads across the head's end
  h.ahead.clear();
  h.ahead.read(f, new Uint8Array(4), 0);
  assert.equal(h.trips, 3);
});

test('heads already held count against the budget of the next call', async () => {
  const files = [file(1000, 1), file(1000, 2), file(1000, 3)];
  const h = harness();
  await h.ahead.readHeads([files[0]], h.readAsync, 600, 8);
  await h.ahead.readHeads(files, h.readAsync, 600, 8);
  assert.equal(h.ahead.heads.size, 2);
  assert.equal(h.asyncReads, 2);
});
