// The page in headless chromium (as the page's tests start it) against
// dorvane-cli: 100 stereo 16-bit WAV files of 2 MB are picked, then Make
// File runs to the finished download. Prints the time to add the files,
// the time from the click to the end of the engine's work and to the
// complete download (best of RUNS), dorvane-cli make's time on the same
// files (best of RUNS), and the growth of the resident memory of all of
// chromium's processes from before the click to its peak during Make File
// (the first run; sampled every 20 ms from /proc), against the output's
// size. Checks that the download is dorvane-cli's file byte for byte.
// Then what the browser alone takes for the same bytes, no engine: reading
// the picked files (asynchronously, 8 at a time, its fastest way here) and
// downloading a Blob of the output's size from the moment it is made.
// BENCH_SPLIT=1 ticks Split (parts of 1400 KB, offered as one zip) and
// checks the zip's parts against dorvane-cli make --split's.
import { execFileSync } from 'node:child_process';
import { createRequire } from 'node:module';
import { mkdtempSync, readFileSync, readdirSync, rmSync, statSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { launch, openPage, serve } from '../web/test/harness.mjs';
import { stereoWav } from './bench-wav.mjs';

const CLI = process.env.DORVANE_CLI;
const FILES = Number(process.env.BENCH_FILES || 100);
const DATA_BYTES = 2 * 1024 * 1024;
const RUNS = 3;
const SPLIT = process.env.BENCH_SPLIT === '1';
const { unzipSync } = createRequire(new URL('../web/package.json', import.meta.url))('fflate');
const MB = 1024 * 1024;

const wav = (seed) => stereoWav(seed, DATA_BYTES);

// The resident bytes of pid and all its descendants.
function treeRss(root) {
  const parent = new Map();
  for (const name of readdirSync('/proc')) {
    if (!/^\d+$/.test(name)) continue;
    try {
      const stat = readFileSync(`/proc/${name}/stat`, 'utf8');
      parent.set(Number(name), Number(stat.slice(stat.lastIndexOf(')') + 2).split(' ')[1]));
    } catch { /* gone */ }
  }
  const inTree = (pid) => {
    for (let p = pid; p > 1; p = parent.get(p)) if (p === root) return true;
    return false;
  };
  let total = 0;
  for (const pid of parent.keys()) {
    if (!inTree(pid)) continue;
    try {
      const m = /VmRSS:\s+(\d+) kB/.exec(readFileSync(`/proc/${pid}/status`, 'utf8'));
      if (m) total += Number(m[1]) * 1024;
    } catch { /* gone */ }
  }
  return total;
}

const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

const dir = mkdtempSync(join(tmpdir(), 'dorvane-page-bench-'));
const names = [];
for (let i = 0; i < FILES; i++) {
  names.push(`s${String(i).padStart(3, '0')}.wav`);
  writeFileSync(join(dir, names[i]), wav(i + 1));
}

let native = Infinity;
for (let r = 0; r < RUNS; r++) {
  const t = process.hrtime.bigint();
  execFileSync(CLI, ['make', '-o', 'SAMPLES.KRZ', ...(SPLIT ? ['--split'] : []), ...names], { cwd: dir, stdio: 'ignore' });
  native = Math.min(native, Number(process.hrtime.bigint() - t) / 1e6);
}
// The file, or each part, dorvane-cli wrote, by name.
const expected = new Map(readdirSync(dir).filter((n) => /^SAMPLES\.K/.test(n)).map((n) => [n, readFileSync(join(dir, n))]));
const expectedSize = [...expected.values()].reduce((n, b) => n + b.length, 0);
const download = SPLIT ? 'SAMPLES.KRZ.zip' : 'SAMPLES.KRZ';
// Whether the finished download holds dorvane-cli's bytes.
function same(bytes) {
  const got = SPLIT ? unzipSync(new Uint8Array(bytes)) : { 'SAMPLES.KRZ': bytes };
  return Object.keys(got).length === expected.size &&
    Object.entries(got).every(([n, b]) => expected.has(n) && Buffer.from(b).equals(expected.get(n)));
}

const server = await serve();
const chromium = await launch();
const pid = chromium.browser.process().pid;
const { page, downloads } = await openPage(chromium.browser, server.url);
if (SPLIT) await page.click('#split');

let t = Date.now();
await (await page.$('#pick-files')).uploadFile(...names.map((n) => join(dir, n)));
await page.waitForFunction((n) => document.querySelectorAll('#entries tbody tr').length === n &&
  !document.body.classList.contains('busy'), { polling: 10, timeout: 600000 }, FILES);
const adding = Date.now() - t;

let engine = Infinity;
let total = Infinity;
let growth = 0;
let allSame = true;
for (let r = 0; r < RUNS; r++) {
  await sleep(1000);
  const before = treeRss(pid);
  let peak = before;
  const target = join(downloads, download);
  t = Date.now();
  await page.click('#make');
  let engineDone = 0;
  for (;;) {
    peak = Math.max(peak, treeRss(pid));
    if (!engineDone && await page.evaluate(() => !document.body.classList.contains('busy'))) engineDone = Date.now();
    const names = readdirSync(downloads);
    if (names.includes(download) && !names.some((n) => n.endsWith('.crdownload')) &&
      statSync(target).size >= expectedSize) break;
    await sleep(20);
  }
  total = Math.min(total, Date.now() - t);
  engine = Math.min(engine, (engineDone || Date.now()) - t);
  if (r === 0) growth = peak - before;
  allSame = allSame && same(readFileSync(target));
  rmSync(target);
}

// The browser alone: reads of the picked files, and a download of the output's size.
await page.evaluate(() => {
  const input = Object.assign(document.createElement('input'), { type: 'file', multiple: true, id: 'floor-files' });
  document.body.append(input);
});
await (await page.$('#floor-files')).uploadFile(...names.map((n) => join(dir, n)));
const reading = await page.evaluate(async () => {
  const files = [...document.getElementById('floor-files').files];
  const t0 = performance.now();
  for (let i = 0; i < files.length; i += 8) await Promise.all(files.slice(i, i + 8).map((f) => f.arrayBuffer()));
  return performance.now() - t0;
});
await page.evaluate((size) => {
  window.floorBlob = new Blob([new Uint8Array(size)]);
}, expectedSize);
t = Date.now();
await page.evaluate(() => Object.assign(document.createElement('a'), { href: URL.createObjectURL(window.floorBlob), download: 'FLOOR.BIN' }).click());
for (;;) {
  const names = readdirSync(downloads);
  if (names.includes('FLOOR.BIN') && !names.some((n) => n.endsWith('.crdownload')) &&
    statSync(join(downloads, 'FLOOR.BIN')).size === expectedSize) break;
  await sleep(20);
}
const downloading = Date.now() - t;

await page.close();
await chromium.close();
server.close();
rmSync(dir, { recursive: true, force: true });
rmSync(downloads, { recursive: true, force: true });

const mb = (n) => (n / MB).toFixed(0) + ' MB';
console.log(`The page in chromium, ${FILES} stereo 16-bit files of 2 MB${SPLIT ? ', split' : ''}:`);
console.log(`  adding the files                 ${adding} ms`);
console.log(`  Make File, engine (best of ${RUNS})    ${engine} ms`);
console.log(`  Make File to download (best of ${RUNS}) ${total} ms`);
console.log(`  dorvane-cli make (best of ${RUNS})     ${native.toFixed(0)} ms`);
console.log(`  ratio                            ${(total / native).toFixed(2)} (goal: 2)`);
console.log(`  memory growth during Make File   ${mb(growth)} (goal: output ${mb(expectedSize)} + 64 MB)`);
console.log(`  same bytes                       ${allSame ? 'yes' : 'NO'}`);
console.log('The browser alone, no engine:');
console.log(`  reading the files (8 at a time)  ${reading.toFixed(0)} ms`);
console.log(`  downloading a Blob of ${mb(expectedSize)}   ${downloading} ms`);
console.log(`  together, against dorvane-cli    ${((reading + downloading) / native).toFixed(2)} times`);
if (!allSame) process.exit(1);
