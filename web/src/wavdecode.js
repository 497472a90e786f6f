// The samples of WAV files the engine of the page does not read itself,
// read from their bytes by the page (the browser's decoder scales 16-bit
// samples unevenly and does not read IMA ADPCM or 64-bit float at all):
// integer PCM of 8 to 32 bits, 32/64-bit float, A-law, µ-law, IMA ADPCM and
// MS ADPCM, plain or WAVE_FORMAT_EXTENSIBLE. No browser objects here.
//
// A decoded file is { channels: [Float64Array per channel], rate, frames,
// rule }: integer samples as s / 2^31 with s the sample left-justified to
// 32 bits (exact in a double), floats as stored; rule names how toWords
// makes them 16-bit words (audiofile.js). A file that cannot be read is
// { refusal: the message's second line }.

export const text4 = (b, i) => String.fromCharCode(b[i], b[i + 1], b[i + 2], b[i + 3]);

export const BAD_FILE = 'File is bad or non-existing...';
export const tracksRefusal = (n) => n + '-track files are currently not supported.';

const TAG_PCM = 0x0001;
const TAG_MS_ADPCM = 0x0002;
const TAG_FLOAT = 0x0003;
const TAG_ALAW = 0x0006;
const TAG_ULAW = 0x0007;
const TAG_IMA = 0x0011;
const TAG_EXTENSIBLE = 0xfffe;

// Names of the compressed kinds people meet, for the refusal.
const KIND_NAMES = new Map([[0x0031, 'GSM 6.10'], [0x0040, 'G.721 ADPCM'], [0x0055, 'MPEG Layer 3']]);

export function unreadableKind(tag) {
  const hex = '0x' + tag.toString(16).toUpperCase().padStart(4, '0');
  const name = KIND_NAMES.get(tag);
  return 'The page cannot read ' + (name ? name + ' ' : '') + 'WAV files (format tag ' + hex +
    '): dorvane-cli and the desktop program read them with "Convert other audio files".';
}

// G.711 µ-law and A-law codes as 16-bit samples.
export function ulawSample(code) {
  const u = ~code & 0xff;
  const t = (((u & 0x0f) << 3) + 0x84) << ((u & 0x70) >> 4);
  return u & 0x80 ? 0x84 - t : t - 0x84;
}

export function alawSample(code) {
  const a = code ^ 0x55;
  const segment = (a & 0x70) >> 4;
  let t = (a & 0x0f) << 4;
  t = segment === 0 ? t + 8 : (t + 0x108) << Math.max(0, segment - 1);
  return a & 0x80 ? t : -t;
}

const IMA_STEPS = [
  7, 8, 9, 10, 11, 12, 13, 14, 16, 17, 19, 21, 23, 25, 28, 31, 34, 37, 41, 45, 50, 55, 60, 66, 73, 80, 88, 97,
  107, 118, 130, 143, 157, 173, 190, 209, 230, 253, 279, 307, 337, 371, 408, 449, 494, 544, 598, 658, 724, 796,
  876, 963, 1060, 1166, 1282, 1411, 1552, 1707, 1878, 2066, 2272, 2499, 2749, 3024, 3327, 3660, 4026, 4428,
  4871, 5358, 5894, 6484, 7132, 7845, 8630, 9493, 10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350,
  22385, 24623, 27086, 29794, 32767,
];
const IMA_INDEX_STEP = [-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8];

// The blocks of IMA ADPCM data: each starts with a header per channel
// (predictor, step index) whose predictor is the block's first sample,
// then groups of four bytes per channel, eight samples each, low nibble
// first. Every block, the last one too, gives samplesPerBlock frames. A
// last block cut short by the data chunk's end is read on into what
// follows in the file, and where the file ends it keeps the bytes of the
// block before (dorvane-cli's decoder reads whole blocks from the file
// into one buffer).
function decodeIma(b, data, dataBytes, channels, blockAlign, samplesPerBlock) {
  const blocks = Math.ceil(dataBytes / blockAlign);
  const frames = blocks * samplesPerBlock;
  const out = Array.from({ length: channels }, () => new Float64Array(frames));
  const block = new Uint8Array(blockAlign);
  const codes = new Uint8Array(samplesPerBlock);
  for (let k = 0; k < blocks; k++) {
    const at = data + k * blockAlign;
    block.set(b.subarray(at, Math.min(at + blockAlign, b.length)));
    for (let c = 0; c < channels; c++) {
      let sample = (block[4 * c] | (block[4 * c + 1] << 8)) << 16 >> 16;
      let index = Math.min(block[4 * c + 2], 88);
      for (let g = 0, i = 4 * channels + 4 * c; i + 4 <= blockAlign; g++, i += 4 * channels)
        for (let j = 0; j < 4; j++) {
          codes[1 + 8 * g + 2 * j] = block[i + j] & 0x0f;
          codes[2 + 8 * g + 2 * j] = block[i + j] >> 4;
        }
      const x = out[c];
      const base = k * samplesPerBlock;
      x[base] = sample / 32768;
      for (let n = 1; n < samplesPerBlock; n++) {
        const code = codes[n];
        const step = IMA_STEPS[index];
        let diff = step >> 3;
        if (code & 1) diff += step >> 2;
        if (code & 2) diff += step >> 1;
        if (code & 4) diff += step;
        sample += code & 8 ? -diff : diff;
        sample = sample > 32767 ? 32767 : sample < -32768 ? -32768 : sample;
        index = Math.min(88, Math.max(0, index + IMA_INDEX_STEP[code]));
        x[base + n] = sample / 32768;
      }
    }
  }
  return { channels: out, frames };
}

