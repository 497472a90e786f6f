// The pool's table: one row per entry, its fields edited in place (the
// entry object changes as the user types), its buttons calling actions.
// Every control is named with its row ("Move sample 3 up"), every cell
// carries its column's name in data-label (the narrow layout's cards show
// it), and a rejected entry's row and name field are marked invalid and
// described by the reader's message.
import { NAME_FIELD_CHARS, cutToChars, fileTitleOf } from './names.js';
import { parseRootKey, rootKeyText, stepKey, stepNote, stepOctave } from './rootkey.js';

function cell(label, ...children) {
  const td = document.createElement('td');
  td.dataset.label = label;
  td.append(...children);
  return td;
}

function field(entry, key, label, type) {
  const input = document.createElement('input');
  input.type = type;
  input.setAttribute('aria-label', label);
  input.dataset.field = key;
  if (type === 'checkbox') {
    input.checked = entry[key];
    input.addEventListener('change', () => (entry[key] = input.checked));
    return input;
  }
  input.value = entry[key];
  input.maxLength = NAME_FIELD_CHARS;
  input.addEventListener('input', () => {
    const cut = cutToChars(input.value);
    if (cut !== input.value) input.value = cut;
    entry[key] = cut;
  });
  return input;
}

export function button(text, label, action, onClick) {
  const b = document.createElement('button');
  b.type = 'button';
  b.textContent = text;
  b.title = label;
  b.setAttribute('aria-label', label);
  b.dataset.action = action;
  b.addEventListener('click', onClick);
  return b;
}

function rootKeyBox(entry, n, actions) {
  const box = document.createElement('span');
  box.className = 'rootkey';
  const input = document.createElement('input');
  input.type = 'text';
  input.maxLength = 3;
  input.value = rootKeyText(entry.rootKey);
  input.setAttribute('aria-label', `Root key of sample ${n}`);
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
    button('▼', `Note down for sample ${n}`, 'note-down', () => set(stepNote(entry.rootKey, -1))),
    button('▲', `Note up for sample ${n}`, 'note-up', () => set(stepNote(entry.rootKey, 1))),
    input,
    button('▼', `Octave down for sample ${n}`, 'octave-down', () => set(stepOctave(entry.rootKey, -1))),
    button('▲', `Octave up for sample ${n}`, 'octave-up', () => set(stepOctave(entry.rootKey, 1))),
  );
  return box;
}

// The table is made anew after a move or a delete: the keyboard's focus
// goes to the same button of the row the entry went to (or, past the end,
// of the last row) instead of being lost with the old row.
function refocus(body, index, action) {
  const rows = body.rows;
  const row = rows[Math.min(index, rows.length - 1)];
  row?.querySelector(`[data-action="${action}"]`)?.focus();
}

function orderButtons(body, i, n, actions) {
  const step = (delta, action) => () => {
    actions.move(i, delta);
    refocus(body, Math.max(0, i + delta), action);
  };
  return [
    button('↑', `Move sample ${n} up`, 'up', step(-1, 'up')),
    button('↓', `Move sample ${n} down`, 'down', step(1, 'down')),
    button('✕', `Delete sample ${n}`, 'delete', () => {
      actions.remove(i);
      refocus(body, i, 'delete');
    }),
  ];
}

function row(body, entry, i, actions) {
  const n = i + 1;
  const tr = document.createElement('tr');
  const file = cell('File', fileTitleOf(entry.fileName));
  file.className = 'file';
  file.title = entry.fileName;
  const type = cell('Type', !entry.file ? 'missing: drop this file' : entry.facts.type);
  type.className = 'type';
  const sampleName = field(entry, 'sampleName', `Sample name of sample ${n}`, 'text');
  if (!entry.file) tr.classList.add('missing');
  else if (!entry.facts.valid) {
    tr.classList.add('invalid');
    const reason = document.createElement('span');
    reason.id = `entry-${n}-reason`;
    reason.hidden = true;
    reason.textContent = entry.facts.message || entry.facts.type;
    file.append(reason);
    for (const el of [tr, sampleName]) {
      el.setAttribute('aria-invalid', 'true');
      el.setAttribute('aria-describedby', reason.id);
    }
  }
  tr.append(cell('#', String(n)), file, type, cell('Sample name', sampleName),
    cell('Keymap name', field(entry, 'keymapName', `Keymap name of sample ${n}`, 'text')),
    cell('Program name', field(entry, 'programName', `Program name of sample ${n}`, 'text')),
    cell('Loop', field(entry, 'loop', `LoopSwitch of sample ${n}`, 'checkbox')),
    cell('Root key', rootKeyBox(entry, n, actions)),
    cell('Keymap', field(entry, 'keymapEnable', `Keymap Enable of sample ${n}`, 'checkbox')),
    cell('Program', field(entry, 'programEnable', `Program Enable of sample ${n}`, 'checkbox')),
    cell('Preview', button('▶', `Play sample ${n}`, 'play', () => actions.play(entry)),
      button('■', `Stop sample ${n}`, 'stop', () => actions.stop())),
    cell('Order', ...orderButtons(body, i, n, actions)));
  return tr;
}

// Fills body with a row per entry of entries. actions: play(entry), stop(),
// move(index, delta), remove(index) (each renders the table anew),
// refuse(message) for a root key typed that is not one.
export function renderTable(body, entries, actions) {
  body.replaceChildren(...entries.map((entry, i) => row(body, entry, i, actions)));
}
