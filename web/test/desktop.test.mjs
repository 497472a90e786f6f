// Behaviour the page shares with the desktop program: leaving out unusable
// files when asked (dorvane-cli's --skip-unusable), and a pool that names
// one file twice taking that file once for both entries.
import { before, test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { copyFileSync, mkdtempSync, readFileSync, readdirSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { CLI, DIST, EXAMPLES, addFiles, checkAccess, messages, usePage, waitForDownload, waitIdle } from './harness.mjs';

const newPage = usePage();
const cli = (args, cwd) => execFileSync(CLI, args, { cwd, stdio: ['ignore', 'pipe', 'pipe'] });
const BROKEN = Buffer.from('RIFF\x04\x00\x00\x00WAVEjunk');
const REFUSAL = 'Error in file: broken.wav\nFile is bad or non-existing...';

// bass.wav and a broken WAV file in a fresh folder, with dorvane-cli's
// SAMPLES.KRZ of them made with --skip-unusable.
function skipFolder() {
  const dir = mkdtempSync(join(tmpdir(), 'dorvane-skip-'));
  copyFileSync(join(EXAMPLES, 'bass.wav'), join(dir, 'bass.wav'));
  writeFileSync(join(dir, 'broken.wav'), BROKEN);
  cli(['make', '--skip-unusable', '-o', 'SAMPLES.KRZ', 'bass.wav', 'broken.wav'], dir);
  return dir;
}

let E;
before(async () => {
  const createDorvaneEngine = createRequire(import.meta.url)(join(DIST, 'dorvane-engine.js'));
  E = await createDorvaneEngine({ wasmBinary: readFileSync(join(DIST, 'dorvane-engine.wasm')) });
});

test('the engine leaves out unusable entries only when asked, as dorvane-cli', () => {
  const dir = skipFolder();
  E.FS.mkdir('/skip');
  E.FS.writeFile('/skip/bass.wav', readFileSync(join(EXAMPLES, 'bass.wav')));
  E.FS.writeFile('/skip/broken.wav', BROKEN);
  const entries = ['bass', 'broken'].map((n) => ({ fileName: n + '.wav', path: `/skip/${n}.wav`, sampleName: n }));
  for (const [settings, ok] of [[{}, false], [{ skipUnusable: false }, false], [{ skipUnusable: true }, true]]) {
    const made = E.make(entries, settings, '/skip/OUT.KRZ', () => {});
    assert.equal(made.ok, ok, JSON.stringify(settings));
    assert.equal(E.FS.analyzePath('/skip/OUT.KRZ').exists, ok, JSON.stringify(settings));
  }
  assert.ok(Buffer.from(E.FS.readFile('/skip/OUT.KRZ')).equals(readFileSync(join(dir, 'SAMPLES.KRZ'))));
});

test('"Leave out unusable files" makes dorvane-cli --skip-unusable\'s file; off, nothing is made', async () => {
  const dir = skipFolder();
  const { page, downloads } = await newPage();
  assert.equal(await page.$eval('#skip-unusable', (el) => el.checked), false);
  await addFiles(page, [join(dir, 'bass.wav'), join(dir, 'broken.wav')], 2);
  await page.click('#make');
  await page.waitForFunction(() => document.querySelectorAll('#messages li').length === 2);
  await waitIdle(page);
  assert.deepEqual(readdirSync(downloads), []);
  await checkAccess(page, 'a refused Make File');
  await page.click('#skip-unusable');
  await page.click('#make');
  const made = await waitForDownload(downloads, 'SAMPLES.KRZ');
  assert.ok(made.equals(readFileSync(join(dir, 'SAMPLES.KRZ'))), 'the page wrote other bytes than dorvane-cli');
  assert.equal((await messages(page))[1], REFUSAL);
  await page.close();
});

// The pool names BASS.WAV twice; the dropped file is bass.wav, found by its
// name in any case.
test('a pool that names one file twice takes the dropped file for both entries', async () => {
  const dir = mkdtempSync(join(tmpdir(), 'dorvane-twice-'));
  copyFileSync(join(EXAMPLES, 'bass.wav'), join(dir, 'BASS.WAV'));
  cli(['pool', '-o', 'twice.dvn', 'BASS.WAV', 'BASS.WAV'], dir);
  cli(['make', '-o', 'TWICE.KRZ', 'twice.dvn'], dir);
  const { page, downloads } = await newPage();
  await (await page.$('#pick-files')).uploadFile(join(dir, 'twice.dvn'));
  await page.waitForSelector('#missing:not([hidden])');
  await waitIdle(page);
  await (await page.$('#pick-files')).uploadFile(join(EXAMPLES, 'bass.wav'));
  await page.waitForFunction(() => document.querySelector('#missing').hidden);
  await waitIdle(page);
  assert.equal(await page.$$eval('#entries tbody tr', (rows) => rows.length), 2);
  await page.$eval('#output', (el) => (el.value = 'TWICE.KRZ'));
  await page.click('#make');
  const made = await waitForDownload(downloads, 'TWICE.KRZ');
  assert.ok(made.equals(readFileSync(join(dir, 'TWICE.KRZ'))), 'the page wrote other bytes than dorvane-cli');
  await page.close();
});

// A pool's entry whose file was never given is unusable too.
test('with "Leave out unusable files", a missing file is left out as dorvane-cli leaves it out', async () => {
  const dir = mkdtempSync(join(tmpdir(), 'dorvane-gone-'));
  const given = ['bass.wav', 'pad.wav', 'snare.wav'];
  for (const n of [...given, 'example.dvn']) copyFileSync(join(EXAMPLES, n), join(dir, n));
  cli(['make', '--skip-unusable', '-o', 'LEFT.KRZ', 'example.dvn'], dir);
  const { page, downloads } = await newPage();
  await page.click('#skip-unusable');
  await (await page.$('#pick-files')).uploadFile(join(dir, 'example.dvn'), ...given.map((n) => join(dir, n)));
  await page.waitForFunction(() => document.querySelector('#missing').textContent.endsWith(': pluck.wav'));
  await waitIdle(page);
  await page.$eval('#output', (el) => (el.value = 'LEFT.KRZ'));
  await page.click('#make');
  const made = await waitForDownload(downloads, 'LEFT.KRZ');
  assert.ok(made.equals(readFileSync(join(dir, 'LEFT.KRZ'))), 'the page wrote other bytes than dorvane-cli');
  assert.equal((await messages(page))[1], 'Error in file: pluck.wav\nThe file was not found.');
  await page.close();
});
