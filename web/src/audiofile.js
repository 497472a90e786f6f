// Audio files the engine of the page cannot read itself (it is built
// without libsndfile and libsoxr): their container facts and AIFF samples
// read here, the words dorvane-cli makes of samples, and the 16-bit PCM WAV
// file handed to the engine, which carries the original's root key and loop
// in a "smpl" chunk. No browser objects here: those are in browserdecode.js.

import { alawSample, text4, tracksRefusal, ulawSample } from './wavdecode.js';

// An 80-bit IEEE extended number (AIFF sample rates), big-endian.
function readExtended(view, i) {
  const exponent = view.getUint16(i) & 0x7fff;
  const sign = view.getUint16(i) & 0x8000 ? -1 : 1;
  const hi = view.getUint32(i + 2);
  const lo = view.getUint32(i + 6);
  if (exponent === 0 && hi === 0 && lo === 0) return 0;
  return sign * (hi * 2 ** (exponent - 16383 - 31) + lo * 2 ** (exponent - 16383 - 63));
}

const SMPL_HEAD = 36;
const SMPL_LOOP = 24;

// The body of a "smpl" chunk: unity note, sample period of rate, and the
// loops [{ type, start, end }] (end inclusive).
export function smplBody(unityNote, rate, loops) {
  const body = new Uint8Array(SMPL_HEAD + SMPL_LOOP * loops.length);
  const v = new DataView(body.buffer);
  v.setUint32(8, rate > 0 ? Math.round(1e9 / rate) : 0, true);
  v.setUint32(12, unityNote, true);
  v.setUint32(28, loops.length, true);
  loops.forEach((loop, k) => {
    const at = SMPL_HEAD + SMPL_LOOP * k;
    v.setUint32(at + 4, loop.type, true);
    v.setUint32(at + 8, loop.start, true);
    v.setUint32(at + 12, loop.end, true);
  });
  return body;
}

// The loops of a "smpl" body, as many as it holds whole.
export function smplLoops(body) {
  const v = new DataView(body.buffer, body.byteOffset, body.byteLength);
  if (body.byteLength < SMPL_HEAD) return [];
  const n = Math.min(v.getUint32(28, true), Math.floor((body.byteLength - SMPL_HEAD) / SMPL_LOOP));
  const loops = [];
  for (let k = 0; k < n; k++) {
    const at = SMPL_HEAD + SMPL_LOOP * k;
    loops.push({ type: v.getUint32(at + 4, true), start: v.getUint32(at + 8, true), end: v.getUint32(at + 12, true) });
  }
  return loops;
}

// The AIFF INST chunk's base note and its sustain loop (play mode 1,
// forward, both markers present) as a "smpl" body; an AIFF end marker lies
// after the last looped frame.
function smplFromAiff(inst, markers, rate) {
  const v = new DataView(inst.buffer, inst.byteOffset, inst.byteLength);
  if (inst.byteLength < 14) return null;
  const baseNote = inst[0] & 0x7f;
  const loops = [];
  if (inst.byteLength >= 14 && v.getInt16(8) === 1) {
    const start = markers.get(v.getInt16(10));
    const end = markers.get(v.getInt16(12));
    if (start !== undefined && end !== undefined && end >= 1 && end - 1 >= start)
      loops.push({ type: 0, start, end: end - 1 });
  }
  return smplBody(baseNote, rate, loops);
}

