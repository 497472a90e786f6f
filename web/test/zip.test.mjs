// The page's zip of several outputs against a zip reader: the same names
// and bytes in the same order, and each entry's CRC-32 that of its bytes.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { crc32 } from 'node:zlib';
import { unzipSync } from 'fflate';
import { zipOf } from '../src/downloads.js';

const bytes = (n, seed) => Uint8Array.from({ length: n }, (_, i) => (i * 7 + seed) & 255);

// Each case: the outputs, as [name, length].
const CASES = [
  { name: 'one file', files: [['SAMPLES.KRZ', 1000]] },
  { name: 'parts, one empty', files: [['BIG.K01', 3000], ['BIG.K02', 0], ['BIG.K03', 17]] },
  { name: 'folders and a name beyond ASCII', files: [['PIANO/report.txt', 40], ['PIANO/Flügel C3.wav', 500], ['DRUMS/kick.sfz', 9]] },
  { name: 'a file of more than one slice read', files: [['DISK.IMG', 4 * 1024 * 1024 + 3]] },
];

for (const { name, files } of CASES) {
  test(`a zip of the outputs holds them: ${name}`, async () => {
    const outputs = files.map(([n, length], k) => ({ name: n, blob: new Blob([bytes(length, k)]) }));
    const zip = new Uint8Array(await (await zipOf(outputs, new Date(2024, 5, 30, 12, 34, 56))).arrayBuffer());
    const read = unzipSync(zip);
    assert.deepEqual(Object.keys(read), files.map(([n]) => n));
    files.forEach(([n, length], k) => assert.deepEqual(read[n], bytes(length, k), n));
    // The central directory's entries: each CRC-32 (at 16) that of its file's bytes.
    const view = new DataView(zip.buffer);
    const crcs = [];
    for (let at = 0; at + 4 <= zip.length; at++) if (view.getUint32(at, true) === 0x02014b50) crcs.push(view.getUint32(at + 16, true));
    assert.deepEqual(crcs, files.map(([, length], k) => crc32(bytes(length, k))));
  });
}
