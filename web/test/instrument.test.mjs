// Instrument files on the page: an SFZ folder picked as a folder is listed
// and Make File writes dorvane-cli make's bytes for it; the files the page
// cannot read and a mix with the pool's entries are refused with the
// engine's messages and nothing is offered.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync, spawnSync } from 'node:child_process';
import { mkdirSync, mkdtempSync, readFileSync, readdirSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { keySpans, noteName, velocityLayers } from '../src/instrument.js';
import { CLI, EXAMPLES, addFiles, errorsOf, messages, usePage, waitForDownload, waitIdle } from './harness.mjs';

const newPage = usePage();


test('the listed keys join touching and overlapping ranges, and velocity layers are listed once', () => {
  const zone = (loKey, hiKey, loVel = 1, hiVel = 127, keyRange = true) => ({ loKey, hiKey, loVel, hiVel, rootKey: loKey, keyRange });
  for (const [name, zones, keys, vels] of [
    ['one zone', [zone(60, 60)], 'C4', '1–127'],
    ['touching, out of order', [zone(60, 64), zone(48, 59)], 'C3–E4', '1–127'],
    ['overlapping, one inside another', [zone(48, 72), zone(50, 52), zone(70, 80)], 'C3–G#5', '1–127'],
    ['a gap of one key', [zone(48, 58), zone(60, 61)], 'C3–A#3, C4–C#4', '1–127'],
    ['layers, repeated', [zone(48, 59, 64, 127), zone(48, 59, 1, 63), zone(72, 79, 1, 63)], 'C3–B3, C5–G5', '1–63, 64–127'],
    ['roots only (nearest root)', [zone(62, 62, 1, 127, false), zone(0, 127, 1, 127, false)], 'C-1, D4', '1–127'],
  ]) {
    assert.equal(keySpans(zones), keys, name);
    assert.equal(velocityLayers(zones), vels, name);
  }
  assert.deepEqual([0, 59, 60, 127].map(noteName), ['C-1', 'B3', 'C4', 'G9']);
});
const run = (program, args, cwd) => execFileSync(program, args, { cwd, stdio: ['ignore', 'pipe', 'pipe'] });
// What dorvane-cli prints (both streams), line by line, and its exit status.
function cli(args, cwd) {
  const done = spawnSync(CLI, args, { cwd, encoding: 'utf8' });
  return { status: done.status, lines: (done.stdout + done.stderr).trim().split('\n') };
}

// kit/piano.sfz: two velocity layers over C3..B3 and C5..G5 (nothing
// between), its samples under kit/samples/ through an included file's
// default_path, one loud zone tuned and quieter, one stereo.
const SFZ = `// two layers, a gap from C4 to B4
#include "common.sfzh"
<group> lovel=1 hivel=63
<region> sample=c3_soft.wav lokey=c3 hikey=b3 pitch_keycenter=c3
<region> sample=c5_soft.wav lokey=c5 hikey=g5 pitch_keycenter=c5
<group> lovel=64 hivel=127
<region> sample=c3_loud.wav lokey=48 hikey=59 pitch_keycenter=48
<region> sample=c5_loud.wav lokey=72 hikey=79 pitch_keycenter=72 tune=-12 volume=-3
`;

function makeKit() {
  const dir = mkdtempSync(join(tmpdir(), 'dorvane-instrument-'));
  const kit = join(dir, 'kit');
  mkdirSync(join(kit, 'samples'), { recursive: true });
  writeFileSync(join(kit, 'piano.sfz'), SFZ);
  writeFileSync(join(kit, 'common.sfzh'), '<control> default_path=samples/\n');
  const sounds = [['c3_soft', 1, 130.8, 0.3], ['c5_soft', 1, 523.3, 0.3], ['c3_loud', 1, 130.8, 0.9], ['c5_loud', 2, 523.3, 0.9]];
  for (const [name, channels, hz, vol] of sounds)
    run('sox', ['-n', '-r', '22050', '-c', String(channels), '-b', '16', join(kit, 'samples', name + '.wav'),
      'synth', '0.2', 'sine', String(hz), 'vol', String(vol)]);
  return { dir, kit };
}

async function typeInto(page, selector, text) {
  await page.click(selector, { clickCount: 3 });
  await page.keyboard.press('Backspace');
  await page.type(selector, text);
}

const instrumentRows = (page) => page.$$eval('#instrument-list tbody tr', (trs) =>
  trs.map((tr) => [...tr.querySelectorAll('td')].slice(0, 5).map((td) => td.textContent)));

test('an SFZ folder is listed and made into dorvane-cli make\'s bytes', async () => {
  const { dir, kit } = makeKit();
  const { page, downloads } = await newPage();
  const errors = errorsOf(page);
  await (await page.$('#pick-folder')).uploadFile(kit);
  await page.waitForFunction(() => document.querySelectorAll('#instrument-list tbody tr').length === 1);
  await waitIdle(page);
  assert.deepEqual(await instrumentRows(page), [['kit/piano.sfz', 'piano', '4', 'C3–B3, C5–G5', '1–63, 64–127']]);
  assert.equal(await page.$eval('#instruments', (s) => s.hidden), false);
  assert.equal(await page.$$eval('#entries tbody tr', (trs) => trs.length), 0, 'the drop went to the pool');

  await typeInto(page, '#output', 'PIANO.KRZ');
  await page.click('#make');
  const made = await waitForDownload(downloads, 'PIANO.KRZ');
  const cliMake = cli(['make', '-o', 'PIANO.KRZ', 'kit/piano.sfz'], dir);
  assert.equal(cliMake.status, 0);
  const expected = readFileSync(join(dir, 'PIANO.KRZ'));
  assert.ok(made.equals(expected), 'the page wrote other bytes than dorvane-cli');
  // The same notes and summary, newest first on the page.
  assert.deepEqual((await messages(page)).slice(0, cliMake.lines.length), [...cliMake.lines].reverse());

  // With the pool's entries beside them, Make File refuses as dorvane-cli
  // does for instrument files mixed with audio files.
  await addFiles(page, [join(EXAMPLES, 'bass.wav')], 1);
  await typeInto(page, '#output', 'MIXED.KRZ');
  await page.click('#make');
  await waitIdle(page);
  const mixed = cli(['make', '-o', 'MIXED.KRZ', 'kit/piano.sfz', join(EXAMPLES, 'bass.wav')], dir);
  assert.equal(mixed.status, 1);
  assert.deepEqual([(await messages(page))[0]], mixed.lines);
  // New clears the pool and the instruments.
  await page.click('#new-pool');
  assert.equal(await page.$eval('#instruments', (s) => s.hidden), true);
  await new Promise((r) => setTimeout(r, 300));
  assert.ok(!readdirSync(downloads).some((n) => n.startsWith('MIXED')), 'a refused make offered a file');
  assert.deepEqual(errors, []);
  await page.close();
});

test('files the page cannot read are refused by name and not listed', async () => {
  const dir = mkdtempSync(join(tmpdir(), 'dorvane-refused-'));
  const cases = [
    ['bank.sf2', 'RIFF', /^bank\.sf2: the page cannot read SoundFont 2 banks \(\.sf2\)\. dorvane-cli \(dorvane-cli make -o OUT\.KRZ bank\.sf2\) and the desktop program can\./],
    ['preset.dspreset', '<DecentSampler/>', /^preset\.dspreset: the page cannot read DecentSampler presets \(\.dspreset\)\. dorvane-cli .* and the desktop program can\./],
    ['empty.sfz', '// nothing\n', /^empty\.sfz: /],
  ];
  const { page } = await newPage();
  const errors = errorsOf(page);
  for (const [name, text, shown] of cases) {
    writeFileSync(join(dir, name), text);
    await (await page.$('#pick-files')).uploadFile(join(dir, name));
    await page.waitForFunction((n) => [...document.querySelectorAll('#messages li')].some((li) => li.textContent.startsWith(n)), {}, name);
    await waitIdle(page);
    const all = await messages(page);
    assert.match(all.find((m) => m.startsWith(name)), shown, name);
    assert.equal(await page.$eval('#instruments', (s) => s.hidden), true, name);
  }
  assert.deepEqual(errors, []);
  await page.close();
});