const MS_ADAPTATION = [230, 230, 230, 230, 307, 409, 512, 614, 768, 614, 512, 409, 307, 230, 230, 230];
const MS_COEFF1 = [256, 512, 0, 192, 240, 460, 392];
const MS_COEFF2 = [0, -256, 0, 64, 0, -208, -232];

// The blocks of MS ADPCM data: a header of a predictor number, a delta and
// the two first samples (second one first) per channel, each field for
// every channel in turn, then one nibble per sample, high nibble first,
// channels taking turns. The standard seven predictors are used (those
// of the fmt chunk are not read, as dorvane-cli does not read them). Unlike
// IMA ADPCM, a last block cut short is left out, the data counted with its
// pad byte when its length is odd (as dorvane-cli's decoder counts it). A
// predictor number above 6 makes the file bad.
function decodeMsAdpcm(b, data, dataBytes, channels, blockAlign, samplesPerBlock) {
  const blocks = Math.floor((dataBytes + (dataBytes & 1)) / blockAlign);
  const frames = blocks * samplesPerBlock;
  const out = Array.from({ length: channels }, () => new Float64Array(frames));
  const block = new Uint8Array(blockAlign);
  const view = new DataView(block.buffer);
  const s = new Int32Array(samplesPerBlock * channels);
  for (let k = 0; k < blocks; k++) {
    const at = data + k * blockAlign;
    block.set(b.subarray(at, Math.min(at + blockAlign, b.length)));
    const predictor = [];
    const delta = [];
    for (let c = 0; c < channels; c++) {
      predictor.push(block[c]);
      delta.push(view.getUint16(channels + 2 * c, true));
      s[channels + c] = view.getInt16(3 * channels + 2 * c, true);
      s[c] = view.getInt16(5 * channels + 2 * c, true);
    }
    if (predictor.some((p) => p > 6)) return null;
    for (let n = 2 * channels, i = 7 * channels; n < samplesPerBlock * channels; n++) {
      const c = n % channels;
      const code = n % 2 === 0 ? block[i] >> 4 : block[i++] & 0x0f;
      const predict = (s[n - channels] * MS_COEFF1[predictor[c]] + s[n - 2 * channels] * MS_COEFF2[predictor[c]]) >> 8;
      const current = (code & 8 ? code - 16 : code) * delta[c] + predict;
      s[n] = current > 32767 ? 32767 : current < -32768 ? -32768 : current;
      delta[c] = Math.max(16, (MS_ADAPTATION[code] * delta[c]) >> 8);
    }
    for (let n = 0; n < samplesPerBlock * channels; n++) out[n % channels][k * samplesPerBlock + Math.floor(n / channels)] = s[n] / 32768;
  }
  return { channels: out, frames };
}

// Samples of bytes each, read by read(at) as x, frame after frame.
function decodeFrames(channels, bytes, frames, read) {
  const out = Array.from({ length: channels }, () => new Float64Array(frames));
  for (let f = 0, at = 0; f < frames; f++)
    for (let c = 0; c < channels; c++, at += bytes) out[c][f] = read(at);
  return out;
}

// Integer PCM, little-endian, 8-bit unsigned: v / 2^(8 * bytes - 1).
function pcmReader(b, data, bytes) {
  const scale = 2 ** (8 * bytes - 1);
  if (bytes === 1) return (at) => (b[data + at] - 128) / 128;
  return (at) => {
    let v = 0;
    for (let k = bytes - 1; k >= 0; k--) v = v * 256 + b[data + at + k];
    return (v >= scale ? v - 2 * scale : v) / scale;
  };
}

