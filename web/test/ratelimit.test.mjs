// The sample rate limit takes what dorvane-cli's --max-rate takes: the
// field refuses another value with a message, the engine refuses one too,
// and every limit in range resamples, low ones included.
import { before, test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { CLI, DIST, EXAMPLES, addFiles, checkAccess, messages, row, usePage, waitForDownload } from './harness.mjs';
import { parseOptionValue } from '../src/options.js';

const RATE_LIMIT_RANGE = 'The sample rate limit lies in 1000..192000 Hz (0: no limit)';

const newPage = usePage();
const run = (program, args, cwd) => execFileSync(program, args, { cwd, stdio: ['ignore', 'pipe', 'pipe'] });

let E;
before(async () => {
  const createDorvaneEngine = createRequire(import.meta.url)(join(DIST, 'dorvane-engine.js'));
  E = await createDorvaneEngine({ wasmBinary: readFileSync(join(DIST, 'dorvane-engine.wasm')) });
  E.FS.writeFile('/bass.wav', readFileSync(join(EXAMPLES, 'bass.wav')));
});

// The field checks the engine's own option table.
const parseRateLimit = (text) => parseOptionValue(JSON.parse(E.optionTable()).find((o) => o.key === 'maxRate'), text);

test('the field takes 0 and 1000..192000 Hz, whole numbers only', () => {
  for (const [text, want] of [
    ['0', 0], ['', 0], [' 48000 ', 48000], ['1000', 1000], ['2000', 2000], ['192000', 192000],
    ['999', null], ['192001', null], ['768000', null], ['-1', null], ['2000.5', null], ['1e4', null], ['abc', null],
  ])
    assert.equal(parseRateLimit(text), want, JSON.stringify(text));
});


test('the engine refuses a limit out of range with a message, never an error', () => {
  const entry = { fileName: 'bass.wav', path: '/bass.wav', sampleName: 'BASS' };
  for (const maxRate of [500, 192001, -1, 2000.5, 'fast', Infinity]) {
    const facts = E.wavFacts('/bass.wav', 'bass.wav', { maxRate });
    assert.deepEqual([facts.valid, facts.needsDecoding, facts.message], [false, false, RATE_LIMIT_RANGE], String(maxRate));
    const made = E.make([entry], { maxRate }, '/out.krz', () => {});
    assert.deepEqual([made.ok, made.messages.map((m) => m.text)], [false, [RATE_LIMIT_RANGE]], String(maxRate));
  }
  // In range: taken (this build leaves the resampling to the page).
  for (const maxRate of [0, 192000]) assert.equal(E.make([entry], { maxRate }, '/out.krz', () => {}).ok, true, String(maxRate));
  assert.match(E.wavFacts('/bass.wav', 'bass.wav', { maxRate: 1000 }).message, /above the rate limit, and this build cannot resample/);
});

const setLimit = (page, value) => page.$eval('#max-rate', (i, v) => {
  i.value = v;
  i.dispatchEvent(new Event('change'));
}, value);
const typeText = (page, n) => page.$eval(`${row(n)} td.type`, (td) => td.textContent);

test('a limit dorvane-cli refuses is refused in its field, which keeps the last one taken', async () => {
  const { page } = await newPage();
  await addFiles(page, [join(EXAMPLES, 'bass.wav')], 1);
  const before = await typeText(page, 1);
  await setLimit(page, '48000');
  let shown = 0;
  for (const value of ['500', '192001', '2000.5', '-1']) {
    await setLimit(page, value);
    shown++;
    assert.deepEqual(await messages(page), Array(shown).fill(RATE_LIMIT_RANGE), value);
    assert.equal(await page.$eval('#max-rate', (i) => i.value), '48000', value);
    assert.equal(await typeText(page, 1), before, value);
  }
  await checkAccess(page, 'a refused rate limit');
  await page.close();
});

// A sound at rate in dir/name, 16-bit stereo.
function tone(dir, name, rate) {
  run('sox', ['-n', '-r', String(rate), '-c', '2', '-b', '16', join(dir, name), 'synth', '0.2', 'sine', '300', 'sine', '500']);
  return join(dir, name);
}

// Below the browser's own lowest rate (3000 Hz) as above it.
for (const [rate, limit, frames] of [[44100, 2000, 400], [192000, 1000, 200]]) {
  test(`a file at ${rate} Hz is resampled to a limit of ${limit} Hz`, async () => {
    const dir = mkdtempSync(join(tmpdir(), 'dorvane-limit-'));
    const path = tone(dir, 'tone.wav', rate);
    const { page, downloads } = await newPage();
    await setLimit(page, String(limit));
    await addFiles(page, [path], 1);
    assert.deepEqual(await messages(page), []);
    assert.match(await typeText(page, 1), new RegExp(`resampled from ${rate} Hz: 16-bit Stereo PCM, ${limit} Hz, ${frames * 4} Bytes$`));
    await page.click('#make');
    const made = await waitForDownload(downloads, 'SAMPLES.KRZ');
    const info = run(CLI, ['info', join(downloads, 'SAMPLES.KRZ')]).toString();
    assert.match(info, new RegExp(`\\(${limit} Hz\\)`));
    assert.ok(made.length > 0);
    await page.close();
  });
}
