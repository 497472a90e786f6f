// A field's refusal shown in the field: aria-invalid and the reason in a
// note beside it (the note's id is the field's id and "-reason", named by
// aria-describedby), so that the refusal stays in view and is read out
// with the field.

function reasonNote(control) {
  const id = control.id + '-reason';
  let note = document.getElementById(id);
  if (!note) {
    note = document.createElement('span');
    note.id = id;
    note.className = 'field-reason';
    note.setAttribute('role', 'alert');
    control.after(note);
    control.setAttribute('aria-describedby', id);
  }
  return note;
}

// Marks control as refused for reason, or, with reason '', as taken.
export function markField(control, reason) {
  if (reason) control.setAttribute('aria-invalid', 'true');
  else control.removeAttribute('aria-invalid');
  const note = reasonNote(control);
  note.textContent = reason;
  note.hidden = !reason;
}

export function isMarked(control) {
  return control.getAttribute('aria-invalid') === 'true';
}
