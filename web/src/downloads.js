// What the page offers as downloads. Outputs come from the engine as Blobs
// (engine-client.js) whose bytes the browser keeps: a single output is
// offered as it is, never copied; several go into one zip (stored, not
// compressed) made one file at a time, each file read once and handed on
// as a Blob part, so that only one of them is in the page's memory at once.
import { Zip, ZipPassThrough } from './fflate.js';

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

// The outputs ([{ name, blob }]) as one zip Blob, in their order.
export async function zipOf(outputs) {
  const parts = [];
  let failure = null;
  const zip = new Zip((error, chunk) => {
    if (error) failure = failure || error;
    else if (chunk) parts.push(new Blob([chunk]));
  });
  for (const o of outputs) {
    const entry = new ZipPassThrough(o.name);
    zip.add(entry);
    entry.push(new Uint8Array(await o.blob.arrayBuffer()), true);
  }
  zip.end();
  if (failure) throw failure;
  return new Blob(parts, { type: 'application/zip' });
}

// One file as itself; several as one zip named zipName.
export async function offer(outputs, zipName) {
  if (outputs.length === 1) download(outputs[0].name, outputs[0].blob);
  else download(zipName, await zipOf(outputs), 'application/zip');
}
