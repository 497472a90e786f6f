// The page's own reading of samples: the words each kind of sample becomes
// (dorvane-cli's rules), integers recovered from the browser's floats, and
// WAV files of every kind the page reads, or the reason it does not.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { flacSamples, toWords, wordOf } from '../src/audiofile.js';
import { BAD_FILE, decodeWav } from '../src/wavdecode.js';

test('samples become the words dorvane-cli gives, by rule', () => {
  const int = (v, bits) => v / 2 ** (bits - 1);
  const s31 = (s) => s / 2 ** 31;
  for (const [x, rule, want, why] of [
    [int(32767, 16), 'int', 32767, '16-bit is exact'],
    [int(-32768, 16), 'int', -32768, '16-bit is exact'],
    [int(-128, 8), 'int', -32768, '8-bit is exact'],
    [int(0x7fff80, 24), 'int', 32767, 'rounds up past the top: 32767'],
    [int(0x000080, 24), 'int', 1, 'a half rounds up'],
    [int(-0x80, 24), 'int', 0, 'a negative half rounds up'],
    [int(0x17f, 24), 'int', 1, 'below a half rounds down'],
    [int(-0x8000, 32), 'int', 0, '32-bit half'],
    [s31(-32768.6), 'f32', 0, '32-bit float is cut toward zero'],
    [s31(-32768.6), 'f64', -1, '64-bit float rounds away from zero'],
    [s31(32767.6), 'f32', 0, 'cut'],
    [s31(32767.6), 'f64', 1, 'rounded'],
    [1, 'f32', 32767, 'clipped'],
    [-1, 'f64', -32768, 'full scale'],
    [-3, 'f32', -32768, 'clipped'],
    [NaN, 'f64', 0, 'NaN'],
    [0.5 / 32768, 'resampled', 1, 'half away from zero'],
    [-0.5 / 32768, 'resampled', -1, 'half away from zero'],
    [-0.5 / 32768, 'f64', 0, 'a float half rounds up'],
    [2, 'resampled', 32767, 'saturated'],
  ])
    assert.equal(wordOf(x, rule), want, `${rule} ${x}: ${why}`);
});

// Floats as a browser gives them for integer samples: 16-bit ones divided
// by positive (32767 or 32768) and 32768, deeper ones left-justified to 32
// bits and divided by 2^31 - 1 or 2^31, as 32-bit floats.
function browserFloats(values, bits, positive) {
  if (bits <= 16) return Float32Array.from(values, (v) => (v << (16 - bits)) / (v >= 0 ? positive : 32768));
  return Float32Array.from(values, (v) => (v * 2 ** (32 - bits)) / (v >= 0 ? 2 ** 31 - (positive === 32767 ? 1 : 0) : 2 ** 31));
}

test('FLAC samples decoded by the browser give the integers back, whichever way it scales them', () => {
  const loud16 = [32767, 32766, 16384, 16383, 1, 0, -1, -16384, -32768, 20000, 30001];
  const loud24 = [0x7fffff, 0x7fff80, 0x7fff7f, 0x400080, 0x80, 0x7f, 0, -0x80, -0x81, -0x800000, 0x123456];
  for (const positive of [32767, 32768]) {
    const scale16 = { positive, negative: 32768 };
    for (const [bits, values, want] of [
      [16, loud16, loud16],
      [8, [127, 64, -128, 0], [127 << 8, 64 << 8, -128 << 8, 0]],
      [12, [2047, -2048, 5], [2047 << 4, -2048 << 4, 5 << 4]],
      [24, loud24, loud24.map((v) => Math.min(32767, Math.floor((v + 128) / 256)))],
      [20, [0x7ffff, 0x8, -0x8, 0x17], [32767, 1, 0, 1]],
    ]) {
      const words = toWords(flacSamples([browserFloats(values, bits, positive)], bits, scale16), values.length, 'int');
      assert.deepEqual([...words], want, `${bits}-bit, positive samples / ${positive}`);
    }
  }
});

