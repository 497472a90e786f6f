// The page's handling of files its engine cannot read: words from floats,
// the WAV file it hands the engine, root key and loop carried from WAV
// "smpl" and AIFF "INST"/"MARK" chunks, loops moved with the rate.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { containerFacts, decodeAiff, resampleSmpl, resampledFrames, smplBody, smplLoops, toWords, wavFile } from '../src/audiofile.js';

test('floats become words rounded to nearest, clipped, NaN as 0', () => {
  const x = Float32Array.from([0, 0.5 / 32768, -0.5 / 32768, 1.5 / 32768, -1.5 / 32768, 1, -1, 2, -2, NaN, 100.4 / 32768]);
  assert.deepEqual([...toWords([x], x.length)], [0, 1, 0, 2, -1, 32767, -32768, 32767, -32768, 0, 100]);
});

test('words interleave the channels and are cut or padded to the frames', () => {
  const l = Float32Array.from([1, 2, 3].map((v) => v / 32768));
  const r = Float32Array.from([-1, -2].map((v) => v / 32768));
  assert.deepEqual([...toWords([l, r], 3)], [1, -1, 2, -2, 3, 0]);
  assert.deepEqual([...toWords([l], 2)], [1, 2]);
});

test('the handed WAV file carries its smpl chunk and reads back', () => {
  const smpl = smplBody(72, 48000, [{ type: 0, start: 10, end: 99 }]);
  const bytes = wavFile(Int16Array.from([1, -1, 2, -2]), 2, 48000, smpl);
  const v = new DataView(bytes.buffer);
  assert.equal(String.fromCharCode(...bytes.slice(0, 4)), 'RIFF');
  assert.equal(v.getUint32(4, true), bytes.length - 8);
  assert.equal(v.getUint16(20, true), 1); // PCM
  assert.equal(v.getUint16(22, true), 2);
  assert.equal(v.getUint32(24, true), 48000);
  assert.equal(v.getUint16(34, true), 16);
  const data = bytes.length - 8 - 8;
  assert.equal(String.fromCharCode(...bytes.slice(data, data + 4)), 'data');
  assert.equal(v.getInt16(data + 8 + 2, true), -1);
  const facts = containerFacts(bytes.buffer);
  assert.equal(facts.container, 'WAV');
  assert.equal(facts.rate, 48000);
  assert.deepEqual(facts.smpl, smpl);
  assert.equal(new DataView(facts.smpl.buffer).getUint32(12, true), 72);
  assert.deepEqual(smplLoops(facts.smpl), [{ type: 0, start: 10, end: 99 }]);
});

// A FORM AIFF file of chunks [id, body], big-endian.
function aiff(chunks) {
  const parts = chunks.map(([id, body]) => {
    const out = new Uint8Array(8 + body.length + (body.length & 1));
    out.set([...id].map((c) => c.charCodeAt(0)));
    new DataView(out.buffer).setUint32(4, body.length);
    out.set(body, 8);
    return out;
  });
  const size = 4 + parts.reduce((n, p) => n + p.length, 0);
  const out = new Uint8Array(8 + size);
  out.set([...'FORM'].map((c) => c.charCodeAt(0)));
  new DataView(out.buffer).setUint32(4, size);
  out.set([...'AIFF'].map((c) => c.charCodeAt(0)), 8);
  let at = 12;
  for (const p of parts) out.set(p, at), (at += p.length);
  return out.buffer;
}

// COMM at 44100 Hz (80-bit extended 0x400E AC44 0...).
const COMM = Uint8Array.from([0, 1, 0, 0, 0x10, 0, 0, 16, 0x40, 0x0e, 0xac, 0x44, 0, 0, 0, 0, 0, 0]);

function inst(baseNote, playMode, begin, end) {
  const b = new Uint8Array(20);
  const v = new DataView(b.buffer);
  b[0] = baseNote;
  v.setInt16(8, playMode);
  v.setInt16(10, begin);
  v.setInt16(12, end);
  return b;
}

// MARK with markers [id, position, name].
function mark(markers) {
  const bytes = [0, markers.length];
  for (const [id, pos, name] of markers) {
    bytes.push(id >> 8, id & 255, pos >>> 24, (pos >> 16) & 255, (pos >> 8) & 255, pos & 255, name.length);
    bytes.push(...[...name].map((c) => c.charCodeAt(0)));
    if ((name.length + 1) & 1) bytes.push(0);
  }
  return Uint8Array.from(bytes);
}

