// Adding files on the page: the bar counts the files as they are added; a
// pool file given after files asks before its entries replace them; a
// folder that holds a pool fills the pool's entries and adds its other
// files only when the user says so.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { copyFileSync, mkdtempSync, readFileSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { CLI, EXAMPLES, addFiles, usePage, waitForDownload, waitIdle } from './harness.mjs';

const WAVS = ['bass.wav', 'pad.wav', 'pluck.wav', 'snare.wav'];
// The entries of example.dvn, in its order.
const POOL = ['pluck.wav', 'pad.wav', 'snare.wav', 'bass.wav'];
const newPage = usePage();

const fileColumn = (page) => page.$$eval('#entries tbody td.file', (tds) => tds.map((td) => td.textContent));

// Answers every confirm with answer; returns the questions asked.
function answerDialogs(page, answer) {
  const asked = [];
  page.on('dialog', async (dialog) => {
    asked.push(dialog.message());
    await (answer ? dialog.accept() : dialog.dismiss());
  });
  return asked;
}

function monoWav(frames, seed) {
  const out = Buffer.alloc(44 + 2 * frames);
  out.write('RIFF', 0); out.writeUInt32LE(36 + 2 * frames, 4); out.write('WAVEfmt ', 8);
  out.writeUInt32LE(16, 16); out.writeUInt16LE(1, 20); out.writeUInt16LE(1, 22);
  out.writeUInt32LE(22050, 24); out.writeUInt32LE(44100, 28); out.writeUInt16LE(2, 32);
  out.writeUInt16LE(16, 34); out.write('data', 36); out.writeUInt32LE(2 * frames, 40);
  for (let i = 0; i < frames; i++) out.writeInt16LE(((i * 97 + seed * 1013) % 65536) - 32768, 44 + 2 * i);
  return out;
}

test('adding files counts them on the bar, one by one, and ends ready', async () => {
  const dir = mkdtempSync(join(tmpdir(), 'dorvane-count-'));
  const paths = [];
  for (let i = 0; i < 25; i++) {
    paths.push(join(dir, `n${String(i).padStart(2, '0')}.wav`));
    writeFileSync(paths[i], monoWav(2000 + i, i));
  }
  const { page } = await newPage();
  await page.evaluate(() => {
    window.seen = [];
    const note = () => window.seen.push([document.getElementById('status').textContent, document.getElementById('progress').max]);
    new MutationObserver(note).observe(document.getElementById('status'), { childList: true, characterData: true, subtree: true });
  });
  await addFiles(page, paths, 25);
  const seen = await page.evaluate(() => window.seen);
  const counts = seen.filter(([s]) => s.startsWith('Adding ') && s.endsWith(' files'));
  assert.deepEqual(counts.map(([s]) => s), paths.map((_, k) => `Adding ${k + 1} of 25 files`));
  assert.ok(counts.every(([, max]) => max === 25), 'the bar runs over the 25 files');
  assert.equal(seen.at(-1)[0], 'Ready');
  await page.close();
});

test('a pool file given after files asks first, and "no" keeps the entries', async () => {
  for (const answer of [false, true]) {
    const { page } = await newPage();
    const asked = answerDialogs(page, answer);
    await addFiles(page, [join(EXAMPLES, 'bass.wav')], 1);
    await (await page.$('#pick-files')).uploadFile(join(EXAMPLES, 'example.dvn'));
    await page.waitForFunction(() => document.body.classList.contains('busy') || document.querySelectorAll('#entries tbody tr').length !== 1, { timeout: 2000 }).catch(() => {});
    await waitIdle(page);
    assert.deepEqual(asked, ['Open example.dvn? Its entries replace the 1 entries of the pool.']);
    assert.deepEqual(await fileColumn(page), answer ? POOL : ['bass.wav'], `answered ${answer}`);
    assert.equal(await page.$eval('#missing', (p) => p.hidden), !answer);
    await page.close();
  }
});

test('a folder with a pool fills its entries, and adds its other files only when asked', async () => {
  const dir = mkdtempSync(join(tmpdir(), 'dorvane-fill-'));
  const proj = join(dir, 'proj');
  execFileSync('mkdir', [proj]);
  for (const n of [...WAVS, 'example.dvn']) copyFileSync(join(EXAMPLES, n), join(proj, n));
  writeFileSync(join(proj, 'extra.wav'), monoWav(3000, 7));
  execFileSync(CLI, ['make', '-o', join(dir, 'EX.KRZ'), 'example.dvn'], { cwd: proj, stdio: 'ignore' });
  for (const answer of [false, true]) {
    const { page, downloads } = await newPage();
    const asked = answerDialogs(page, answer);
    await (await page.$('#pick-folder')).uploadFile(proj);
    await page.waitForFunction(() => document.querySelector('#missing').hidden &&
      document.querySelectorAll('#entries tbody tr').length >= 4);
    await waitIdle(page);
    assert.deepEqual(asked, ['1 of the files given are not files of the pool. Add them to the pool as new entries?']);
    assert.deepEqual(await fileColumn(page), answer ? [...POOL, 'extra.wav'] : POOL, `answered ${answer}`);
    if (!answer) {
      await page.$eval('#output', (el) => (el.value = 'EX.KRZ'));
      await page.click('#make');
      const made = await waitForDownload(downloads, 'EX.KRZ');
      assert.ok(made.equals(readFileSync(join(dir, 'EX.KRZ'))), 'the page wrote other bytes than dorvane-cli');
    }
    await page.close();
  }
});
