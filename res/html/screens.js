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

// A table cell holding text, added to row.
function mxCell(row, text) {
  const td = document.createElement('td');
  td.textContent = text;
  row.appendChild(td);
  return td;
}

// One alternative version of a DLL as a block of labelled lines (version, system, description, checksum with its
// copy link) followed by its install link, added to the element container.
function mxAddAlternateVersion(container, labels, values, copyLabel, onCopy, installLabel, onInstall) {
  const block = document.createElement('div');
  block.className = 'alt';
  let last = null;
  labels.forEach((label, i) => {
    last = document.createElement('div');
    const b = document.createElement('b');
    b.textContent = label + ': ';
    last.appendChild(b);
    last.appendChild(document.createTextNode(values[i]));
    block.appendChild(last);
  });
  const link = (text, onClick) => {
    const span = document.createElement('span');
    span.className = 'link';
    span.textContent = text;
    span.addEventListener('click', onClick);
    return span;
  };
  last.appendChild(link(' ' + copyLabel, onCopy));
  block.appendChild(link(installLabel, onInstall));
  mxElement(container).appendChild(block);
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

// A long translation may not fit the window at the page's own size. Rather than let it spill out of its
// panels, the page is drawn a step smaller until it fits (percentages keep it filling the window). A page
// that calls this after changing its texts is fitted again whenever the window is resized.
const mxFitSteps = ['', '0.95', '0.9', '0.85', '0.8'];
let mxFitListening = false;

function mxOverflows() {
  if (document.body.scrollHeight > innerHeight + 1 || document.documentElement.scrollWidth > innerWidth + 1) return true;
  for (const c of document.querySelectorAll('.col')) if (c.scrollHeight > c.clientHeight + 1) return true;
  return false;
}

function mxFit() {
  if (!mxFitListening) {
    mxFitListening = true;
    addEventListener('resize', mxFit);
  }
  const page = document.querySelector('.page');
  if (!page || !innerHeight) return;
  for (const step of mxFitSteps) {
    page.style.zoom = step;
    if (!mxOverflows()) return;
  }
}