// A RIFF/WAVE file: "fmt " of the fields (format tag, channels, rate,
// block align, bits) and extra bytes, then "data".
function wav({ tag = 1, channels = 1, rate = 8000, blockAlign, bits, extra = [] }, data) {
  const fmt = Buffer.alloc(16 + extra.length);
  fmt.writeUInt16LE(tag, 0);
  fmt.writeUInt16LE(channels, 2);
  fmt.writeUInt32LE(rate, 4);
  fmt.writeUInt32LE(rate * (blockAlign ?? (channels * bits) / 8), 8);
  fmt.writeUInt16LE(blockAlign ?? (channels * bits) / 8, 12);
  fmt.writeUInt16LE(bits, 14);
  Buffer.from(extra).copy(fmt, 16);
  const chunk = (id, body) => {
    const head = Buffer.alloc(8);
    head.write(id, 0);
    head.writeUInt32LE(body.length, 4);
    return Buffer.concat([head, body, Buffer.alloc(body.length & 1)]);
  };
  const body = Buffer.concat([Buffer.from('WAVE'), chunk('fmt ', fmt), chunk('data', Buffer.from(data))]);
  const head = Buffer.alloc(8);
  head.write('RIFF', 0);
  head.writeUInt32LE(body.length, 4);
  return new Uint8Array(Buffer.concat([head, body])).buffer;
}

const le = (bytes, values) => values.flatMap((v) => Array.from({ length: bytes }, (_, k) => Number((BigInt(v) >> BigInt(8 * k)) & 255n)));
const floats = (bits, values) => {
  const b = Buffer.alloc((bits / 8) * values.length);
  values.forEach((x, i) => (bits === 32 ? b.writeFloatLE(x, 4 * i) : b.writeDoubleLE(x, 8 * i)));
  return [...b];
};
// The fmt extension of WAVE_FORMAT_EXTENSIBLE: valid bits, channel mask,
// the sub-format GUID whose first two bytes are the format tag.
const extensible = (bits, tag) => [22, 0, bits, 0, 4, 0, 0, 0, tag, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xaa, 0, 0x38, 0x9b, 0x71];

// The fmt extension of MS ADPCM: 500 samples per block and the table of
// the seven standard predictors.
const MS_PREDICTORS = [[256, 0], [512, -256], [0, 0], [192, 64], [240, 0], [460, -208], [392, -232]];
const MS_EXTRA = [32, 0, 0xf4, 0x01, 7, 0, ...le(2, MS_PREDICTORS.flat().map((c) => c & 0xffff))];

