// The page's audio options in headless chromium: files the engine cannot
// read are decoded by the browser into the words sox's own conversion
// gives, refused without the option; root keys and loops from files and
// note names in file names; the rate limit.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { copyFileSync, mkdirSync, mkdtempSync, readFileSync, readdirSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { CLI, EXAMPLES, addFiles, checkAccess, messages, row, usePage, waitForDownload, waitIdle } from './harness.mjs';

const newPage = usePage();

const run = (program, args, cwd) => execFileSync(program, args, { cwd, stdio: ['ignore', 'pipe', 'pipe'] });
const sox = (...args) => run('sox', args);

const field = (page, n, name) => page.$eval(`${row(n)} input[data-field=${name}]`, (i) => (i.type === 'checkbox' ? i.checked : i.value));
const typeText = (page, n) => page.$eval(`${row(n)} td.type`, (td) => td.textContent);

// A copy of a RIFF/WAVE file with a "smpl" chunk after its "fmt " chunk:
// unity note and one forward loop (frames, end inclusive).
function withSmpl(wav, unityNote, start, end) {
  const smpl = Buffer.alloc(8 + 36 + 24);
  smpl.write('smpl', 0);
  smpl.writeUInt32LE(36 + 24, 4);
  smpl.writeUInt32LE(unityNote, 8 + 12);
  smpl.writeUInt32LE(1, 8 + 28);
  smpl.writeUInt32LE(start, 8 + 36 + 8);
  smpl.writeUInt32LE(end, 8 + 36 + 12);
  const fmtEnd = 12 + 8 + wav.readUInt32LE(16);
  const out = Buffer.concat([wav.subarray(0, fmtEnd), smpl, wav.subarray(fmtEnd)]);
  out.writeUInt32LE(out.length - 8, 4);
  return out;
}

// A copy of a FORM AIFF file with "MARK" (markers 1 and 2 at start and
// end) and "INST" (base note, forward sustain loop from marker 1 to 2).
function withInst(aiff, baseNote, start, end) {
  const mark = Buffer.alloc(8 + 2 + 2 * 8);
  mark.write('MARK', 0);
  mark.writeUInt32BE(2 + 2 * 8, 4);
  mark.writeUInt16BE(2, 8);
  [[1, start], [2, end]].forEach(([id, pos], k) => {
    mark.writeUInt16BE(id, 10 + 8 * k);
    mark.writeUInt32BE(pos, 12 + 8 * k);
    mark.writeUInt16BE(0, 16 + 8 * k); // empty name, padded
  });
  const inst = Buffer.alloc(8 + 20);
  inst.write('INST', 0);
  inst.writeUInt32BE(20, 4);
  inst[8] = baseNote;
  inst.writeInt16BE(1, 8 + 8);
  inst.writeInt16BE(1, 8 + 10);
  inst.writeInt16BE(2, 8 + 12);
  const out = Buffer.concat([aiff, mark, inst]);
  out.writeUInt32BE(out.length - 8, 4);
  return out;
}

// Whether dorvane-cli make takes --convert.
const cliConverts = () => run(CLI, ['make', '--help']).toString().includes('--convert');

// name in dir holds the test's sound; cli/name beside it sox's 16-bit
// conversion of it (-D: no dither; always a WAV file, whatever its name),
// which dorvane-cli makes into cli/SAMPLES.KRZ without any option: the
// words dorvane-cli make --convert gives for name, which, where
// dorvane-cli has --convert, must give the same file.
function withSixteenBitTwin(dir, name, soxArgs) {
  sox(...soxArgs, join(dir, name), ...(soxArgs[0] === '-n' ? ['synth', '0.3', 'sine', '440', 'sine', '660', 'vol', '0.8'] : []));
  mkdirSync(join(dir, 'cli'), { recursive: true });
  sox(join(dir, name), '-t', 'wav', '-b', '16', '-e', 'signed', '-D', join(dir, 'cli', name));
  run(CLI, ['make', '-o', 'SAMPLES.KRZ', name], join(dir, 'cli'));
  const twin = readFileSync(join(dir, 'cli', 'SAMPLES.KRZ'));
  if (cliConverts()) {
    run(CLI, ['make', '--convert', '-o', 'CONVERTED.KRZ', name], dir);
    assert.ok(readFileSync(join(dir, 'CONVERTED.KRZ')).equals(twin), 'dorvane-cli make --convert differs from sox');
  }
  return twin;
}

