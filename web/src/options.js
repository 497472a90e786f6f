// The page's option controls, made from the engine's option table (the one
// dorvane-cli's flags and the desktop program's Settings are made from):
// one labelled control per option the table gives the page, its id the
// flag's name without the dashes, its value checked against the table's
// range before the engine checks it again.
import { markField } from './fieldcheck.js';

// The options of the table the page shows, in the table's order.
export function pageOptions(table) {
  return table.filter((o) => o.faces.includes('page'));
}

export function controlId(option) {
  return option.flag.replace(/^--/, '');
}

// The value a whole-number field's text gives, or null when the option
// does not take it: digits only; an empty field is 0 when 0 means none.
export function parseOptionValue(option, text) {
  const t = String(text).trim();
  if (t === '' && option.zeroIsNone) return 0;
  if (!/^\d+$/.test(t)) return null;
  const n = Number(t);
  return (option.zeroIsNone && n === 0) || (n >= option.min && n <= option.max) ? n : null;
}

function createControl(option) {
  if (option.kind === 'choice') {
    const select = document.createElement('select');
    for (const c of option.choices) select.add(new Option(c.label, String(c.value)));
    select.value = String(option.default);
    return select;
  }
  const input = document.createElement('input');
  if (option.kind === 'flag') {
    input.type = 'checkbox';
    input.checked = option.default !== 0;
    return input;
  }
  // A text field, so that what was typed is what is judged: a number field
  // drops letters as they are typed and would take "12abc" as 12.
  input.type = 'text';
  input.inputMode = 'numeric';
  input.className = 'whole';
  input.min = String(option.zeroIsNone ? 0 : option.min);
  input.max = String(option.max);
  input.value = String(option.default);
  return input;
}

// Adds a label and a control per page option to containerOf(option). A whole-number
// field refuses a value outside its range or not a whole number: the
// reason shows beside it (markField), refuse(option) is called with the
// field going back to the last value taken; changed(option) follows
// every value taken that differs from the last.
export function buildOptionControls(table, containerOf, { refuse, changed }) {
  for (const option of pageOptions(table)) {
    const control = createControl(option);
    control.id = controlId(option);
    control.dataset.option = option.key;
    control.title = option.help;
    const label = document.createElement('label');
    label.htmlFor = control.id;
    label.textContent = option.label;
    if (option.kind !== 'integer') {
      containerOf(option).append(label, control);
      control.addEventListener('change', () => changed(option));
      continue;
    }
    // The field and its reason share the grid's second column.
    const box = document.createElement('span');
    box.className = 'field';
    box.append(control);
    containerOf(option).append(label, box);
    let taken = option.default;
    control.addEventListener('input', () => markField(control, ''));
    control.addEventListener('change', () => {
      const n = parseOptionValue(option, control.value);
      if (n === null) {
        markField(control, option.rangeMessage);
        control.value = String(taken);
        refuse(option);
        return;
      }
      markField(control, '');
      control.value = String(n);
      if (n === taken) return;
      taken = n;
      changed(option);
    });
  }
}

// The settings object of the engine's Make File: one field per control.
export function optionValues(table) {
  const s = {};
  for (const option of pageOptions(table)) {
    const control = document.getElementById(controlId(option));
    s[option.key] = option.kind === 'flag' ? control.checked : Number(control.value);
  }
  return s;
}
