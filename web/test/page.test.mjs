// The page in headless chromium: its files against dorvane-cli's bytes for
// the same pool, split and join round trips, and refusals that show the
// program's message and offer nothing.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { copyFileSync, mkdirSync, mkdtempSync, readFileSync, readdirSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { unzipSync } from 'fflate';
import { CLI, EXAMPLES, addFiles, checkAccess, messages, row, usePage, waitForDownload, waitIdle } from './harness.mjs';

const WAVS = ['bass.wav', 'pad.wav', 'pluck.wav', 'snare.wav'];
const newPage = usePage();

function cli(args, cwd) {
  return execFileSync(CLI, args, { cwd, stdio: ['ignore', 'pipe', 'pipe'] });
}

async function typeInto(page, selector, text) {
  await page.click(selector, { clickCount: 3 });
  await page.keyboard.press('Backspace');
  await page.type(selector, text);
}

// Drops the examples, names the first entry, loops the second, puts the
// third's root key at C#3 with its arrows, saves the pool and makes the
// file; dorvane-cli makes the same pool beside the example files.
async function makeNamedPool(page, downloads, settings = {}) {
  await addFiles(page, WAVS.map((n) => join(EXAMPLES, n)), WAVS.length);
  await typeInto(page, `${row(1)} input[data-field=sampleName]`, 'Deep Bass 1234567890');
  await typeInto(page, `${row(1)} input[data-field=keymapName]`, 'Bass Map');
  await typeInto(page, `${row(1)} input[data-field=programName]`, 'Bass Prog');
  await page.click(`${row(2)} input[data-field=loop]`);
  await page.click(`${row(3)} button[data-action=octave-down]`);
  await page.click(`${row(3)} button[data-action=note-up]`);
  assert.equal(await page.$eval(`${row(3)} input[data-field=rootKey]`, (i) => i.value), 'C#3');
  assert.equal(await page.$eval(`${row(1)} input[data-field=sampleName]`, (i) => i.value), 'Deep Bass 123456');
  await checkAccess(page, 'four named entries');
  if (settings.floppy) await page.select('#image', settings.floppy);
  if (settings.split) {
    await page.click('#split');
    await typeInto(page, '#split-size', settings.split);
  }
  await page.click('#save-pool');
  const pool = await waitForDownload(downloads, 'pool.dvn');
  await page.click('#make');
  await waitIdle(page);

  const dir = mkdtempSync(join(tmpdir(), 'dorvane-cli-'));
  for (const n of WAVS) copyFileSync(join(EXAMPLES, n), join(dir, n));
  writeFileSync(join(dir, 'pool.dvn'), pool);
  const args = ['make', '-o', 'SAMPLES.KRZ', 'pool.dvn'];
  if (settings.floppy) args.push('--image', settings.floppy);
  if (settings.split) args.push('--split', '--split-size', settings.split);
  cli(args, dir);
  return dir;
}

test('Make File gives the bytes dorvane-cli writes for the same pool', async () => {
  const { page, downloads } = await newPage();
  const dir = await makeNamedPool(page, downloads);
  const made = await waitForDownload(downloads, 'SAMPLES.KRZ');
  const expected = readFileSync(join(dir, 'SAMPLES.KRZ'));
  assert.equal(made.length, expected.length);
  assert.ok(made.equals(expected), 'the page wrote other bytes than dorvane-cli');
  const info = cli(['info', join(dir, 'SAMPLES.KRZ')]).toString();
  assert.match(info, /"Deep Bass 123456"/);
  assert.match(info, /"Bass Map"/);
  assert.match((await messages(page))[0], /^Wrote SAMPLES\.KRZ: 4 samples, 4 keymaps, 4 programs/);
  await page.close();
});

