// The page's reads of the picked files in chromium, where the engine waits
// at its reads for a pipeline reading ahead of it: files of several of its
// pieces (blocks across the pieces' edges), files within their heads and
// between, in one Make File, give dorvane-cli's bytes, with no console
// error.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { CLI, addFiles, errorsOf, usePage, waitForDownload, waitIdle } from './harness.mjs';
import { stereoWav } from '../../bench/bench-wav.mjs';

const newPage = usePage();
const MiB = 1024 * 1024;

// Each case: the files picked as [name, data bytes], in the order of their
// names (the table's order).
const CASES = [
  { name: 'a file of three pieces, then one of one', files: [['long.wav', 9 * MiB + 6], ['mid.wav', 2 * MiB]] },
  { name: 'files within their heads around larger ones', files: [['a.wav', 2000], ['b.wav', 5 * MiB - 40], ['c.wav', 60000], ['d.wav', 70000], ['e.wav', 400]] },
];

for (const c of CASES) {
  test(`Make File through the read pipeline gives dorvane-cli's bytes: ${c.name}`, async () => {
    const { page, downloads } = await newPage();
    const errors = errorsOf(page);
    const dir = mkdtempSync(join(tmpdir(), 'dorvane-reading-'));
    const names = c.files.map(([name, bytes], i) => {
      writeFileSync(join(dir, name), stereoWav(i + 1, bytes));
      return name;
    });
    await addFiles(page, names.map((n) => join(dir, n)), names.length);
    await page.click('#make');
    await waitIdle(page);
    const made = await waitForDownload(downloads, 'SAMPLES.KRZ', 60000);
    execFileSync(CLI, ['make', '-o', 'NATIVE.KRZ', ...names], { cwd: dir, stdio: 'ignore' });
    assert.ok(made.equals(readFileSync(join(dir, 'NATIVE.KRZ'))), 'the same bytes as dorvane-cli');
    rmSync(dir, { recursive: true, force: true });

    const suspending = await page.evaluate(() => new Promise((resolve) => {
      const worker = new Worker('engine-worker.js');
      worker.onmessage = (event) => {
        worker.terminate();
        resolve(event.data.result.suspending);
      };
      worker.postMessage({ id: 1, op: 'reads' });
    }));
    assert.equal(suspending, true, 'chromium suspends the engine at its reads');
    assert.deepEqual(errors, []);
  });
}
