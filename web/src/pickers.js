// The file pickers are buttons, so that the keyboard reaches them and Enter
// or Space opens them: a button with data-picks opens the file input of
// that id (kept hidden), the drop zone among them.
for (const b of document.querySelectorAll('[data-picks]'))
  b.addEventListener('click', () => document.getElementById(b.dataset.picks).click());