// Where two floppy images made at different moments may differ: the volume
// serial number (the time of formatting) and the time fields of the root
// folder's entries.
function timeBytes(image) {
  const bps = image.readUInt16LE(11);
  const rootStart = (image.readUInt16LE(14) + image[16] * image.readUInt16LE(22)) * bps;
  const rootEnd = rootStart + image.readUInt16LE(17) * 32;
  return (i) => (i >= 39 && i < 43) ||
    (i >= rootStart && i < rootEnd && (i - rootStart) % 32 >= 13 && (i - rootStart) % 32 < 26 &&
      (i - rootStart) % 32 !== 20 && (i - rootStart) % 32 !== 21);
}

function assertSameFile(name, made, expected) {
  assert.equal(made.length, expected.length, `${name}: length`);
  const allowed = name.endsWith('.img') ? timeBytes(expected) : () => false;
  for (let i = 0; i < made.length; i++)
    if (made[i] !== expected[i] && !allowed(i)) assert.fail(`${name} differs at byte ${i}`);
}

// Split parts and floppy images come as one zip holding the files
// dorvane-cli writes.
for (const settings of [{ split: '50' }, { floppy: '720' }]) {
  test(`Make File with ${JSON.stringify(settings)} zips dorvane-cli's files`, async () => {
    const { page, downloads } = await newPage();
    const dir = await makeNamedPool(page, downloads, settings);
    const zip = unzipSync(new Uint8Array(await waitForDownload(downloads, 'SAMPLES.KRZ.zip')));
    const expected = readdirSync(dir).filter((n) => n.startsWith('SAMPLES.KRZ')).sort();
    assert.deepEqual(Object.keys(zip).sort(), expected);
    for (const name of expected) assertSameFile(name, Buffer.from(zip[name]), readFileSync(join(dir, name)));
    await page.close();
  });
}

test('Split then Join gives the file back, parts as dorvane-cli cuts them', async () => {
  const dir = mkdtempSync(join(tmpdir(), 'dorvane-split-'));
  cli(['make', '-o', 'ROUND.KRZ', ...WAVS.map((n) => join(EXAMPLES, n))], dir);
  cli(['split', 'ROUND.KRZ', '--size', '40', '--dest', 'CLI.KRZ'], dir);
  const original = readFileSync(join(dir, 'ROUND.KRZ'));

  const { page, downloads } = await newPage();
  await typeInto(page, '#tool-split-kb', '40');
  await (await page.$('#split-file')).uploadFile(join(dir, 'ROUND.KRZ'));
  const zip = unzipSync(new Uint8Array(await waitForDownload(downloads, 'ROUND.KRZ-parts.zip')));
  const names = Object.keys(zip).sort();
  assert.equal(names.length, 5);
  for (const name of names) {
    writeFileSync(join(dir, name), zip[name]);
    const cliPart = readFileSync(join(dir, name.replace('ROUND', 'CLI')));
    assert.ok(Buffer.from(zip[name]).equals(cliPart), `${name} differs from dorvane-cli's part`);
  }
  await waitIdle(page);
  await (await page.$('#join-files')).uploadFile(...names.map((n) => join(dir, n)));
  const joined = await waitForDownload(downloads, 'ROUND.KRZ');
  assert.ok(joined.equals(original), 'the joined file is not the file that was split');
  await page.close();
});

test('a series with a part missing is refused with its message and nothing offered', async () => {
  const dir = mkdtempSync(join(tmpdir(), 'dorvane-gap-'));
  cli(['make', '-o', 'GAP.KRZ', ...WAVS.map((n) => join(EXAMPLES, n))], dir);
  cli(['split', 'GAP.KRZ', '--size', '40'], dir);
  const { page, downloads } = await newPage();
  await (await page.$('#join-files')).uploadFile(join(dir, 'GAP.KRZ01'), join(dir, 'GAP.KRZ02'), join(dir, 'GAP.KRZ04'));
  await page.waitForFunction(() => document.querySelectorAll('#messages li').length > 0);
  assert.match((await messages(page))[0], /^FILE ERROR: GAP\.KRZ03 is missing/);
  await checkAccess(page, 'a refused join');
  await waitIdle(page);
  assert.deepEqual(readdirSync(downloads), []);
  await page.close();
});

