// Files the page's engine cannot read, made into the 16-bit PCM WAV file
// it reads: WAV and AIFF samples read by the page from the file's bytes,
// FLAC (and whatever else the browser plays) decoded by the browser, their
// words made as dorvane-cli makes them, and files above the rate limit
// resampled by the browser.
import { containerFacts, decodeAiff, flacSamples, resampleSmpl, resampledFrames, toWords, wavFile } from './audiofile.js';
import { BAD_FILE, decodeWav, tracksRefusal } from './wavdecode.js';

const refusal = (name, tail) => ({ message: 'Error in file: ' + name + '\n' + tail });

// The rates an OfflineAudioContext and an AudioBuffer take, in Hz.
const BROWSER_MIN_RATE = 3000;
const BROWSER_MAX_RATE = 768000;

// How this browser scales the 16-bit samples it decodes: the factor that
// gives a positive sample back from its float, and a negative one. Measured
// once on a WAV file of 32767 and -32768 (some browsers divide positive
// samples by 32767, others by 32768).
let scale16 = null;
async function browserScale16() {
  if (!scale16) {
    scale16 = (async () => {
      const probe = wavFile(Int16Array.from([32767, -32768]), 1, 8000);
      try {
        const f = (await new OfflineAudioContext(1, 1, 8000).decodeAudioData(probe.buffer)).getChannelData(0);
        return { positive: 32767 / f[0], negative: 32768 / -f[1] };
      } catch {
        return { positive: 32768, negative: 32768 };
      }
    })();
  }
  return scale16;
}

// The browser's decoding of bytes at rate (an OfflineAudioContext at the
// file's own rate does not resample): { channels, rule } or null.
async function decodeWithBrowser(bytes, facts) {
  if (facts.rate < BROWSER_MIN_RATE || facts.rate > BROWSER_MAX_RATE) return null;
  try {
    const buffer = await new OfflineAudioContext(1, 1, facts.rate).decodeAudioData(bytes.slice(0));
    const data = [];
    for (let c = 0; c < buffer.numberOfChannels; c++) data.push(buffer.getChannelData(c));
    if (facts.container === 'FLAC') return { channels: flacSamples(data, facts.bits, await browserScale16()), rule: 'int' };
    return { channels: data, rule: 'f64' };
  } catch {
    return null;
  }
}

// The channels resampled from inRate to outRate by the browser, frames
// frames. Both rates are multiplied by the smallest whole number that
// brings them into the browser's range: the ratio, and so the sound, is
// the same. Returns null when no such number exists.
async function resample(data, inRate, outRate, frames) {
  const k = Math.ceil(BROWSER_MIN_RATE / Math.min(inRate, outRate));
  if (Math.max(inRate, outRate) * k > BROWSER_MAX_RATE) return null;
  const input = new AudioBuffer({ length: data[0].length, numberOfChannels: data.length, sampleRate: inRate * k });
  data.forEach((x, c) => input.copyToChannel(x instanceof Float32Array ? x : Float32Array.from(x), c));
  const context = new OfflineAudioContext(data.length, frames, outRate * k);
  const source = context.createBufferSource();
  source.buffer = input;
  source.connect(context.destination);
  source.start();
  const output = await context.startRendering();
  return data.map((_, c) => output.getChannelData(c));
}

// The samples of file: { channels, rate, rule } or { message }.
async function samplesOf(file) {
  const facts = containerFacts(file.bytes);
  let decoded;
  if (facts.container === 'WAV') decoded = decodeWav(file.bytes);
  else if (facts.container === 'AIFF') decoded = decodeAiff(file.bytes) || { refusal: BAD_FILE };
  else decoded = await decodeWithBrowser(file.bytes, facts);
  if (!decoded) return refusal(file.name, BAD_FILE);
  if (decoded.refusal) return refusal(file.name, decoded.refusal);
  if (decoded.channels.length > 2) return refusal(file.name, tracksRefusal(decoded.channels.length));
  if (facts.rate < 1 || decoded.channels.length === 0 || decoded.channels[0].length === 0) return refusal(file.name, BAD_FILE);
  return { channels: decoded.channels, rate: facts.rate, rule: decoded.rule, facts };
}

// file ({ name, bytes }) as a 16-bit PCM WAV file under the same name that
// carries the original's root key and loop ("smpl"), resampled to
// s.maxRate when it is faster. Returns { file, what } or { message }.
export async function decodeForEngine(file, s) {
  const got = await samplesOf(file);
  if (got.message) return got;
  const { facts } = got;
  let { channels: data, rate, rule } = got;
  const inFrames = data[0].length;
  let frames = inFrames;
  let smpl = facts.smpl;
  if (s.maxRate > 0 && rate > s.maxRate) {
    frames = resampledFrames(inFrames, rate, s.maxRate);
    if (frames === 0) return refusal(file.name, BAD_FILE);
    data = await resample(data, rate, s.maxRate, frames);
    if (!data) return refusal(file.name, 'The browser cannot resample ' + rate + ' Hz to ' + s.maxRate + ' Hz.');
    if (smpl) smpl = resampleSmpl(smpl, rate, s.maxRate, inFrames, frames);
    rate = s.maxRate;
    rule = 'resampled';
  }
  const bytes = wavFile(toWords(data, frames, rule), data.length, rate, smpl);
  const what = (facts.container || 'audio') + ', decoded in the browser' +
    (rate !== facts.rate ? ' and resampled from ' + facts.rate + ' Hz' : '');
  return { file: { name: file.name, bytes: bytes.buffer }, what };
}