test('a 24-bit WAV file is refused without conversion and gives sox\'s 16-bit words with it', async () => {
  const dir = mkdtempSync(join(tmpdir(), 'dorvane-24-'));
  const expected = withSixteenBitTwin(dir, 'tone.wav', ['-n', '-r', '44100', '-c', '2', '-b', '24']);
  const { page, downloads } = await newPage();
  await addFiles(page, [join(dir, 'tone.wav')], 1);
  const refusal = 'Error in file: tone.wav\n24-bit files are currently not supported.\nThe "Convert other audio files" setting (--convert) reads them.';
  assert.deepEqual(await messages(page), [refusal]);
  await page.click('#make');
  await page.waitForFunction(() => document.querySelectorAll('#messages li').length === 2);
  await waitIdle(page);
  assert.equal((await messages(page))[0], refusal);
  assert.deepEqual(readdirSync(downloads), []);

  await page.click('#convert');
  await page.waitForFunction((r) => !document.querySelector(r).classList.contains('invalid'), {}, row(1));
  assert.match(await typeText(page, 1), /^WAV, decoded in the browser: 16-bit Stereo PCM, 44100 Hz/);
  await page.click('#make');
  const made = await waitForDownload(downloads, 'SAMPLES.KRZ');
  assert.equal(made.length, expected.length);
  assert.ok(made.equals(expected), 'the page wrote other words than sox\'s conversion gives');
  await page.close();
});

// AIFF files are read by the page itself, FLAC files by the browser.
for (const name of ['tone.aiff', 'tone.flac']) {
  test(`a 24-bit ${name.slice(5).toUpperCase()} file gives sox's 16-bit words with conversion`, async () => {
    const dir = mkdtempSync(join(tmpdir(), 'dorvane-24-'));
    const expected = withSixteenBitTwin(dir, name, ['-n', '-r', '44100', '-c', '2', '-b', '24']);
    const { page, downloads } = await newPage();
    await page.click('#convert');
    await addFiles(page, [join(dir, name)], 1);
    assert.deepEqual(await messages(page), []);
    await page.click('#make');
    const made = await waitForDownload(downloads, 'SAMPLES.KRZ');
    assert.ok(made.equals(expected), 'the page wrote other words than sox\'s conversion gives');
    await page.close();
  });
}

test('float WAV files of 16-bit words give those words back', async () => {
  const dir = mkdtempSync(join(tmpdir(), 'dorvane-float-'));
  const expected = withSixteenBitTwin(dir, 'pad.wav', [join(EXAMPLES, 'pad.wav'), '-e', 'floating-point', '-b', '32']);
  const { page, downloads } = await newPage();
  await page.click('#convert');
  await addFiles(page, [join(dir, 'pad.wav')], 1);
  assert.deepEqual(await messages(page), []);
  await page.click('#make');
  assert.ok((await waitForDownload(downloads, 'SAMPLES.KRZ')).equals(expected));
  await page.close();
});

test('a note name in the file name sets the root key with the file-metadata option only', async () => {
  const dir = mkdtempSync(join(tmpdir(), 'dorvane-names-'));
  const names = ['Bass C#3.wav', 'Keys_a4.wav', 'Pad_C4_Eb2.wav', 'Abc4.wav'];
  for (const n of names) copyFileSync(join(EXAMPLES, 'bass.wav'), join(dir, n));
  const paths = names.map((n) => join(dir, n));
  const { page } = await newPage();
  await addFiles(page, paths, 4);
  for (let n = 1; n <= 4; n++) assert.equal(await field(page, n, 'rootKey'), 'C 4');
  await page.click('#new-pool');
  await page.click('#file-metadata');
  await addFiles(page, paths, 4);
  const keys = [];
  for (let n = 1; n <= 4; n++) keys.push(await field(page, n, 'rootKey'));
  // Rows in name order: Abc4 (no note name), Bass C#3, Keys_a4, Pad_C4_Eb2 (the last wins).
  assert.deepEqual(keys, ['C 4', 'C#3', 'A 4', 'D#2']);
  await page.close();
});