// What the page needs of a file before the browser decodes it:
//   { container: 'WAV' | 'AIFF' | 'FLAC' | '', rate (Hz, 0 when unknown),
//     bits (FLAC: bits per sample; else 0),
//     smpl: the "smpl" body to carry (Uint8Array) or null }.
export function containerFacts(buffer) {
  const b = new Uint8Array(buffer);
  const view = new DataView(b.buffer, b.byteOffset, b.byteLength);
  const facts = { container: '', rate: 0, bits: 0, smpl: null };
  if (b.length >= 12 && text4(b, 0) === 'RIFF' && text4(b, 8) === 'WAVE') {
    facts.container = 'WAV';
    for (let i = 12, n = 0; i + 8 <= b.length && n < 65536; n++) {
      const id = text4(b, i);
      const size = view.getUint32(i + 4, true);
      const body = i + 8;
      if (id === 'fmt ' && body + 8 <= b.length) facts.rate = view.getUint32(body + 4, true);
      if (id === 'smpl' && !facts.smpl && body + SMPL_HEAD <= b.length)
        facts.smpl = b.slice(body, Math.min(b.length, body + size));
      i = body + size + (size & 1);
    }
  } else if (b.length >= 12 && text4(b, 0) === 'FORM' && (text4(b, 8) === 'AIFF' || text4(b, 8) === 'AIFC')) {
    facts.container = 'AIFF';
    let inst = null;
    const markers = new Map();
    for (let i = 12, n = 0; i + 8 <= b.length && n < 65536; n++) {
      const id = text4(b, i);
      const size = view.getUint32(i + 4);
      const body = i + 8;
      const end = Math.min(b.length, body + size);
      if (id === 'COMM' && body + 18 <= b.length) facts.rate = Math.round(readExtended(view, body + 8));
      if (id === 'INST') inst = b.slice(body, end);
      if (id === 'MARK' && body + 2 <= end) {
        let at = body + 2;
        for (let k = view.getUint16(body); k > 0 && at + 7 <= end; k--) {
          markers.set(view.getInt16(at), view.getUint32(at + 2));
          const nameBytes = 1 + b[at + 6];
          at += 6 + nameBytes + (nameBytes & 1);
        }
      }
      i = body + size + (size & 1);
    }
    if (inst) facts.smpl = smplFromAiff(inst, markers, facts.rate);
  } else if (b.length >= 42 && text4(b, 0) === 'fLaC') {
    facts.container = 'FLAC';
    // STREAMINFO, the first metadata block: 20 bits of sample rate at 18,
    // then 3 of channels - 1 and 5 of bits per sample - 1.
    facts.rate = (b[18] << 12) | (b[19] << 4) | (b[20] >> 4);
    facts.bits = (((b[20] & 1) << 4) | (b[21] >> 4)) + 1;
  }
  return facts;
}

