// The page's option controls are the engine's option table: one control per
// option the table gives the page, with its range, default and label, and
// the engine refuses what the table refuses, whatever the page sends.
import { before, test } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { join } from 'node:path';
import { DIST, checkAccess, usePage } from './harness.mjs';

const newPage = usePage();
let E;
let table;
before(async () => {
  const createDorvaneEngine = createRequire(import.meta.url)(join(DIST, 'dorvane-engine.js'));
  E = await createDorvaneEngine({ wasmBinary: readFileSync(join(DIST, 'dorvane-engine.wasm')) });
  table = JSON.parse(E.optionTable());
});

test('the page shows a control per option of the table', async () => {
  const { page } = await newPage();
  const shown = await page.$$eval('[data-option]', (els) => els.map((el) => ({
    key: el.dataset.option, id: el.id, type: el.type, min: el.min ?? '', max: el.max ?? '', value: el.type === 'checkbox' ? String(el.checked) : el.value,
    label: document.querySelector(`label[for="${el.id}"]`)?.textContent,
    choices: el.tagName === 'SELECT' ? [...el.options].map((o) => [Number(o.value), o.textContent]) : [],
  })));
  const wanted = table.filter((o) => o.faces.includes('page')).map((o) => ({
    key: o.key, id: o.flag.slice(2), type: { flag: 'checkbox', integer: 'text', choice: 'select-one' }[o.kind],
    min: o.kind === 'integer' ? String(o.zeroIsNone ? 0 : o.min) : '', max: o.kind === 'integer' ? String(o.max) : '',
    value: o.kind === 'flag' ? String(o.default !== 0) : String(o.default), label: o.label,
    choices: o.choices.map((c) => [c.value, c.label]),
  }));
  assert.deepEqual(shown, wanted);
  await checkAccess(page, 'the page as it opens');
  await page.close();
});

test('the engine refuses a value outside any option\'s range with the table\'s message', () => {
  const entry = { fileName: 'none.wav', path: '/none.wav', sampleName: 'NONE' };
  const cases = [['firstObjectID', 199], ['firstObjectID', 901], ['splitKB', 0], ['splitKB', 650001], ['floppyKB', 1400], ['maxRate', 384000],
    // A number that is not whole, or not a number, is refused, never cut to one taken.
    ['firstObjectID', 300.5], ['splitKB', 'big'], ['floppyKB', 720.5], ['maxRate', 2000.5]];
  for (const [key, value] of cases) {
    const made = E.make([entry], { [key]: value }, '/out.krz', () => {});
    const message = table.find((o) => o.key === key).rangeMessage;
    assert.deepEqual([made.ok, made.messages.map((m) => m.text)], [false, [message]], `${key} ${value}`);
  }
  assert.deepEqual(E.split('/none.krz', 0, () => {}).messages.map((m) => m.text), [table.find((o) => o.key === 'splitKB').rangeMessage]);
});