test('root key and loop from a smpl chunk, in a plain file and in a converted one', async () => {
  const dir = mkdtempSync(join(tmpdir(), 'dorvane-smpl-'));
  sox(join(EXAMPLES, 'bass.wav'), '-b', '24', join(dir, 'deep24.wav'));
  writeFileSync(join(dir, 'loop24 C2.wav'), withSmpl(readFileSync(join(dir, 'deep24.wav')), 72, 100, 999));
  writeFileSync(join(dir, 'loop16.wav'), withSmpl(readFileSync(join(EXAMPLES, 'bass.wav')), 55, 10, 20));
  sox(join(EXAMPLES, 'bass.wav'), join(dir, 'plain.aiff'));
  writeFileSync(join(dir, 'note.aiff'), withInst(readFileSync(join(dir, 'plain.aiff')), 62, 100, 1000));
  const { page } = await newPage();
  await page.click('#convert');
  await page.click('#file-metadata');
  await addFiles(page, [join(dir, 'loop24 C2.wav'), join(dir, 'loop16.wav'), join(dir, 'note.aiff'), join(EXAMPLES, 'pad.wav')], 4);
  assert.deepEqual(await messages(page), []);
  assert.deepEqual([await field(page, 3, 'rootKey'), await field(page, 3, 'loop')], ['D 4', true]);
  // Rows in name order; the stored note wins over the note name C2.
  assert.deepEqual([await field(page, 1, 'rootKey'), await field(page, 1, 'loop')], ['G 3', true]);
  assert.deepEqual([await field(page, 2, 'rootKey'), await field(page, 2, 'loop')], ['C 5', true]);
  assert.deepEqual([await field(page, 4, 'rootKey'), await field(page, 4, 'loop')], ['C 4', false]);
  await page.close();
});

test('a file above the rate limit is resampled by the browser to the limit', async () => {
  const dir = mkdtempSync(join(tmpdir(), 'dorvane-rate-'));
  sox('-n', '-r', '96000', '-c', '1', '-b', '16', join(dir, 'fast.wav'), 'synth', '0.25', 'sine', '1000');
  const { page, downloads } = await newPage();
  await addFiles(page, [join(dir, 'fast.wav')], 1);
  assert.match(await typeText(page, 1), /^16-bit Mono PCM, 96000 Hz/);
  await page.$eval('#max-rate', (i) => {
    i.value = '48000';
    i.dispatchEvent(new Event('change'));
  });
  await page.waitForFunction((r) => /resampled from 96000 Hz/.test(document.querySelector(r + ' td.type').textContent), {}, row(1));
  assert.match(await typeText(page, 1), /: 16-bit Mono PCM, 48000 Hz, 24000 Bytes$/);
  await checkAccess(page, 'a resampled entry');
  await page.click('#make');
  await waitForDownload(downloads, 'SAMPLES.KRZ');
  await page.close();
});

test('options that change nothing for a pool give dorvane-cli\'s bytes', async () => {
  const wavs = ['bass.wav', 'pad.wav', 'pluck.wav', 'snare.wav'];
  const dir = mkdtempSync(join(tmpdir(), 'dorvane-same-'));
  run(CLI, ['make', '-o', 'SAMPLES.KRZ', ...wavs.map((n) => join(EXAMPLES, n))], dir);
  const { page, downloads } = await newPage();
  for (const id of ['#convert', '#file-metadata', '#multisample']) await page.click(id);
  await addFiles(page, wavs.map((n) => join(EXAMPLES, n)), 4);
  await page.click('#make');
  assert.ok((await waitForDownload(downloads, 'SAMPLES.KRZ')).equals(readFileSync(join(dir, 'SAMPLES.KRZ'))));
  await page.close();
});
