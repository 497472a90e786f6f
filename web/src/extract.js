// Extract on the page: KRZ files (or a split file's parts, in any order)
// taken apart by the engine into WAV files, SFZ files and a report, a
// folder per KRZ file as dorvane-cli extract writes them, offered as one
// zip; each folder's report is shown in the messages.
import { zipOf } from './downloads.js';

// The folders the outputs lie in ("PIANO/report.txt" is in PIANO), in order.
export function foldersOf(outputs) {
  return [...new Set(outputs.map((o) => o.name.split('/')[0]))];
}

// The zip's name: after the one folder, or "extracted.zip" for several.
export function zipNameOf(folders) {
  return folders.length === 1 ? folders[0] + '-extracted.zip' : 'extracted.zip';
}

// page: { withEngine, showMessage, showMessages, readFile, download }.
// The engine picks the first parts out of the files given.
export async function extractFiles(page, fileList) {
  if (fileList.length === 0) return;
  const files = await Promise.all([...fileList].sort((a, b) => a.name.localeCompare(b.name)).map(page.readFile));
  const reply = await page.withEngine('Extracting...', 'extract', {}, files);
  if (!reply) return;
  page.showMessages(reply.result);
  if (!reply.result.ok) return;
  const folders = foldersOf(reply.outputs);
  const name = zipNameOf(folders);
  page.download(name, await zipOf(reply.outputs), 'application/zip');
  for (const o of reply.outputs.filter((out) => /^[^/]+\/report\.txt$/.test(out.name)))
    page.showMessage(o.name + ':\n' + (await o.blob.text()), 'none');
  page.showMessage('Extracted ' + folders.length + ' KRZ file(s) into ' + name, 'done');
}