test('WAV files of every kind the page reads give dorvane-cli\'s words', () => {
  for (const [what, fmt, data, want] of [
    ['8-bit PCM', { bits: 8 }, [0, 128, 255], [-32768, 0, 32512]],
    ['16-bit extensible, stereo', { tag: 0xfffe, channels: 2, bits: 16, extra: extensible(16, 1) }, le(2, [32767, -32768, 16384, -1]), [32767, -32768, 16384, -1]],
    ['24-bit PCM', { bits: 24 }, le(3, [0x7fff80, 0x80, -0x80, 0x180]), [32767, 1, 0, 2]],
    ['32-bit PCM', { bits: 32 }, le(4, [0x7fffffff, -0x80000000, 0x8000, -0x8000]), [32767, -32768, 1, 0]],
    ['32-bit float', { tag: 3, bits: 32 }, floats(32, [0.5, -2, NaN]), [16384, -32768, 0]],
    ['64-bit float', { tag: 3, bits: 64 }, floats(64, [-32768.6 / 2 ** 31, 1, 0.25]), [-1, 32767, 8192]],
    ['32-bit float, extensible', { tag: 0xfffe, bits: 32, extra: extensible(32, 3) }, floats(32, [-0.25]), [-8192]],
    ['µ-law', { tag: 7, bits: 8 }, [0x00, 0x7f, 0x80, 0xff, 0x70], [-32124, 0, 32124, 0, -120]],
    ['A-law', { tag: 6, bits: 8 }, [0xd5, 0x55, 0xaa, 0x2a, 0xc5], [8, -8, 32256, -32256, 264]],
    // IMA ADPCM, one block of 9 samples: predictor 1000, step index 0,
    // then codes 7, 0, 8, 0, 0, 0, 0, 0 (low nibble first).
    ['IMA ADPCM', { tag: 0x11, bits: 4, blockAlign: 8, extra: [2, 0, 9, 0] }, [0xe8, 0x03, 0, 0, 0x07, 0x08, 0, 0], [1000, 1011, 1013, 1012, 1013, 1014, 1015, 1016, 1017]],
    // MS ADPCM, one block of 500 samples: predictor 0, delta 16, samples
    // 100 and (first) 50, then codes 1, -1 and zeros.
    ['MS ADPCM', { tag: 2, bits: 4, blockAlign: 256, extra: MS_EXTRA }, [0, 16, 0, 100, 0, 50, 0, 0x1f, ...Array(248).fill(0)],
      [50, 100, 116, 100, ...Array(496).fill(100)]],
  ]) {
    const got = decodeWav(wav(fmt, data));
    assert.equal(got.refusal, undefined, what);
    assert.equal(got.rate, 8000, what);
    assert.deepEqual([...toWords(got.channels, got.frames, got.rule)], want, what);
  }
});

test('IMA ADPCM blocks: every block gives its frames, a short last one as dorvane-cli reads it', () => {
  // Two blocks of 9 frames in 8 + 5 bytes (the data chunk padded to 14):
  // the short block reads on into the pad byte (code 0, 0) and keeps the
  // last two bytes of the block before (codes 0, 0, 0, 8).
  const block = [0xe8, 0x03, 0, 0, 0x07, 0x08, 0, 0x80];
  const got = decodeWav(wav({ tag: 0x11, bits: 4, blockAlign: 8, extra: [2, 0, 9, 0] }, [...block, 0x10, 0x27, 0, 0, 0x07]));
  assert.equal(got.frames, 18);
  assert.deepEqual([...toWords(got.channels, got.frames, got.rule)],
    [1000, 1011, 1013, 1012, 1013, 1014, 1015, 1016, 1015, 10000, 10011, 10013, 10014, 10015, 10016, 10017, 10018, 10017]);
});

test('WAV files the page does not read are refused with the reason', () => {
  for (const [what, file, want] of [
    ['GSM 6.10', wav({ tag: 0x31, bits: 0, blockAlign: 65 }, [0, 0]), /cannot read GSM 6\.10 WAV files \(format tag 0x0031\)/],
    ['MS ADPCM without its predictors', wav({ tag: 2, bits: 4, blockAlign: 256, extra: [2, 0, 0xf4, 0x01] }, Array(256).fill(0)), /^File is bad/],
    ['an unknown kind', wav({ tag: 0x1234, bits: 8 }, [0]), /cannot read WAV files \(format tag 0x1234\)/],
    ['three channels', wav({ channels: 3, bits: 16 }, [0, 0, 0, 0, 0, 0]), /^3-track files are currently not supported\.$/],
    ['16-bit float', wav({ tag: 3, bits: 16 }, [0, 0]), new RegExp('^' + BAD_FILE.replace(/\./g, '\\.') + '$')],
    ['IMA ADPCM of a wrong block size', wav({ tag: 0x11, bits: 4, blockAlign: 8, extra: [2, 0, 10, 0] }, [0, 0, 0, 0, 0, 0, 0, 0]), /^File is bad/],
    ['no sample', wav({ bits: 24 }, [0, 0]), /^File is bad/],
    ['no data chunk', new Uint8Array(Buffer.from('RIFF\x04\x00\x00\x00WAVE')).buffer, /^File is bad/],
  ])
    assert.match(decodeWav(file).refusal ?? '', want, what);
});
