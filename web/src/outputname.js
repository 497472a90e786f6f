// The name Make File writes, checked as the desktop program's save dialog
// has it: a bare file name (the page offers a download, never a place on
// disk), holding no character a file name cannot hold, and ending in one of
// the sampler's extensions.
export const DEFAULT_OUTPUT = 'SAMPLES.KRZ';
export const FOLDER_REASON = 'A file name has no folder part: leave out "/" and "\\".';
export const CHARACTER_REASON = 'A file name cannot hold control characters or < > : " | ? *.';

const KRZ_EXTENSION = /\.(krz|k25|k26)$/i;
// Control characters (0-31 and 127) and the characters Windows refuses.
// eslint-disable-next-line no-control-regex
const FORBIDDEN = /[\u0000-\u001f\u007f<>:"|?*]/;

// { name } for a text Make File takes (trimmed; empty gives the default; no
// KRZ, K25 or K26 extension in any case gets ".KRZ"), or { reason } for one
// it refuses.
export function checkOutputName(text) {
  const t = String(text).trim();
  if (t === '') return { name: DEFAULT_OUTPUT };
  if (/[\\/]/.test(t)) return { reason: FOLDER_REASON };
  if (FORBIDDEN.test(t)) return { reason: CHARACTER_REASON };
  return { name: KRZ_EXTENSION.test(t) ? t : t + '.KRZ' };
}