// The "fmt " and "data" chunks of a RIFF/WAVE file: { fmt, data, dataBytes }
// (positions of their bodies, the data cut to the bytes the file holds), or
// null.
function wavChunks(b, view) {
  if (b.length < 12 || text4(b, 0) !== 'RIFF' || text4(b, 8) !== 'WAVE') return null;
  let fmt = -1;
  let fmtBytes = 0;
  let data = -1;
  let dataBytes = 0;
  for (let i = 12, n = 0; i + 8 <= b.length && n < 65536; n++) {
    const id = text4(b, i);
    const size = view.getUint32(i + 4, true);
    if (id === 'fmt ' && fmt < 0) {
      fmt = i + 8;
      fmtBytes = Math.min(size, b.length - fmt);
    }
    if (id === 'data' && data < 0) {
      data = i + 8;
      dataBytes = Math.min(size, b.length - data);
    }
    if (fmt >= 0 && data >= 0) return { fmt, fmtBytes, data, dataBytes };
    i += 8 + size + (size & 1);
  }
  return null;
}

// The samples of a RIFF/WAVE file, or { refusal }.
export function decodeWav(buffer) {
  const b = new Uint8Array(buffer);
  const view = new DataView(b.buffer, b.byteOffset, b.byteLength);
  const chunks = wavChunks(b, view);
  if (!chunks || chunks.fmtBytes < 16) return { refusal: BAD_FILE };
  const { fmt, data, dataBytes } = chunks;
  let tag = view.getUint16(fmt, true);
  const channels = view.getUint16(fmt + 2, true);
  const rate = view.getUint32(fmt + 4, true);
  const blockAlign = view.getUint16(fmt + 12, true);
  const bits = view.getUint16(fmt + 14, true);
  if (tag === TAG_EXTENSIBLE) {
    if (chunks.fmtBytes < 40) return { refusal: BAD_FILE };
    tag = view.getUint16(fmt + 24, true); // the sub-format's first two bytes
  }
  if (channels < 1 || rate < 1) return { refusal: BAD_FILE };
  if (channels > 2) return { refusal: tracksRefusal(channels) };
  const decoded = (out, frames, rule) => (frames > 0 ? { channels: out, rate, frames, rule } : { refusal: BAD_FILE });
  if (tag === TAG_IMA) {
    const samplesPerBlock = chunks.fmtBytes >= 20 ? view.getUint16(fmt + 18, true) : 0;
    if (bits !== 4 || blockAlign <= 4 * channels || samplesPerBlock !== Math.floor((2 * (blockAlign - 4 * channels)) / channels) + 1)
      return { refusal: BAD_FILE };
    const ima = decodeIma(b, data, dataBytes, channels, blockAlign, samplesPerBlock);
    return decoded(ima.channels, ima.frames, 'int');
  }
  if (tag === TAG_MS_ADPCM) {
    // The fmt chunk must hold its table of (at least the seven) predictors.
    const samplesPerBlock = chunks.fmtBytes >= 22 ? view.getUint16(fmt + 18, true) : 0;
    const predictors = chunks.fmtBytes >= 22 ? view.getUint16(fmt + 20, true) : 0;
    if (bits !== 4 || blockAlign < 7 * channels || samplesPerBlock !== Math.floor((2 * (blockAlign - 6 * channels)) / channels) ||
      predictors < 7 || chunks.fmtBytes < 22 + 4 * predictors)
      return { refusal: BAD_FILE };
    const ms = decodeMsAdpcm(b, data, dataBytes, channels, blockAlign, samplesPerBlock);
    return ms ? decoded(ms.channels, ms.frames, 'int') : { refusal: BAD_FILE };
  }
  const bytes = tag === TAG_ALAW || tag === TAG_ULAW ? 1 : Math.ceil(bits / 8);
  const frames = Math.floor(dataBytes / (bytes * channels));
  let read;
  let rule = 'int';
  if (tag === TAG_PCM && bytes >= 1 && bytes <= 4) read = pcmReader(b, data, bytes);
  else if (tag === TAG_FLOAT && bits === 32) (read = (at) => view.getFloat32(data + at, true)), (rule = 'f32');
  else if (tag === TAG_FLOAT && bits === 64) (read = (at) => view.getFloat64(data + at, true)), (rule = 'f64');
  else if (tag === TAG_ULAW) read = (at) => ulawSample(b[data + at]) / 32768;
  else if (tag === TAG_ALAW) read = (at) => alawSample(b[data + at]) / 32768;
  else if (tag === TAG_PCM || tag === TAG_FLOAT) return { refusal: BAD_FILE };
  else return { refusal: unreadableKind(tag) };
  return decoded(decodeFrames(channels, bytes, frames, read), frames, rule);
}
