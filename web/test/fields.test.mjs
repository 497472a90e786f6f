// The page's field rules against the desktop form's: root key text and
// arrows, name fields cut at 16 UTF-16 units, file titles of paths from any
// machine.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { parseRootKey, rootKeyText, stepKey, stepNote, stepOctave } from '../src/rootkey.js';
import { cutToChars, fileTitleOf } from '../src/names.js';

test('root key texts', () => {
  for (const [key, text] of [[48, 'C 4'], [37, 'C#3'], [0, 'C 0'], [119, 'B 9'], [70, 'A#5']]) {
    assert.equal(rootKeyText(key), text);
    assert.equal(parseRootKey(text), key);
  }
  for (const [text, key] of [['c#3', 37], [' d5 ', 62], ['C4', 48], ['H4', null], ['E#2', null], ['C#', null], ['', null]])
    assert.equal(parseRootKey(text), key, text);
});

test('root key arrows hold at their ends without carry', () => {
  for (const [key, step, note, octave] of [
    [48, 1, 49, 60], [59, 1, 59, 71], [48, -1, 48, 36], [49, -1, 48, 37], [108, 1, 109, 108], [0, -1, 0, 0], [119, 1, 119, 119],
  ]) {
    assert.equal(stepNote(key, step), note, `note ${key} ${step}`);
    assert.equal(stepOctave(key, step), octave, `octave ${key} ${step}`);
  }
  for (const [key, step, want] of [[48, 1, 49], [48, -12, 36], [118, 12, 119], [3, -12, 0]])
    assert.equal(stepKey(key, step), want);
});

test('name fields take 16 characters, never half of one', () => {
  for (const [text, want] of [
    ['Deep Bass 1234567890', 'Deep Bass 123456'],
    ['short', 'short'],
    ['é'.repeat(20), 'é'.repeat(16)],
    ['x'.repeat(15) + '🎹', 'x'.repeat(15)],
    ['x'.repeat(14) + '🎹z', 'x'.repeat(14) + '🎹'],
  ])
    assert.equal(cutToChars(text), want);
});

// Add's sample name is the engine's (engine.test.mjs).
test('file titles', () => {
  for (const [path, want] of [
    ['C:\\Samples\\bass.wav', 'bass.wav'], ['/home/u/pad.wav', 'pad.wav'], ['snare.wav', 'snare.wav'], ['\\\\srv\\s\\x.wav', 'x.wav'],
  ])
    assert.equal(fileTitleOf(path), want);
});