// The samples of an AIFF or AIFC file, which the browser's decoder does not
// read: { channels: [Float64Array per channel], rate, frames, rule } as
// decodeWav gives them (an integer sample of b bits, s, as s / 2^(b - 1)),
// for PCM of 8 to 32 bits ("NONE", "twos", "sowt"), 32/64-bit float
// ("fl32", "fl64"), A-law and µ-law ("alaw", "ulaw"); another compression
// gives { refusal }, damaged chunks null.
export function decodeAiff(buffer) {
  const b = new Uint8Array(buffer);
  const view = new DataView(b.buffer, b.byteOffset, b.byteLength);
  if (b.length < 12 || text4(b, 0) !== 'FORM' || (text4(b, 8) !== 'AIFF' && text4(b, 8) !== 'AIFC')) return null;
  let comm = null;
  let ssnd = -1;
  let ssndEnd = 0;
  for (let i = 12, n = 0; i + 8 <= b.length && n < 65536; n++) {
    const id = text4(b, i);
    const size = view.getUint32(i + 4);
    const body = i + 8;
    if (id === 'COMM' && body + 18 <= b.length) {
      comm = {
        channels: view.getInt16(body), frames: view.getUint32(body + 2), bits: view.getInt16(body + 6),
        rate: Math.round(readExtended(view, body + 8)),
        kind: text4(b, 8) === 'AIFC' && body + 22 <= b.length ? text4(b, body + 18) : 'NONE',
      };
    }
    if (id === 'SSND' && body + 8 <= b.length) {
      ssnd = body + 8 + view.getUint32(body);
      ssndEnd = Math.min(b.length, body + size);
    }
    i = body + size + (size & 1);
  }
  if (!comm || ssnd < 0 || comm.channels < 1) return null;
  if (comm.channels > 2) return { refusal: tracksRefusal(comm.channels) };
  const kind = comm.kind.toLowerCase();
  const law = kind === 'ulaw' ? ulawSample : kind === 'alaw' ? alawSample : null;
  const rule = kind === 'fl32' ? 'f32' : kind === 'fl64' ? 'f64' : 'int';
  const bytes = kind === 'fl32' ? 4 : kind === 'fl64' ? 8 : law ? 1 : Math.ceil(comm.bits / 8);
  if (!['none', 'twos', 'sowt', 'fl32', 'fl64', 'ulaw', 'alaw'].includes(kind))
    return { refusal: 'The page cannot read AIFC files compressed as "' + comm.kind + '": dorvane-cli and the desktop program read them with "Convert other audio files".' };
  if (rule === 'int' && !law && (comm.bits < 8 || comm.bits > 32)) return null;
  const little = kind === 'sowt';
  const frameBytes = bytes * comm.channels;
  const frames = Math.min(comm.frames, Math.floor(Math.max(0, ssndEnd - ssnd) / frameBytes));
  const channels = Array.from({ length: comm.channels }, () => new Float64Array(frames));
  const scale = 2 ** (8 * bytes - 1);
  for (let f = 0; f < frames; f++) {
    for (let c = 0; c < comm.channels; c++) {
      const at = ssnd + f * frameBytes + c * bytes;
      let x;
      if (kind === 'fl32') x = view.getFloat32(at);
      else if (kind === 'fl64') x = view.getFloat64(at);
      else if (law) x = law(b[at]) / 32768;
      else {
        // Left-justified in bytes * 8 bits, sign in the first (big-endian) or last byte.
        let v = 0;
        for (let k = 0; k < bytes; k++) v = v * 256 + b[little ? at + bytes - 1 - k : at + k];
        if (v >= scale) v -= 2 * scale;
        x = v / scale;
      }
      channels[c][f] = x;
    }
  }
  return { channels, rate: comm.rate, frames, rule };
}

// round(n * outRate / inRate), halves up, exactly: the frames of n frames
// resampled (the native build's ResampledFrames).
export function resampledFrames(n, inRate, outRate) {
  if (inRate <= 0 || outRate <= 0 || inRate === outRate) return n;
  const i = BigInt(inRate);
  return Number((BigInt(n) * BigInt(outRate) + i / 2n) / i);
}

// The loops of body moved to frames resampled from inRate to outRate, as
// the native build moves them: a loop that fits the inFrames input frames
// gets start round(s * out / in) and end round((e + 1) * out / in) - 1,
// kept within the outFrames output and at least one frame long; one that
// does not fit is put wholly outside the data, so that it is ignored with
// its note as before.
export function resampleSmpl(body, inRate, outRate, inFrames, outFrames) {
  const out = body.slice();
  const v = new DataView(out.buffer);
  v.setUint32(8, Math.round(1e9 / outRate), true);
  smplLoops(body).forEach((loop, k) => {
    const at = SMPL_HEAD + SMPL_LOOP * k;
    let start = 0xffffffff;
    let end = 0xffffffff;
    if (loop.start <= loop.end && loop.end < inFrames && outFrames > 0) {
      start = Math.min(resampledFrames(loop.start, inRate, outRate), outFrames - 1);
      end = Math.max(resampledFrames(loop.end + 1, inRate, outRate) - 1, 0);
      end = Math.min(Math.max(end, start), outFrames - 1);
    }
    v.setUint32(at + 8, start, true);
    v.setUint32(at + 12, end, true);
  });
  return out;
}

