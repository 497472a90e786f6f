// The page's Make File and Split reach the engine's refusals as dorvane-cli
// does: each once, the first that applies, in the order the engine checks.
import { before, test } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { join } from 'node:path';
import { DIST, EXAMPLES } from './harness.mjs';

let E;
before(async () => {
  const createDorvaneEngine = createRequire(import.meta.url)(join(DIST, 'dorvane-engine.js'));
  E = await createDorvaneEngine({ wasmBinary: readFileSync(join(DIST, 'dorvane-engine.wasm')) });
  E.FS.mkdir('/refusals');
  E.FS.writeFile('/refusals/bass.wav', readFileSync(join(EXAMPLES, 'bass.wav')));
});

const EMPTY = 'Sorry, you must first add 1 or more wav-files to the sample pool...';
const FULL = "Sorry, you can't have more than 100 samples in the pool...";
const bass = { fileName: 'bass.wav', path: '/refusals/bass.wav', sampleName: 'BASS' };
const gone = { fileName: 'gone.wav', path: '/refusals/gone.wav', sampleName: 'GONE' };

test('Make File refuses once, the first that applies, and writes nothing', () => {
  const idRange = JSON.parse(E.optionTable()).find((o) => o.key === 'firstObjectID').rangeMessage;
  const cases = [
    // The entries are judged before the options.
    ['no entries', [], { firstObjectID: 100 }, [EMPTY]],
    ['too many entries', Array(101).fill(bass), { firstObjectID: 100 }, [FULL]],
    ['an option out of range', [gone], { firstObjectID: 100 }, [idRange]],
    ['an entry that cannot be used', [bass, gone], {}, ['Error in file: /refusals/gone.wav\nThe file was not found.']],
  ];
  for (const [name, entries, settings, texts] of cases) {
    const made = E.make(entries, settings, '/refusals/OUT.KRZ', () => {});
    assert.deepEqual([made.ok, made.messages.map((m) => m.text), made.files], [false, texts, []], name);
    assert.equal(E.FS.analyzePath('/refusals/OUT.KRZ').exists, false, name);
  }
  const made = E.make([bass], {}, '/refusals/OUT.KRZ', () => {});
  assert.deepEqual([made.ok, made.messages], [true, []]);
});
