// The page by keyboard alone, for screen readers (axe-core finds nothing on
// the states visited) and at a phone's width of 375 px.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { join } from 'node:path';
import { EXAMPLES, addFiles, checkAccess, chooserOf, row, usePage, waitForDownload, waitIdle } from './harness.mjs';

const WAVS = ['bass.wav', 'pad.wav', 'pluck.wav'].map((n) => join(EXAMPLES, n));
const newPage = usePage();

const focused = (page) => page.evaluate(() => {
  const el = document.activeElement;
  return { id: el.id, name: el.getAttribute('aria-label') || el.textContent, outline: getComputedStyle(el).outlineStyle };
});
const fileOfRow = (page, n) => page.$eval(`${row(n)} td.file`, (td) => td.firstChild.textContent);

// Presses key on what has the focus and resolves to the file chooser it opens.
const chooserOfKey = (page, key) => chooserOf(page, () => page.keyboard.press(key));

test('by keyboard alone: the drop zone and the pickers open, rows move with the focus, Make File writes', async () => {
  const { page, downloads } = await newPage();
  await page.keyboard.press('Tab');
  const drop = await focused(page);
  assert.equal(drop.id, 'drop');
  assert.match(drop.name, /^Drop audio files/);
  assert.notEqual(drop.outline, 'none', 'the focus is not visible');
  await (await chooserOfKey(page, 'Enter')).accept(WAVS);
  await page.waitForFunction(() => document.querySelectorAll('#entries tbody tr').length === 3);
  await waitIdle(page);
  await checkAccess(page, 'three entries');

  await page.focus(`${row(2)} [data-action=up]`);
  assert.equal((await focused(page)).name, 'Move sample 2 up');
  await page.keyboard.press('Space');
  assert.deepEqual([await fileOfRow(page, 1), await fileOfRow(page, 2)], ['pad.wav', 'bass.wav']);
  assert.equal((await focused(page)).name, 'Move sample 1 up', 'the focus did not follow the row');
  await page.keyboard.press('Tab');
  await page.keyboard.press('Tab');
  assert.equal((await focused(page)).name, 'Delete sample 1');
  await page.keyboard.press('Enter');
  assert.equal(await page.$$eval('#entries tbody tr', (rows) => rows.length), 2);
  assert.equal((await focused(page)).name, 'Delete sample 1');

  for (const picks of ['pick-folder', 'split-file', 'join-files']) {
    await page.focus(`[data-picks=${picks}]`);
    await (await chooserOfKey(page, 'Space')).cancel();
  }
  await page.focus('#make');
  await page.keyboard.press('Enter');
  assert.ok((await waitForDownload(downloads, 'SAMPLES.KRZ')).length > 0);
  await waitIdle(page);
  assert.equal((await focused(page)).id, 'make', 'the focus was lost while Make File ran');
  await page.focus('[data-picks=info-files]');
  await (await chooserOfKey(page, 'Enter')).accept([join(downloads, 'SAMPLES.KRZ')]);
  await page.waitForSelector('#report:not([hidden])');
  await checkAccess(page, "Info's report");
  await page.close();
});

test('at 375 px wide nothing overflows and every control is in view and usable', async () => {
  const { page } = await newPage();
  await page.setViewport({ width: 375, height: 800 });
  await addFiles(page, WAVS, 3);
  assert.ok(await page.evaluate(() => document.documentElement.scrollWidth <= 375), 'the page is wider than 375 px');
  const outside = await page.$$eval('main button, main input:not([type=file]), main select, footer progress', (els) =>
    els.filter((el) => {
      const r = el.getBoundingClientRect();
      return !el.checkVisibility() || r.width === 0 || r.left < 0 || r.right > 375;
    }).map((el) => el.id || el.getAttribute('aria-label') || el.outerHTML.slice(0, 60)));
  assert.deepEqual(outside, []);
  await page.type(`${row(3)} input[data-field=programName]`, 'Pluck');
  await page.click(`${row(3)} [data-action=up]`);
  assert.equal(await page.$eval(`${row(2)} input[data-field=programName]`, (i) => i.value), 'Pluck');
  await page.click(`${row(2)} [data-action=octave-down]`);
  assert.equal(await page.$eval(`${row(2)} input[data-field=rootKey]`, (i) => i.value), 'C 3');
  await checkAccess(page, 'three entries at 375 px');
  await page.close();
});
