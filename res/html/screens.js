// What every screen page shares with the program. The program's texts come from the language files, and the
// program also hands over registry and file names: all of them are put into the page as text, never as
// markup, so a crafted key name can only ever be shown.

function mxElement(id) { return id ? document.getElementById(id) : null; }

function mxSetText(id, text) {
  const e = mxElement(id);
  if (e) e.textContent = text == null ? '' : String(text);
}

// Puts texts[i] into the element ids[i]; an empty id keeps that text out of the page.
function mxPlace(ids, texts) {
  for (let i = 0; i < ids.length && i < texts.length; i++) mxSetText(ids[i], texts[i]);
}

// Text whose line breaks become real line breaks of the page.
function mxSetLines(id, text) {
  const e = mxElement(id);
  if (!e) return;
  e.textContent = '';
  String(text == null ? '' : text).split('\n').forEach((line, i) => {
    if (i) e.appendChild(document.createElement('br'));
    e.appendChild(document.createTextNode(line));
  });
}

function mxShow(id, shown) {
  const e = mxElement(id);
  if (e) e.classList.toggle('hidden', !shown);
}

// The program's language codes as the page's language, which picks the fonts (East Asian faces) and the size.
const mxLanguageTags = {zhtw: 'zh-TW', zhcn: 'zh-CN', ptbr: 'pt-BR', no: 'nb'};

function setlanguage(code, segoeAvailable) {
  const c = String(code || 'en').toLowerCase();
  document.documentElement.lang = mxLanguageTags[c] || c;
  document.documentElement.dataset.code = c;
  if (segoeAvailable !== undefined) document.documentElement.dataset.segoe = String(segoeAvailable);
  return 1;
}
