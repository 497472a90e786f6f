// Root keys as the pool form shows them: note index + 12 * octave, written
// as the two-character note name and the octave ("C 4" is 48, "C#3" is 37).
// The note steps within 0..11 and the octave within 0..9, each on its own
// arrows, with no carry between them.
const NOTE_NAMES = ['C ', 'C#', 'D ', 'D#', 'E ', 'F ', 'F#', 'G ', 'G#', 'A ', 'A#', 'B '];
export const DEFAULT_ROOT_KEY = 48;
export const MAX_OCTAVE = 9;

export function rootKeyNote(key) {
  return ((key % 12) + 12) % 12;
}

export function rootKeyOctave(key) {
  return (key - rootKeyNote(key)) / 12;
}

export function rootKeyText(key) {
  return NOTE_NAMES[rootKeyNote(key)] + rootKeyOctave(key);
}

// The key of a text such as "C#3", "c 4" or "D5"; null when it is none.
export function parseRootKey(text) {
  const m = /^\s*([A-Ga-g])\s*(#?)\s*(\d)\s*$/.exec(text);
  if (!m) return null;
  const name = m[1].toUpperCase() + (m[2] ? '#' : ' ');
  const note = NOTE_NAMES.indexOf(name);
  if (note < 0) return null;
  return note + 12 * Number(m[3]);
}

export function stepNote(key, delta) {
  const note = Math.min(11, Math.max(0, rootKeyNote(key) + delta));
  return note + 12 * rootKeyOctave(key);
}

export function stepOctave(key, delta) {
  const octave = Math.min(MAX_OCTAVE, Math.max(0, rootKeyOctave(key) + delta));
  return rootKeyNote(key) + 12 * octave;
}

// Up/Down step the key by a semitone, PgUp/PgDn by an octave, held in
// 0..119.
export function stepKey(key, semitones) {
  return Math.min(12 * MAX_OCTAVE + 11, Math.max(0, key + semitones));
}