test('AIFF base note and forward sustain loop become a smpl chunk', () => {
  const facts = containerFacts(aiff([['COMM', COMM], ['MARK', mark([[1, 100, 'beg'], [2, 300, 'end loop']])], ['INST', inst(67, 1, 1, 2)]]));
  assert.equal(facts.container, 'AIFF');
  assert.equal(facts.rate, 44100);
  assert.equal(new DataView(facts.smpl.buffer).getUint32(12, true), 67);
  assert.deepEqual(smplLoops(facts.smpl), [{ type: 0, start: 100, end: 299 }]);
});

test('AIFF without a forward loop or its markers gives the base note alone', () => {
  for (const [playMode, markers] of [[0, [[1, 100, 'a'], [2, 300, 'b']]], [2, [[1, 100, 'a'], [2, 300, 'b']]], [1, [[1, 100, 'a']]]]) {
    const facts = containerFacts(aiff([['COMM', COMM], ['INST', inst(60, playMode, 1, 2)], ['MARK', mark(markers)]]));
    assert.equal(new DataView(facts.smpl.buffer).getUint32(12, true), 60);
    assert.deepEqual(smplLoops(facts.smpl), []);
  }
  assert.equal(containerFacts(aiff([['COMM', COMM]])).smpl, null);
});

test('resampled frames round halves up, exactly', () => {
  assert.equal(resampledFrames(96001, 96000, 48000), 48001);
  assert.equal(resampledFrames(96000, 96000, 48000), 48000);
  assert.equal(resampledFrames(3, 96000, 44100), 1);
  assert.equal(resampledFrames(7, 44100, 44100), 7);
});

test('loops move with the rate, stay in the data, and a loop past the end stays outside', () => {
  const body = smplBody(60, 96000, [{ type: 0, start: 1001, end: 95999 }, { type: 0, start: 0, end: 96000 }]);
  const out = resampleSmpl(body, 96000, 48000, 96000, 48000);
  assert.equal(new DataView(out.buffer).getUint32(8, true), Math.round(1e9 / 48000));
  assert.deepEqual(smplLoops(out), [{ type: 0, start: 501, end: 47999 }, { type: 0, start: 0xffffffff, end: 0xffffffff }]);
  // A one-frame loop at the last frame stays one frame long within the data.
  assert.deepEqual(smplLoops(resampleSmpl(smplBody(60, 3, [{ type: 0, start: 2, end: 2 }]), 3, 1, 3, 1)), [{ type: 0, start: 0, end: 0 }]);
});

// COMM of an AIFC file: channels, frames, bits at 44100 Hz, compression.
function aifc(channels, frames, bits, kind, data) {
  const comm = new Uint8Array(22);
  const v = new DataView(comm.buffer);
  v.setInt16(0, channels);
  v.setUint32(2, frames);
  v.setInt16(6, bits);
  comm.set(COMM.slice(8, 18), 8);
  comm.set([...kind].map((c) => c.charCodeAt(0)), 18);
  const ssnd = new Uint8Array(8 + data.length);
  ssnd.set(data, 8);
  const file = new Uint8Array(aiff([['COMM', comm], ['SSND', ssnd]]));
  file.set([...'AIFC'].map((c) => c.charCodeAt(0)), 8);
  return file.buffer;
}

test('AIFF samples are read as the file stores them', () => {
  // 24-bit big-endian stereo: 0x7FFFFF, -0x800000 / 0x000100, -1.
  const be24 = decodeAiff(aifc(2, 2, 24, 'NONE', [0x7f, 0xff, 0xff, 0x80, 0, 0, 0, 1, 0, 0xff, 0xff, 0xff]));
  assert.equal(be24.rate, 44100);
  assert.deepEqual([...toWords(be24.channels, be24.frames)], [32767, -32768, 1, 0]);
  // 16-bit little-endian ("sowt"), frames cut to the data held.
  const sowt = decodeAiff(aifc(1, 5, 16, 'sowt', [0x34, 0x12, 0xff, 0xff]));
  assert.deepEqual([...toWords(sowt.channels, sowt.frames)], [0x1234, -1]);
  // 32-bit float.
  const f = new Uint8Array(8);
  new DataView(f.buffer).setFloat32(0, 0.5);
  new DataView(f.buffer).setFloat32(4, -2);
  const fl32 = decodeAiff(aifc(1, 2, 32, 'fl32', f));
  assert.deepEqual([...toWords(fl32.channels, fl32.frames)], [16384, -32768]);
  assert.match(decodeAiff(aifc(1, 1, 16, 'ima4', [0, 0])).refusal, /compressed as "ima4"/);
  assert.equal(decodeAiff(new Uint8Array(12).buffer), null);
});
