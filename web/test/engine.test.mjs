// The page's engine under node, built without libsndfile and libsoxr:
// files those would read are refused with the plain reader's message and
// named for the page to decode; plain files and their "smpl" chunks work;
// a pool that needs what the build does not take yet is refused.
import { before, test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { DIST, EXAMPLES } from './harness.mjs';

let E;
const dir = mkdtempSync(join(tmpdir(), 'dorvane-engine-'));

before(async () => {
  assert.ok(DIST, 'DORVANE_WEB_DIST names the built page');
  const createDorvaneEngine = createRequire(import.meta.url)(join(DIST, 'dorvane-engine.js'));
  E = await createDorvaneEngine({ wasmBinary: readFileSync(join(DIST, 'dorvane-engine.wasm')) });
  E.FS.mkdir('/in');
});

function put(name, bytes) {
  E.FS.writeFile('/in/' + name, new Uint8Array(bytes));
  return '/in/' + name;
}

// sox's file of the arguments before and after the output name.
function soxFile(name, before, after = []) {
  execFileSync('sox', [...before, join(dir, name), ...after]);
  return put(name, readFileSync(join(dir, name)));
}

// bass.wav with a "smpl" chunk before its data: unity note 55, loop 10..20.
function loopedBass() {
  const wav = readFileSync(join(EXAMPLES, 'bass.wav'));
  const smpl = Buffer.alloc(8 + 60);
  smpl.write('smpl', 0);
  smpl.writeUInt32LE(60, 4);
  smpl.writeUInt32LE(55, 20);
  smpl.writeUInt32LE(1, 36);
  smpl.writeUInt32LE(10, 52);
  smpl.writeUInt32LE(20, 56);
  const fmtEnd = 20 + wav.readUInt32LE(16);
  const out = Buffer.concat([wav.subarray(0, fmtEnd), smpl, wav.subarray(fmtEnd)]);
  out.writeUInt32LE(out.length - 8, 4);
  return put('looped.wav', out);
}

test('a 24-bit file is refused with the reader\'s message and named for decoding only with conversion', () => {
  const path = soxFile('deep.wav', [join(EXAMPLES, 'bass.wav'), '-b', '24']);
  for (const convert of [false, true]) {
    const facts = E.wavFacts(path, 'deep.wav', { convert });
    assert.equal(facts.valid, false);
    const hint = convert ? '' : '\nThe "Convert other audio files" setting (--convert) reads them.';
    assert.equal(facts.message, `Error in file: ${path}\n24-bit files are currently not supported.${hint}`);
    assert.equal(facts.needsDecoding, convert);
  }
});

test('a plain file above the rate limit is refused, as this build cannot resample', () => {
  const path = soxFile('fast.wav', ['-n', '-r', '96000', '-b', '16', '-c', '1'], ['synth', '0.01', 'sine', '1000']);
  assert.equal(E.wavFacts(path, 'fast.wav', { maxRate: 96000 }).valid, true);
  const facts = E.wavFacts(path, 'fast.wav', { maxRate: 48000 });
  assert.equal(facts.valid, false);
  assert.equal(facts.needsDecoding, true);
  assert.equal(facts.message, `Error in file: ${path}\n96000 Hz is above the rate limit, and this build cannot resample.`);
});

test('a plain file\'s smpl chunk gives Add its root key and loop with the option only', () => {
  const path = loopedBass();
  const off = E.wavFacts(path, 'looped C2.wav', {});
  assert.deepEqual([off.valid, off.needsDecoding, off.rootKey, off.loop, off.fileLoop], [true, false, 48, false, null]);
  const on = E.wavFacts(path, 'looped C2.wav', { fileMetadata: true });
  assert.deepEqual([on.rootKey, on.loop, on.fileLoop], [43, true, { start: 10, end: 20 }]);
  assert.equal(E.wavFacts(put('Pad Eb2.wav', readFileSync(join(EXAMPLES, 'pad.wav'))), 'Pad Eb2.wav', { fileMetadata: true }).rootKey, 27);
});

test("Add's sample name is the title without its extension, cut to the field", () => {
  const path = put('names.wav', readFileSync(join(EXAMPLES, 'bass.wav')));
  for (const [title, want] of [
    ['bass.wav', 'bass'], ['  pad.wav  ', 'pad'], ['.wav', ''], ['a.wa', 'a'], ['lead.aiff', 'lead'],
    ['bass.flac', 'bass'], ['A very long sample name.wav', 'A very long samp'], ['Скрипка.flac', 'Скрипка'],
  ])
    assert.equal(E.wavFacts(path, title, {}).sampleName, want, title);
});

test('Make File writes names in other scripts in Latin letters, as dorvane-cli does, and says so', () => {
  const path = put('names.wav', readFileSync(join(EXAMPLES, 'bass.wav')));
  const entry = (name) => ({ fileName: name + '.wav', path, sampleName: name });
  const made = E.make([entry('Скрипка'), entry('ピアノ'), entry('Tiếng')], {}, '/names.krz', () => {});
  assert.equal(made.ok, true);
  assert.equal(made.note, 'Names written otherwise: "Скрипка" as "Skripka", "ピアノ" as "piano", "Tiếng" as "Tieng".');
  const bytes = Buffer.from(E.FS.readFile('/names.krz'));
  for (const field of ['Skripka         ', 'piano           ', 'Tieng           ']) assert.ok(bytes.includes(field), field);
  assert.equal(E.make([entry('Piano')], {}, '/plain.krz', () => {}).note, '');
  // Scripts the page's table lacks (written by syllable, or with letters
  // that change beside others) are written as '_' and said to differ.
  const han = E.make([entry('中文')], {}, '/han.krz', () => {});
  assert.equal(han.note, 'Names written otherwise: "中文" as "__". This build has no table for some of their characters, written as "_"; dorvane-cli writes them in Latin letters.');
});

test('Make File writes a file\'s loop and multisample keymaps, and refuses an unknown option', () => {
  const path = loopedBass();
  const entry = { fileName: 'looped.wav', path, sampleName: 'LOOP', loop: true, rootKey: 43 };
  const make = (settings, entries = [entry]) => E.make(entries, settings, '/out.krz', () => {});
  assert.equal(make({ fileMetadata: true }).ok, true);
  assert.equal(make({ fileMetadata: false }).ok, true);
  const pair = [{ ...entry, keymapName: 'Map' }, { ...entry, keymapName: 'Map', rootKey: 60 }];
  const multi = make({ multisample: true }, pair);
  assert.equal(multi.ok, true);
  assert.match(multi.text, /2 samples, 1 keymap, 1 program/);
  assert.equal(make({ multisample: true }, [pair[0], { ...pair[1], rootKey: 43 }]).ok, false);
  assert.deepEqual(make({ unheard: 1 }).messages.map((m) => m.text), ['This engine has no option "unheard": no file was written.']);
});
