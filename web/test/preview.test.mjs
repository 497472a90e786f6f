// The preview has one voice at a time: a play in place of the one
// sounding, and a stop (Stop, New) silences a voice still being decoded.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { Preview } from '../src/preview.js';

// An AudioContext whose decodes finish when the test says; it counts the
// voices sounding.
function fakeContext() {
  const ctx = { sounding: new Set(), started: 0, pending: [], destination: {} };
  ctx.decodeAudioData = (bytes) => new Promise((resolve, reject) =>
    ctx.pending.push(() => (bytes.byteLength === 0 ? reject(new Error('bad')) : resolve({ duration: 1 }))));
  ctx.createBufferSource = () => {
    const source = { connect() {}, start() { ctx.sounding.add(source); ctx.started++; }, stop() { ctx.sounding.delete(source); } };
    return source;
  };
  ctx.finishDecodes = async () => {
    for (const finish of ctx.pending.splice(0)) finish();
    await new Promise((r) => setTimeout(r, 0));
  };
  return ctx;
}

const entry = (bytes = 4, valid = true) => ({ file: { bytes: new ArrayBuffer(bytes) }, facts: { valid, sampleRate: 44100 }, loop: false });

test('the preview sounds one voice at a time', async () => {
  // Each step: play an entry, stop, or let the pending decodes finish.
  for (const [name, steps, sounding, started] of [
    ['one play', ['play', 'decode'], 1, 1],
    ['two plays, each decoded', ['play', 'decode', 'play', 'decode'], 1, 2],
    ['two plays before a decode', ['play', 'play', 'decode'], 1, 1],
    ['stop before the decode (New)', ['play', 'stop', 'decode'], 0, 0],
    ['stop after it sounds', ['play', 'decode', 'stop'], 0, 1],
    ['an undecodable file after one sounding', ['play', 'decode', 'playBad', 'decode'], 0, 1],
    ['an unusable entry stops the one sounding', ['play', 'decode', 'playInvalid'], 0, 1],
  ]) {
    const ctx = fakeContext();
    const preview = new Preview(() => ctx);
    for (const step of steps) {
      if (step === 'play') preview.play(entry());
      if (step === 'playBad') preview.play(entry(0));
      if (step === 'playInvalid') preview.play(entry(4, false));
      if (step === 'stop') preview.stop();
      if (step === 'decode') await ctx.finishDecodes();
    }
    assert.deepEqual([ctx.sounding.size, ctx.started], [sounding, started], name);
  }
});