test('a rejected WAV file shows its message and Make File writes nothing', async () => {
  const dir = mkdtempSync(join(tmpdir(), 'dorvane-bad-'));
  writeFileSync(join(dir, 'broken.wav'), Buffer.from('RIFF\x04\x00\x00\x00WAVEjunk'));
  const { page, downloads } = await newPage();
  await addFiles(page, [join(EXAMPLES, 'bass.wav'), join(dir, 'broken.wav')], 2);
  assert.deepEqual(await messages(page), ['Error in file: broken.wav\nFile is bad or non-existing...']);
  assert.equal(await page.$eval(`${row(2)} td.type`, (td) => td.textContent), 'UNSUPPORTED FILETYPE !!!');
  // The row and its name field are marked invalid, described by the message.
  const marks = await page.$$eval(`${row(1)}, ${row(2)}, ${row(2)} [data-field=sampleName]`, (els) => els.map((el) =>
    [el.getAttribute('aria-invalid'), document.getElementById(el.getAttribute('aria-describedby'))?.textContent]));
  assert.deepEqual(marks, [[null, null], ...Array(2).fill(['true', 'Error in file: broken.wav\nFile is bad or non-existing...'])]);
  await checkAccess(page, 'a rejected entry');
  await page.click('#make');
  await page.waitForFunction(() => document.querySelectorAll('#messages li').length === 2);
  await waitIdle(page);
  assert.equal((await messages(page))[0], 'Error in file: broken.wav\nFile is bad or non-existing...');
  assert.deepEqual(readdirSync(downloads), []);
  await page.close();
});

// Two files of one name in two folders of a picked project folder go to the
// entries that name those folders, as dorvane-cli reads them.
test('an opened pool takes the files of a picked folder by their places', async () => {
  const dir = mkdtempSync(join(tmpdir(), 'dorvane-folder-'));
  const proj = join(dir, 'proj');
  for (const [kit, source] of [['kit1', 'bass.wav'], ['kit2', 'pluck.wav']]) {
    mkdirSync(join(proj, kit), { recursive: true });
    copyFileSync(join(EXAMPLES, source), join(proj, kit, 'snare.wav'));
  }
  cli(['pool', '-o', 'set.dvn', '--relative-paths', 'kit2/snare.wav', 'kit1/snare.wav'], proj);
  cli(['make', '-o', '../EX.KRZ', 'set.dvn'], proj);
  const { page, downloads } = await newPage();
  await (await page.$('#pick-folder')).uploadFile(proj);
  await page.waitForFunction(() => document.querySelectorAll('#entries tbody tr').length === 2);
  await page.waitForFunction(() => document.querySelector('#missing').hidden);
  await waitIdle(page);
  await typeInto(page, '#output', 'EX.KRZ');
  await page.click('#make');
  const made = await waitForDownload(downloads, 'EX.KRZ');
  assert.ok(made.equals(readFileSync(join(dir, 'EX.KRZ'))), 'the entries took the wrong files');
  await page.close();
});

test('an opened pool takes the dropped files by name', async () => {
  const dir = mkdtempSync(join(tmpdir(), 'dorvane-open-'));
  for (const n of [...WAVS, 'example.dvn']) copyFileSync(join(EXAMPLES, n), join(dir, n));
  cli(['make', '-o', 'EX.KRZ', 'example.dvn'], dir);
  const { page, downloads } = await newPage();
  await (await page.$('#pick-files')).uploadFile(join(EXAMPLES, 'example.dvn'));
  await page.waitForSelector('#missing:not([hidden])');
  await checkAccess(page, 'a pool waiting for its files');
  // The table has its rows already: wait for the files to be matched.
  await (await page.$('#pick-files')).uploadFile(...WAVS.map((n) => join(EXAMPLES, n)));
  await page.waitForFunction(() => document.querySelector('#missing').hidden);
  await waitIdle(page);
  await typeInto(page, '#output', 'EX.KRZ');
  await page.click('#make');
  const made = await waitForDownload(downloads, 'EX.KRZ');
  assert.ok(made.equals(readFileSync(join(dir, 'EX.KRZ'))), 'the page wrote other bytes than dorvane-cli');
  await page.close();
});
