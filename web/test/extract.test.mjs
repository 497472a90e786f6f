// Extract on the page: the zip it offers holds, entry for entry and byte
// for byte, the files dorvane-cli extract writes for the same KRZ files
// (whole, a split file's parts, or on a floppy image); a file that is no KRZ file is refused
// with the engine's message and nothing is offered.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { copyFileSync, mkdtempSync, readFileSync, readdirSync, statSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, relative } from 'node:path';
import { unzipSync } from 'fflate';
import { CLI, EXAMPLES, chooserOf, errorsOf, messages, usePage, waitForDownload, waitIdle } from './harness.mjs';

const newPage = usePage();

const cli = (args, cwd) => execFileSync(CLI, args, { cwd, stdio: ['ignore', 'pipe', 'pipe'] });

// Every file under folder, by its path relative to it, with its bytes.
function tree(folder, root = folder, out = {}) {
  for (const name of readdirSync(folder)) {
    const path = join(folder, name);
    if (statSync(path).isDirectory()) tree(path, root, out);
    else out[relative(root, path)] = readFileSync(path);
  }
  return out;
}

// A folder with SAMPLES.KRZ (four examples, one keymap shared by two) and
// BIG.KRZ cut into parts of 100 KB.
function makeSources() {
  const dir = mkdtempSync(join(tmpdir(), 'dorvane-extract-'));
  for (const n of ['bass.wav', 'pad.wav', 'pluck.wav', 'snare.wav']) copyFileSync(join(EXAMPLES, n), join(dir, n));
  cli(['make', '-o', 'SAMPLES.KRZ', 'bass.wav', 'pad.wav', 'pluck.wav', 'snare.wav'], dir);
  cli(['make', '-o', 'BIG.KRZ', 'pad.wav', 'pluck.wav', 'bass.wav', '--split', '--split-size', '100'], dir);
  // A floppy image holding SAMPLES.KRZ in a folder.
  execFileSync('mkfs.fat', ['-C', join(dir, 'DISK.IMG'), '1440'], { stdio: 'ignore' });
  execFileSync('mmd', ['-i', join(dir, 'DISK.IMG'), '::KIT']);
  execFileSync('mcopy', ['-i', join(dir, 'DISK.IMG'), join(dir, 'SAMPLES.KRZ'), '::KIT/']);
  return dir;
}

test('the zip holds what dorvane-cli extract writes, for whole files, split files and a floppy image', async () => {
  const dir = makeSources();
  const parts = readdirSync(dir).filter((n) => /^BIG\.KRZ\d\d$/.test(n)).sort();
  assert.ok(parts.length > 1, 'BIG.KRZ was not split');
  const cases = [
    ['one KRZ file', ['SAMPLES.KRZ'], ['SAMPLES.KRZ'], 'SAMPLES-extracted.zip'],
    ['a split file from its parts', [...parts].reverse(), [parts[0]], 'BIG-extracted.zip'],
    ['two files', ['SAMPLES.KRZ', ...parts], ['SAMPLES.KRZ', parts[0]], 'extracted.zip'],
    ['a floppy image', ['DISK.IMG'], ['DISK.IMG'], 'SAMPLES-extracted.zip'],
  ];
  for (const [name, picked, sources, zipName] of cases) {
    const { page, downloads } = await newPage();
    const errors = errorsOf(page);
    // The button opens the file picker from the keyboard.
    await page.focus('#extract');
    const chooser = await chooserOf(page, () => page.keyboard.press('Enter'));
    await chooser.accept(picked.map((n) => join(dir, n)));
    const zip = unzipSync(new Uint8Array(await waitForDownload(downloads, zipName)));
    const out = mkdtempSync(join(tmpdir(), 'dorvane-extracted-'));
    cli(['extract', ...sources, '-o', out], dir);
    const expected = tree(out);
    assert.deepEqual(Object.keys(zip).sort(), Object.keys(expected).sort(), name);
    for (const [entry, bytes] of Object.entries(expected))
      assert.ok(Buffer.from(zip[entry]).equals(bytes), `${name}: ${entry} differs`);
    await waitIdle(page);
    const shown = await messages(page);
    assert.equal(shown[0], `Extracted ${sources.length} KRZ file(s) into ${zipName}`, name);
    const reports = Object.keys(expected).filter((e) => e.endsWith('report.txt'));
    assert.equal(reports.length, sources.length, name);
    for (const report of reports)
      assert.ok(shown.includes(report + ':\n' + expected[report].toString()), `${name}: ${report} not shown`);
    assert.deepEqual(errors, []);
  await page.close();
  }
});

test('Extract refuses what is no KRZ file, or a later part alone, and offers nothing', async () => {
  const dir = makeSources();
  writeFileSync(join(dir, 'NOTES.KRZ'), 'not a KRZ file');
  const cases = [
    ['no KRZ file', ['NOTES.KRZ'], 'ERROR: NOTES.KRZ is not a KRZ file.'],
    ['a later part alone', ['BIG.KRZ02'], 'ERROR: BIG.KRZ02 is a later part of a multi-disk file: extract its first part.'],
    ['a KRZ file with one that is not', ['SAMPLES.KRZ', 'NOTES.KRZ'], 'ERROR: NOTES.KRZ is not a KRZ file.'],
  ];
  for (const [name, picked, shown] of cases) {
    const { page, downloads } = await newPage();
    const errors = errorsOf(page);
    await (await page.$('#extract-files')).uploadFile(...picked.map((n) => join(dir, n)));
    await page.waitForFunction(() => document.querySelectorAll('#messages li').length > 0);
    await waitIdle(page);
    assert.equal((await messages(page))[0], shown, name);
    await new Promise((r) => setTimeout(r, 300));
    assert.deepEqual(readdirSync(downloads), [], name);
    assert.deepEqual(errors, []);
  await page.close();
  }
});
