// The page's outputs on disk (the origin private file system): Make File's
// file is written there and downloaded from there (every page test's bytes
// against dorvane-cli's go this way), stays while the next operation runs,
// goes when the one after starts, and a closed page's folder goes when
// another page opens. A disk that fills up while Make File writes changes
// nothing the user sees.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { createHash } from 'node:crypto';
import { execFileSync } from 'node:child_process';
import { cpSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { CLI, DIST, EXAMPLES, addFiles, errorsOf, launch, openPage, serve, usePage, waitForDownload, waitIdle } from './harness.mjs';

const WAVS = ['bass.wav', 'pad.wav', 'pluck.wav', 'snare.wav'];
const newPage = usePage();

// The page's disk folders, each { name, files: [sha-256 of each file] }.
function diskFolders(page) {
  return page.evaluate(async () => {
    const hex = (buffer) => [...new Uint8Array(buffer)].map((b) => b.toString(16).padStart(2, '0')).join('');
    const folders = [];
    for await (const [name, dir] of (await navigator.storage.getDirectory()).entries()) {
      const files = [];
      for await (const [, file] of dir.entries()) {
        // A handle the worker holds open for the next operation locks its (empty) file.
        const bytes = await file.getFile().then((f) => f.arrayBuffer(), () => null);
        if (bytes) files.push(hex(await crypto.subtle.digest('SHA-256', bytes)));
      }
      folders.push({ name, files });
    }
    return folders;
  });
}

const sha = (bytes) => createHash('sha256').update(bytes).digest('hex');

test('Make File goes through a disk file, kept until the operation after the next one starts', async () => {
  const first = await newPage();
  const errors = errorsOf(first.page);
  await addFiles(first.page, WAVS.map((n) => join(EXAMPLES, n)), WAVS.length);
  await first.page.click('#make');
  const made = await waitForDownload(first.downloads, 'SAMPLES.KRZ');
  const onDisk = async () => (await diskFolders(first.page)).flatMap((f) => f.files).includes(sha(made));
  assert.equal((await diskFolders(first.page)).length, 1, 'one folder for the page');
  assert.ok(await onDisk(), 'the output is a disk file');
  await first.page.click('#save-pool');
  await waitIdle(first.page);
  assert.ok(await onDisk(), 'kept while the next operation runs');
  await first.page.click('#save-pool');
  await waitIdle(first.page);
  assert.ok(!(await onDisk()), 'removed when the one after starts');
  const [{ name: closed }] = await diskFolders(first.page);
  assert.deepEqual(errors, []);
  await first.page.close();

  // The next page removes the closed page's folder.
  const second = await newPage();
  await second.page.waitForFunction(async (name) => {
    for await (const entry of (await navigator.storage.getDirectory()).keys()) if (entry === name) return false;
    return true;
  }, { polling: 100, timeout: 10000 }, closed);
  assert.equal((await diskFolders(second.page)).length, 1);
  await second.page.close();
});

test('a disk that fills up halfway through Make File: the file is dorvane-cli\'s all the same', async () => {
  // The page's files, with a worker whose disk refuses writes past 100000 bytes.
  const root = mkdtempSync(join(tmpdir(), 'dorvane-full-disk-'));
  cpSync(DIST, root, { recursive: true });
  const worker = join(root, 'engine-worker.js');
  writeFileSync(worker, `{
    let written = 0;
    const write = FileSystemSyncAccessHandle.prototype.write;
    FileSystemSyncAccessHandle.prototype.write = function (buffer, options) {
      written += buffer.byteLength;
      if (written > 100000) throw new DOMException('The disk is full.', 'QuotaExceededError');
      return write.call(this, buffer, options);
    };
  }\n` + readFileSync(worker, 'utf8'));
  const server = await serve(root);
  const chromium = await launch();
  try {
    const { page, downloads } = await openPage(chromium.browser, server.url);
    const errors = errorsOf(page);
    await addFiles(page, WAVS.map((n) => join(EXAMPLES, n)), WAVS.length);
    await page.click('#make');
    const made = await waitForDownload(downloads, 'SAMPLES.KRZ');
    assert.ok(made.length > 100000);
    const dir = join(root, 'cli');
    cpSync(EXAMPLES, dir, { recursive: true });
    execFileSync(CLI, ['make', '-o', 'SAMPLES.KRZ', ...WAVS], { cwd: dir, stdio: 'ignore' });
    assert.ok(made.equals(readFileSync(join(dir, 'SAMPLES.KRZ'))), 'the page wrote other bytes than dorvane-cli');
    assert.ok(!(await diskFolders(page)).flatMap((f) => f.files).includes(sha(made)), 'the file left the disk');
    assert.deepEqual(errors, []);
  } finally {
    await chromium.close();
    server.close();
    rmSync(root, { recursive: true, force: true });
  }
});
