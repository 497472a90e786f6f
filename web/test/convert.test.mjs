// Files dorvane-cli reads with --convert, read by the page in headless
// chromium: Make File gives dorvane-cli's bytes for each, loud positive
// samples included; a kind the page does not read is refused with why.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, readdirSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { CLI, addFiles, messages, usePage, waitForDownload, waitIdle } from './harness.mjs';

const newPage = usePage();

const run = (program, args, cwd) => execFileSync(program, args, { cwd, stdio: ['ignore', 'pipe', 'pipe'] });

// A loud stereo sound: many positive samples above half scale.
const LOUD = ['synth', '0.4', 'sine', '220', 'square', '3000', 'vol', '0.99'];

// A copy of a 16-bit PCM WAV file with a WAVE_FORMAT_EXTENSIBLE "fmt ".
function extensible(wav) {
  const fmt = wav.subarray(20, 36);
  const ext = Buffer.alloc(40);
  fmt.copy(ext);
  ext.writeUInt16LE(0xfffe, 0);
  ext.writeUInt16LE(22, 16);
  ext.writeUInt16LE(16, 18);
  ext.writeUInt32LE(3, 20);
  Buffer.from([1, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xaa, 0, 0x38, 0x9b, 0x71]).copy(ext, 24);
  const head = Buffer.from('RIFF\0\0\0\0WAVEfmt \x28\0\0\0', 'latin1');
  const out = Buffer.concat([head, ext, wav.subarray(36)]);
  out.writeUInt32LE(out.length - 8, 4);
  return out;
}

// An AIFC file of kind ("ulaw", "alaw") at 8000 Hz, mono, holding the
// codes of a WAV file's data chunk and then every code once.
function lawAifc(kind, wav) {
  const at = wav.indexOf('data');
  const codes = Buffer.concat([wav.subarray(at + 8, at + 8 + wav.readUInt32LE(at + 4)), Buffer.from([...Array(256).keys()])]);
  const chunk = (id, body) => {
    const head = Buffer.alloc(8);
    head.write(id, 0);
    head.writeUInt32BE(body.length, 4);
    return Buffer.concat([head, body, Buffer.alloc(body.length & 1)]);
  };
  const comm = Buffer.alloc(24);
  comm.writeInt16BE(1, 0);
  comm.writeUInt32BE(codes.length, 2);
  comm.writeInt16BE(16, 6);
  Buffer.from([0x40, 0x0b, 0xfa, 0, 0, 0, 0, 0, 0, 0]).copy(comm, 8); // 8000 Hz
  comm.write(kind, 18, 'latin1');
  const body = Buffer.concat([Buffer.from('AIFC'), chunk('FVER', Buffer.from([0xa2, 0x80, 0x51, 0x40])),
    chunk('COMM', comm), chunk('SSND', Buffer.concat([Buffer.alloc(8), codes]))]);
  return Buffer.concat([chunk('FORM', body).subarray(0, 8), body]);
}

// An IMA ADPCM file whose data ends inside its last block.
function cutInBlock(wav) {
  const at = wav.indexOf('data');
  const size = wav.readUInt32LE(at + 4) - 300;
  const out = Buffer.concat([wav.subarray(0, at + 8 + size)]);
  out.writeUInt32LE(size, at + 4);
  out.writeUInt32LE(out.length - 8, 4);
  return out;
}

// Each file made in dir by make(dir, name); the page's Make File must give
// what dorvane-cli make --convert gives for it.
for (const [name, make] of [
  ['loud16.flac', (dir, n) => run('sox', ['-n', '-r', '44100', '-c', '2', '-b', '16', join(dir, n), ...LOUD])],
  ['loud16x.wav', (dir, n) => {
    run('sox', ['-n', '-r', '44100', '-c', '2', '-b', '16', join(dir, 'plain.wav'), ...LOUD]);
    writeFileSync(join(dir, n), extensible(readFileSync(join(dir, 'plain.wav'))));
  }],
  ['ulaw.wav', (dir, n) => run('sox', ['-n', '-r', '8000', '-c', '2', '-e', 'u-law', join(dir, n), ...LOUD])],
  ['alaw.wav', (dir, n) => run('sox', ['-n', '-r', '8000', '-c', '1', '-e', 'a-law', join(dir, n), ...LOUD])],
  ['alaw.aifc', (dir, n) => {
    run('sox', ['-n', '-r', '8000', '-c', '1', '-e', 'a-law', join(dir, 'a.wav'), ...LOUD]);
    writeFileSync(join(dir, n), lawAifc('alaw', readFileSync(join(dir, 'a.wav'))));
  }],
  ['ima.wav', (dir, n) => {
    run('sox', ['-n', '-r', '22050', '-c', '2', '-e', 'ima-adpcm', join(dir, 'whole.wav'), ...LOUD]);
    writeFileSync(join(dir, n), cutInBlock(readFileSync(join(dir, 'whole.wav'))));
  }],
  ['msadpcm.wav', (dir, n) => {
    run('sox', ['-n', '-r', '22050', '-c', '2', '-e', 'ms-adpcm', join(dir, 'whole.wav'), ...LOUD]);
    writeFileSync(join(dir, n), cutInBlock(readFileSync(join(dir, 'whole.wav'))));
  }],
  ['double.wav', (dir, n) => run('sox', ['-n', '-r', '44100', '-c', '2', '-e', 'floating-point', '-b', '64', join(dir, n), ...LOUD, 'gain', '1'])],
]) {
  test(`${name} gives dorvane-cli's bytes`, async () => {
    const dir = mkdtempSync(join(tmpdir(), 'dorvane-convert-'));
    make(dir, name);
    run(CLI, ['make', '--convert', '-o', 'SAMPLES.KRZ', name], dir);
    const expected = readFileSync(join(dir, 'SAMPLES.KRZ'));
    const { page, downloads } = await newPage();
    await page.click('#convert');
    await addFiles(page, [join(dir, name)], 1);
    assert.deepEqual(await messages(page), []);
    await page.click('#make');
    const made = await waitForDownload(downloads, 'SAMPLES.KRZ');
    assert.equal(made.length, expected.length);
    let differ = 0;
    for (let i = 0; i < made.length; i++) differ += made[i] !== expected[i] ? 1 : 0;
    assert.equal(differ, 0, `${differ} bytes differ from dorvane-cli's`);
    await page.close();
  });
}

test('a WAV kind the page does not read is refused with why, and nothing is written', async () => {
  const dir = mkdtempSync(join(tmpdir(), 'dorvane-convert-'));
  run('sox', ['-n', '-r', '8000', '-c', '1', '-e', 'gsm-full-rate', join(dir, 'gsm.wav'), ...LOUD]);
  run(CLI, ['make', '--convert', '-o', 'SAMPLES.KRZ', 'gsm.wav'], dir); // dorvane-cli reads it
  const { page, downloads } = await newPage();
  await page.click('#convert');
  await addFiles(page, [join(dir, 'gsm.wav')], 1);
  const [shown] = await messages(page);
  assert.match(shown, /^Error in file: gsm\.wav\nThe page cannot read GSM 6\.10 WAV files \(format tag 0x0031\)/);
  await page.click('#make');
  await page.waitForFunction(() => document.querySelectorAll('#messages li').length === 2);
  await waitIdle(page);
  assert.deepEqual(readdirSync(downloads), []);
  await page.close();
});
