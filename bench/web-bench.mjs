// Make File of 20 stereo 16-bit WAV files of 2 MB each: the WebAssembly
// engine under node against dorvane-cli on the same files, the engine's
// own speed without the browser. Inputs are copied into its memory file
// system; the output is written as the page's worker writes it, into paged
// files (pagedfile.js), here with byte arrays in place of the browser's
// Blobs, and read back whole. Prints the best of five runs of each and
// their ratio, and checks that both wrote the same bytes.
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import vm from 'node:vm';
import { stereoWav } from './bench-wav.mjs';

const DIST = process.env.DORVANE_WEB_DIST;
const CLI = process.env.DORVANE_CLI;
const FILES = 20;
const DATA_BYTES = 2 * 1024 * 1024;
const RUNS = 5;

const wav = (seed) => stereoWav(seed, DATA_BYTES);

function best(fn) {
  let min = Infinity;
  for (let r = 0; r < RUNS; r++) {
    const t = process.hrtime.bigint();
    fn();
    min = Math.min(min, Number(process.hrtime.bigint() - t) / 1e6);
  }
  return min;
}

const dir = mkdtempSync(join(tmpdir(), 'dorvane-web-bench-'));
const names = [];
const bytes = [];
for (let i = 0; i < FILES; i++) {
  names.push(`s${String(i).padStart(2, '0')}.wav`);
  bytes.push(wav(i + 1));
  writeFileSync(join(dir, names[i]), bytes[i]);
}

const native = best(() => execFileSync(CLI, ['make', '-o', 'NATIVE.KRZ', ...names], { cwd: dir, stdio: 'ignore' }));

const createDorvaneEngine = createRequire(import.meta.url)(join(DIST, 'dorvane-engine.js'));
const E = await createDorvaneEngine({ wasmBinary: readFileSync(join(DIST, 'dorvane-engine.wasm')) });
const paged = {};
vm.runInNewContext(readFileSync(join(DIST, 'pagedfile.js'), 'utf8'), paged);
const bytesOf = (part) => (part.bytes ? part.bytes : part);
paged.usePagedFiles(E.FS, {
  makeBlob: (parts) => ({ bytes: Buffer.concat(parts.map(bytesOf)) }),
  readBlob: (blob) => blob.bytes,
});
let made;
const web = best(() => {
  E.FS.mkdir('/job'); E.FS.mkdir('/job/in'); E.FS.mkdir('/job/out');
  names.forEach((n, i) => E.FS.writeFile('/job/in/' + n, bytes[i]));
  const entries = names.map((n) => ({ fileName: n, path: '/job/in/' + n, sampleName: n.slice(0, -4) }));
  const result = E.make(entries, {}, '/job/out/WEB.KRZ', null);
  if (!result.ok) throw new Error(JSON.stringify(result.messages));
  made = E.FS.readFile('/job/out/WEB.KRZ');
  for (const n of names) E.FS.unlink('/job/in/' + n);
  E.FS.unlink('/job/out/WEB.KRZ');
  E.FS.rmdir('/job/in'); E.FS.rmdir('/job/out'); E.FS.rmdir('/job');
});

const same = Buffer.from(made).equals(readFileSync(join(dir, 'NATIVE.KRZ')));
rmSync(dir, { recursive: true, force: true });
console.log(`Make File, ${FILES} stereo 16-bit files of 2 MB (best of ${RUNS}):`);
console.log(`  dorvane-cli          ${native.toFixed(1)} ms`);
console.log(`  engine (wasm, node)  ${web.toFixed(1)} ms`);
console.log(`  ratio                ${(web / native).toFixed(2)}`);
console.log(`  same bytes           ${same ? 'yes' : 'NO'}`);
if (!same) process.exit(1);
