// The pool's table: one row per entry, its fields edited in place (the
// entry object changes as the user types), its buttons calling actions.
import { NAME_FIELD_CHARS, cutToChars, fileTitleOf } from './names.js';
import { parseRootKey, rootKeyText, stepKey, stepNote, stepOctave } from './rootkey.js';

function textCell(entry, field, label) {
  const td = document.createElement('td');
  const input = document.createElement('input');
  input.type = 'text';
  input.value = entry[field];
  input.maxLength = NAME_FIELD_CHARS;
  input.setAttribute('aria-label', label);
  input.dataset.field = field;
  input.addEventListener('input', () => {
    const cut = cutToChars(input.value);
    if (cut !== input.value) input.value = cut;
    entry[field] = cut;
  });
  td.append(input);
  return td;
}

function checkCell(entry, field, label) {
  const td = document.createElement('td');
  const input = document.createElement('input');
  input.type = 'checkbox';
  input.checked = entry[field];
  input.setAttribute('aria-label', label);
  input.dataset.field = field;
  input.addEventListener('change', () => (entry[field] = input.checked));
  td.append(input);
  return td;
}

function button(text, label, onClick) {
  const b = document.createElement('button');
  b.type = 'button';
  b.textContent = text;
  b.title = label;
  b.setAttribute('aria-label', label);
  b.addEventListener('click', onClick);
  return b;
}

function rootKeyCell(entry, actions) {
  const td = document.createElement('td');
  const box = document.createElement('span');
  box.className = 'rootkey';
  const input = document.createElement('input');
  input.type = 'text';
  input.maxLength = 3;
  input.value = rootKeyText(entry.rootKey);
  input.setAttribute('aria-label', 'Root key');
  input.dataset.field = 'rootKey';
  const set = (key) => {
    entry.rootKey = key;
    input.value = rootKeyText(key);
  };
  input.addEventListener('change', () => {
    const key = parseRootKey(input.value);
    if (key === null) actions.refuse('A root key is a note and an octave, such as C#3.');
    set(key === null ? entry.rootKey : key);
  });
  input.addEventListener('keydown', (ev) => {
    const steps = { ArrowUp: 1, ArrowDown: -1, PageUp: 12, PageDown: -12 };
    if (ev.key in steps) {
      ev.preventDefault();
      set(stepKey(entry.rootKey, steps[ev.key]));
    }
  });
  box.append(
    button('▼', 'Note down', () => set(stepNote(entry.rootKey, -1))),
    button('▲', 'Note up', () => set(stepNote(entry.rootKey, 1))),
    input,
    button('▼', 'Octave down', () => set(stepOctave(entry.rootKey, -1))),
    button('▲', 'Octave up', () => set(stepOctave(entry.rootKey, 1))),
  );
  td.append(box);
  return td;
}

// Fills body with a row per entry of entries. actions: play(entry), stop(),
// move(index, delta), remove(index), refuse(message) for a root key typed
// that is not one.
export function renderTable(body, entries, actions) {
  body.replaceChildren();
  entries.forEach((entry, i) => {
    const tr = document.createElement('tr');
    if (!entry.file) tr.classList.add('missing');
    else if (!entry.facts.valid) tr.classList.add('invalid');
    const num = document.createElement('td');
    num.textContent = i + 1;
    const file = document.createElement('td');
    file.className = 'file';
    file.textContent = fileTitleOf(entry.fileName);
    file.title = entry.fileName;
    const type = document.createElement('td');
    type.className = 'type';
    type.textContent = !entry.file ? 'missing: drop this file' : entry.facts.type;
    const play = document.createElement('td');
    play.append(button('▶', 'Play', () => actions.play(entry)), button('■', 'Stop', () => actions.stop()));
    const edit = document.createElement('td');
    edit.append(
      button('↑', 'Move up', () => actions.move(i, -1)),
      button('↓', 'Move down', () => actions.move(i, 1)),
      button('✕', 'Delete', () => actions.remove(i)),
    );
    tr.append(num, file, type, textCell(entry, 'sampleName', 'Sample name'),
      textCell(entry, 'keymapName', 'Keymap name'), textCell(entry, 'programName', 'Program name'),
      checkCell(entry, 'loop', 'LoopSwitch'), rootKeyCell(entry, actions),
      checkCell(entry, 'keymapEnable', 'Keymap Enable'), checkCell(entry, 'programEnable', 'Program Enable'),
      play, edit);
    body.append(tr);
  });
}
