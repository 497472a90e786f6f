// What the page offers as downloads. Outputs come from the engine as Blobs
// (engine-client.js) whose bytes the browser keeps, most on disk: a single
// output is offered as it is, never copied; several go into one zip
// (stored, not compressed) whose entries are the outputs' Blobs themselves
// between the zip's headers, so that no output is copied into memory: each
// is read once, a slice at a time, for its checksum.

// Offers data (a Blob, taken by reference, or bytes) as the file name.
export function download(name, data, type = 'application/octet-stream') {
  const url = URL.createObjectURL(new Blob([data], { type }));
  const a = document.createElement('a');
  a.href = url;
  a.download = name;
  document.body.append(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(url), 60000);
}

const SLICE = 4 * 1024 * 1024;
const CRC_TABLE = Int32Array.from({ length: 256 }, (_, n) => {
  let c = n;
  for (let k = 0; k < 8; k++) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
  return c;
});

// crc after bytes (the loop out of the async function below, whose locals
// live across its awaits and are slow to reach).
function crcUpdate(crc, bytes) {
  for (let i = 0; i < bytes.length; i++) crc = CRC_TABLE[(crc ^ bytes[i]) & 255] ^ (crc >>> 8);
  return crc;
}

// The CRC-32 a zip entry names, of blob's bytes read a slice at a time.
async function crc32Of(blob) {
  let crc = -1;
  for (let at = 0; at < blob.size; at += SLICE) crc = crcUpdate(crc, new Uint8Array(await blob.slice(at, at + SLICE).arrayBuffer()));
  return (crc ^ -1) >>> 0;
}

// Little-endian fields: [width in bytes, value] each.
function fields(list) {
  const bytes = new Uint8Array(list.reduce((n, [width]) => n + width, 0));
  const view = new DataView(bytes.buffer);
  let at = 0;
  for (const [width, value] of list) {
    if (width === 2) view.setUint16(at, value, true);
    else view.setUint32(at, value, true);
    at += width;
  }
  return bytes;
}

// The outputs ([{ name, blob }]) as one zip Blob, in their order: names
// in UTF-8 (flagged when not ASCII), the time of now, no extra fields. A
// zip without 64-bit fields holds less than 4 GiB.
export async function zipOf(outputs, now = new Date()) {
  const time = (now.getHours() << 11) | (now.getMinutes() << 5) | (now.getSeconds() >> 1);
  const date = ((Math.max(1980, now.getFullYear()) - 1980) << 9) | ((now.getMonth() + 1) << 5) | now.getDate();
  const parts = [];
  const central = [];
  let offset = 0;
  for (const { name, blob } of outputs) {
    const encoded = new TextEncoder().encode(name);
    const flags = encoded.some((b) => b > 127) ? 0x800 : 0;
    // version needed, flags, method (stored), time, date, CRC-32, sizes, name's length, extra's length
    const common = [[2, 20], [2, flags], [2, 0], [2, time], [2, date], [4, await crc32Of(blob)],
      [4, blob.size], [4, blob.size], [2, encoded.length], [2, 0]];
    if (offset + 30 + encoded.length + blob.size >= 2 ** 32 || outputs.length > 0xffff)
      throw new Error('The files are too large for one zip.');
    parts.push(fields([[4, 0x04034b50], ...common]), encoded, blob);
    // version made by, ..., comment's length, disk, attributes (internal, external), where its header is
    central.push(fields([[4, 0x02014b50], [2, 20], ...common, [2, 0], [2, 0], [2, 0], [4, 0], [4, offset]]), encoded);
    offset += 30 + encoded.length + blob.size;
  }
  const size = central.reduce((n, c) => n + c.length, 0);
  const end = fields([[4, 0x06054b50], [2, 0], [2, 0], [2, outputs.length], [2, outputs.length], [4, size], [4, offset], [2, 0]]);
  return new Blob([...parts, ...central, end], { type: 'application/zip' });
}

// One file as itself; several as one zip named zipName.
export async function offer(outputs, zipName) {
  if (outputs.length === 1) download(outputs[0].name, outputs[0].blob);
  else download(zipName, await zipOf(outputs), 'application/zip');
}