// One sample as a 16-bit word, as dorvane-cli makes it, by rule:
//   'int'  x = s / 2^31, s an integer sample left-justified to 32 bits:
//          (s + 2^15) / 2^16 rounded down (halves up), 32767 at most; an
//          8- or 16-bit sample is its own word;
//   'f32'  s = x * 2^31 cut toward zero, clipped to 32 bits, then as 'int';
//   'f64'  s = x * 2^31 rounded half away from zero, clipped, then as 'int';
//   'resampled'  x * 32768 rounded half away from zero, clipped.
// NaN is 0.
export function wordOf(x, rule) {
  if (x !== x) return 0;
  if (rule === 'resampled') {
    const r = Math.sign(x) * Math.round(Math.abs(x) * 32768);
    return r > 32767 ? 32767 : r < -32768 ? -32768 : r;
  }
  let s = x * 2147483648;
  if (rule !== 'int') {
    if (s >= 2147483647) s = 2147483647;
    else if (s <= -2147483648) s = -2147483648;
    else s = rule === 'f32' ? Math.trunc(s) : Math.sign(s) * Math.floor(Math.abs(s) + 0.5);
  }
  const w = Math.floor((s + 32768) / 65536);
  return w > 32767 ? 32767 : w < -32768 ? -32768 : w;
}

// The channels' samples as interleaved 16-bit words by rule (wordOf).
// frames words per channel: missing samples are 0, extra ones are cut.
export function toWords(channels, frames, rule = 'f64') {
  const n = channels.length;
  const words = new Int16Array(frames * n);
  for (let c = 0; c < n; c++) {
    const x = channels[c];
    const m = Math.min(frames, x.length);
    for (let i = 0; i < m; i++) words[i * n + c] = wordOf(x[i], rule);
  }
  return words;
}

// The samples of a FLAC file as the browser decoded them (floats) made
// integers again, exactly, as 'int' samples (s / 2^31). The browser
// decodes files of up to 16 bits as 16-bit samples, scaled by
// scale16.positive above 0 and scale16.negative below (the browser's own,
// measured: some divide positive samples by 32767), and deeper files as
// 32-bit samples, of which the file's bits are recovered. Beyond 24 bits a
// float cannot hold the sample: the nearest is taken.
export function flacSamples(channels, bits, scale16) {
  return channels.map((f) => {
    const x = new Float64Array(f.length);
    for (let i = 0; i < f.length; i++) {
      const v = f[i];
      if (bits <= 16) {
        const r = Math.round(v * (v >= 0 ? scale16.positive : scale16.negative));
        x[i] = (r > 32767 ? 32767 : r < -32768 ? -32768 : r) / 32768;
      } else if (bits <= 24) {
        const top = 2 ** (bits - 1);
        const r = Math.round(v * top);
        x[i] = (r > top - 1 ? top - 1 : r < -top ? -top : r) / top;
      } else {
        x[i] = v >= 1 ? 2147483647 / 2147483648 : v < -1 ? -1 : v;
      }
    }
    return x;
  });
}

// A 16-bit PCM WAV file of the interleaved words: RIFF, "fmt " (16 bytes),
// the "smpl" body when there is one, then "data".
export function wavFile(words, channels, rate, smpl = null) {
  const dataBytes = words.length * 2;
  const smplBytes = smpl ? 8 + smpl.length + (smpl.length & 1) : 0;
  const out = new Uint8Array(12 + 24 + smplBytes + 8 + dataBytes);
  const v = new DataView(out.buffer);
  const tag = (at, s) => { for (let k = 0; k < 4; k++) out[at + k] = s.charCodeAt(k); };
  tag(0, 'RIFF');
  v.setUint32(4, out.length - 8, true);
  tag(8, 'WAVE');
  tag(12, 'fmt ');
  v.setUint32(16, 16, true);
  v.setUint16(20, 1, true);
  v.setUint16(22, channels, true);
  v.setUint32(24, rate, true);
  v.setUint32(28, rate * 2 * channels, true);
  v.setUint16(32, 2 * channels, true);
  v.setUint16(34, 16, true);
  let at = 36;
  if (smpl) {
    tag(at, 'smpl');
    v.setUint32(at + 4, smpl.length, true);
    out.set(smpl, at + 8);
    at += smplBytes;
  }
  tag(at, 'data');
  v.setUint32(at + 4, dataBytes, true);
  for (let i = 0; i < words.length; i++) v.setInt16(at + 8 + 2 * i, words[i], true);
  return out;
}
