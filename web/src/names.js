// The entry's name fields and the pool's file names as the desktop program
// makes them. Add's sample name comes from the engine (wavFacts).
export const NAME_FIELD_CHARS = 16;
export const MAX_POOL = 100;

// The first 16 characters, counted as UTF-16 units as the form counts them,
// never ending inside a character.
export function cutToChars(text, chars = NAME_FIELD_CHARS) {
  let out = '';
  for (const ch of text) {
    if (out.length + ch.length > chars) break;
    out += ch;
  }
  return out;
}

// The last component of a stored path, whichever machine wrote it.
export function fileTitleOf(path) {
  const parts = path.split(/[\\/]/);
  return parts[parts.length - 1];
}
