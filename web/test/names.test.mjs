// Make File's output name and the whole-number fields as the desktop
// program and dorvane-cli take them: a bare file name with a sampler
// extension, and digits only; what is refused is refused in its field,
// with the reason beside it, and nothing runs.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { readdirSync } from 'node:fs';
import { join } from 'node:path';
import { CHARACTER_REASON, FOLDER_REASON, checkOutputName } from '../src/outputname.js';
import { EXAMPLES, addFiles, checkAccess, messages, usePage, waitForDownload, waitIdle } from './harness.mjs';

const newPage = usePage();

test('output names: bare names only, .KRZ added unless a sampler extension ends them', () => {
  for (const [text, want] of [
    ['BANK', { name: 'BANK.KRZ' }],
    [' bank.krz ', { name: 'bank.krz' }],
    ['Drums.K25', { name: 'Drums.K25' }],
    ['drums.k26', { name: 'drums.k26' }],
    ['tones.wav', { name: 'tones.wav.KRZ' }],
    ['a.KRZ01', { name: 'a.KRZ01.KRZ' }],
    ['KRZ', { name: 'KRZ.KRZ' }],
    ['', { name: 'SAMPLES.KRZ' }],
    ['sub/BANK.KRZ', { reason: FOLDER_REASON }],
    ['C:\\BANK.KRZ', { reason: FOLDER_REASON }],
    ['../BANK', { reason: FOLDER_REASON }],
    ['BA:NK.KRZ', { reason: CHARACTER_REASON }],
    ['what?.KRZ', { reason: CHARACTER_REASON }],
    ['a*b', { reason: CHARACTER_REASON }],
    ['"x".KRZ', { reason: CHARACTER_REASON }],
    ['a<b>c|d', { reason: CHARACTER_REASON }],
    ['tab\there', { reason: CHARACTER_REASON }],
    ['del\u007f', { reason: CHARACTER_REASON }],
  ])
    assert.deepEqual(checkOutputName(text), want, JSON.stringify(text));
});

async function typeInto(page, selector, text) {
  await page.click(selector, { clickCount: 3 });
  await page.keyboard.press('Backspace');
  await page.type(selector, text);
}

const fieldState = (page, id) => page.$eval('#' + id, (el) => {
  const note = document.getElementById(el.getAttribute('aria-describedby'));
  return { invalid: el.getAttribute('aria-invalid'), reason: note && !note.hidden ? note.textContent : '' };
});

test('a refused output name stays in its field with the reason and Make File does not run', async () => {
  const { page, downloads } = await newPage();
  await addFiles(page, [join(EXAMPLES, 'bass.wav')], 1);
  for (const [text, reason] of [['kits/BANK.KRZ', FOLDER_REASON], ['BANK?', CHARACTER_REASON]]) {
    await typeInto(page, '#output', text);
    await page.click('#make');
    await waitIdle(page);
    assert.deepEqual(await fieldState(page, 'output'), { invalid: 'true', reason }, text);
    assert.equal(await page.$eval('#output', (el) => el.value), text);
    assert.deepEqual(await messages(page), [], text);
  }
  await checkAccess(page, 'a refused output name');
  await typeInto(page, '#output', 'bank');
  assert.deepEqual(await fieldState(page, 'output'), { invalid: null, reason: '' });
  await page.click('#make');
  await waitForDownload(downloads, 'bank.KRZ');
  assert.equal(await page.$eval('#output', (el) => el.value), 'bank.KRZ');
  await page.close();
});

// "12abc" must be refused, never read as 12: a number field would drop the
// letters as they are typed.
test('part sizes take whole numbers only, refused in their field with the reason', async () => {
  const { page, downloads } = await newPage();
  for (const [id, text] of [['split-size', '1.5'], ['split-size', '12abc'], ['split-size', '0'], ['tool-split-kb', '1.5'], ['tool-split-kb', '12abc']]) {
    await typeInto(page, '#' + id, text);
    await page.keyboard.press('Tab');
    const state = await fieldState(page, id);
    assert.deepEqual(state, { invalid: 'true', reason: 'The part size lies in 1..650000 KB' }, `${id} ${text}`);
  }
  await checkAccess(page, 'refused part sizes');
  // The tool's field keeps what was typed, and Split does not run.
  await (await page.$('#split-file')).uploadFile(join(EXAMPLES, 'bass.wav'));
  await waitIdle(page);
  assert.deepEqual(readdirSync(downloads), []);
  // The settings' field goes back to the size it took last.
  assert.equal(await page.$eval('#split-size', (el) => el.value), '1400');
  await page.close();
});
