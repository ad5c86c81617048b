// The list view: report mode, owner data painted on demand for the visible rows.
import { EV, KEY, KIND, OP, PAINT } from './protocol.js';
import { keyBits, px, ranges, renderItems } from './render.js';
import { cover, rt } from './frame.js';

export function listView(el, ctl, words) {
  el.tabIndex = 0;
  const w = {
    el, ctl, words, count: 0, rowHeight: 18, columns: [], showHeader: true,
    selected: new Set(), mark: -1, focus: -1, painted: new Map(), rows: new Map(),
    asked: new Map(), lastScroll: '', lastSize: '',
    single: words.has('SINGLESEL'),
    noHeader: words.has('NOCOLUMNHEADER') || !words.has('REPORT'),
    header: document.createElement('div'),
    body: document.createElement('div'),
    spacer: document.createElement('div'),
  };
  w.header.className = 'dv-lv-header';
  w.body.className = 'dv-lv-body';
  w.spacer.className = 'dv-lv-spacer';
  w.body.appendChild(w.spacer);
  // A list without a header is one column that C++ fits to the list's width (narrower
  // while the vertical bar shows): it never scrolls sideways, even while the fit is on
  // its way.
  if (w.noHeader) w.body.style.overflowX = 'hidden';
  el.append(w.header, w.body);
  w.send = (kind, extra) =>
    rt.send(Object.assign({ [KEY.EV]: EV.LIST, [KEY.CTL]: ctl, [KEY.KIND]: kind }, extra || {}));
  w.render = () => render(w);
  let renderQueued = false;
  w.queueRender = () => {
    if (renderQueued) return;
    renderQueued = true;
    requestAnimationFrame(() => { renderQueued = false; render(w); });
  };
  w.resized = () => {
    const s = el.clientWidth + 'x' + el.clientHeight;
    if (s !== w.lastSize) {
      w.lastSize = s;
      w.send(KIND.SIZE, { [KEY.W]: el.clientWidth, [KEY.H]: el.clientHeight });
    }
    w.queueRender();
  };
  w.apply = (op) => { if (applyListOp(w, op)) w.queueRender(); };
  listenForMouse(w);
  listenForKeys(w);
  layoutHeader(w);
  w.queueRender();
  return w;
}

const selInfo = (w) => ({ [KEY.SEL]: ranges(w.selected), [KEY.MARK]: w.mark, [KEY.FOCUS]: w.focus });

function layoutHeader(w) {
  const show = !w.noHeader && w.showHeader && w.columns.length > 0;
  w.header.style.display = show ? 'flex' : 'none';
  w.body.style.top = show ? w.header.offsetHeight + 'px' : '0';
  // Columns wider than the list scroll sideways, the header with them.
  w.total = w.columns.reduce((t, c) => t + (Number(c[PAINT.COLUMN_WIDTH]) || 0), 0);
  w.spacer.style.width = w.total > 0 ? px(w.total) : '1px';
  for (const rowEl of w.rows.values()) rowEl.style.width = w.total > 0 ? px(w.total) : '';
  w.header.replaceChildren(...w.columns.map((c) => {
    const d = document.createElement('div');
    d.className = 'dv-lv-col';
    d.textContent = c[PAINT.COLUMN_TITLE];
    d.style.width = px(c[PAINT.COLUMN_WIDTH]);
    d.style.textAlign = ['left', 'center', 'right'][c[PAINT.COLUMN_ALIGN]] || 'left';
    return d;
  }));
}

function visibleRange(w) {
  const top = Math.floor(w.body.scrollTop / w.rowHeight);
  const n = Math.ceil(w.body.clientHeight / w.rowHeight) + 1;
  return [top, Math.min(w.count - 1, top + n - 1)];
}

// The row element of row i, made when it comes into view.
function rowElement(w, i) {
  let rowEl = w.rows.get(i);
  if (rowEl) return rowEl;
  rowEl = document.createElement('div');
  rowEl.className = 'dv-lv-row';
  rowEl.style.top = px(i * w.rowHeight);
  rowEl.style.height = px(w.rowHeight);
  if (w.total > 0) rowEl.style.width = px(w.total);
  rowEl.dataset.row = i;
  w.body.appendChild(rowEl);
  w.rows.set(i, rowEl);
  rowEl.__painted = null;
  return rowEl;
}

// The rows in view, painted as C++ last sent them; the ones it has not sent are asked
// for (again after 2 s), and a changed view is told.
function render(w) {
  w.spacer.style.height = px(w.count * w.rowHeight);
  const [from, to] = visibleRange(w);
  for (const [i, rowEl] of w.rows) {
    if (i < from || i > to) { rowEl.remove(); w.rows.delete(i); }
  }
  let askFrom = -1, askTo = -1;
  const now = performance.now();
  for (let i = from; i <= to; i++) {
    const rowEl = rowElement(w, i);
    rowEl.classList.toggle('dv-row-selected', w.selected.has(i));
    const items = w.painted.get(i);
    if (items !== undefined) {
      if (rowEl.__painted !== items) { renderItems(rowEl, items); rowEl.__painted = items; }
    } else {
      if (rowEl.__painted !== null) { rowEl.replaceChildren(); rowEl.__painted = null; }
      const asked = w.asked.get(i);
      if (asked === undefined || now - asked > 2000) {
        if (askFrom < 0) askFrom = i;
        askTo = i;
      }
    }
  }
  if (askFrom >= 0) {
    for (let i = askFrom; i <= askTo; i++) w.asked.set(i, now);
    w.send(KIND.ROWS, { [KEY.FROM]: askFrom, [KEY.TO]: askTo });
  }
  const body = w.body;
  const vscroll = body.scrollHeight > body.clientHeight + 0.5;
  const sc = from + ':' + (to - from + 1) + ':' + vscroll;
  if (sc !== w.lastScroll) {
    w.lastScroll = sc;
    w.send(KIND.SCROLL, { [KEY.TOP]: Math.max(0, from), [KEY.VISIBLE]: Math.max(0, to - from + 1),
                          [KEY.VSCROLL]: vscroll, [KEY.LIST_W]: body.clientWidth, [KEY.LIST_H]: body.clientHeight });
  }
}

function repaint(w, rows) {  // drops the painted rows so they are asked for again
  for (const r of rows) { w.painted.delete(r); w.asked.delete(r); }
}

function setSelection(w, sel, mark) {
  const changed = new Set();
  for (const r of w.selected) if (!sel.has(r)) changed.add(r);
  for (const r of sel) if (!w.selected.has(r)) changed.add(r);
  w.selected = sel;
  if (mark !== undefined) w.mark = mark;
  repaint(w, changed);
  return changed.size > 0;
}

function ensureVisible(w, row) {
  const body = w.body;
  const top = row * w.rowHeight, bottom = top + w.rowHeight;
  if (top < body.scrollTop) body.scrollTop = top;
  else if (bottom > body.scrollTop + body.clientHeight) body.scrollTop = bottom - body.clientHeight;
}

function rowAt(w, e) {
  const r = w.body.getBoundingClientRect();
  const y = e.clientY - r.top + w.body.scrollTop;
  const row = Math.floor(y / w.rowHeight);
  return row >= 0 && row < w.count && e.clientY >= r.top ? row : -1;
}

function pointer(w, e) {
  const r = w.el.getBoundingClientRect();
  return { [KEY.X]: Math.round(e.clientX - r.left), [KEY.Y]: Math.round(e.clientY - r.top),
           [KEY.PX]: Math.round(e.clientX), [KEY.PY]: Math.round(e.clientY) };
}

// The selection a left press makes: the row, a Ctrl toggle or a Shift range.
function pressSelection(w, e, row) {
  if (row < 0) return new Set();
  if (e.ctrlKey && !w.single) {
    const sel = new Set(w.selected);
    if (sel.has(row)) sel.delete(row); else sel.add(row);
    return sel;
  }
  if (e.shiftKey && !w.single && w.mark >= 0) {
    const sel = new Set();
    for (let i = Math.min(w.mark, row); i <= Math.max(w.mark, row); i++) sel.add(i);
    return sel;
  }
  return new Set([row]);
}

function listenForMouse(w) {
  const { el, body } = w;
  const mouseEvent = (kind, e, row) =>
    w.send(kind, Object.assign({ [KEY.ROW]: row, [KEY.KEYS]: keyBits(e) }, pointer(w, e), selInfo(w)));
  body.addEventListener('scroll', () => {
    w.header.scrollLeft = body.scrollLeft;
    w.queueRender();
  });
  body.addEventListener('mousedown', (e) => {
    if (cover) return;
    // Repainting may replace the row under the pointer (and the browser would then move
    // the focus to nowhere), so the list takes the focus itself.
    e.preventDefault();
    el.focus({ preventScroll: true });
    const row = rowAt(w, e);
    if (e.button === 0) {
      const sel = pressSelection(w, e, row);
      const mark = row < 0 || (e.shiftKey && !w.single && w.mark >= 0) ? w.mark : row;
      setSelection(w, sel, mark);
      if (row >= 0) w.focus = row;
      mouseEvent(KIND.CLICK, e, row);
      render(w);
    } else if (e.button === 2) {
      if (row >= 0 && !w.selected.has(row)) { setSelection(w, new Set([row]), row); w.focus = row; }
      mouseEvent(KIND.RCLICK, e, row);
      render(w);
    }
  });
  body.addEventListener('dblclick', (e) => {
    if (cover) return;
    mouseEvent(KIND.DBLCLICK, e, rowAt(w, e));
  });
  el.addEventListener('contextmenu', (e) => e.preventDefault());
}

function listenForKeys(w) {
  w.el.addEventListener('keydown', (e) => {
    if (cover) return;
    const keys = (e.shiftKey ? 4 : 0) | (e.ctrlKey ? 8 : 0);
    const page = Math.max(1, Math.floor(w.body.clientHeight / w.rowHeight) - 1);
    const moves = { ArrowDown: 1, ArrowUp: -1, PageDown: page, PageUp: -page, Home: -Infinity, End: Infinity };
    if (e.key in moves && w.count > 0) {
      e.preventDefault();
      const cur = w.focus < 0 ? (moves[e.key] > 0 ? -1 : w.count) : w.focus;
      const next = Math.max(0, Math.min(w.count - 1, cur + moves[e.key]));
      w.focus = next;
      setSelection(w, new Set([next]), next);
      ensureVisible(w, next);
    } else if (e.ctrlKey && (e.key === 'a' || e.key === 'A')) {
      e.preventDefault();  // the page decides what Ctrl+A selects
    }
    w.send(KIND.KEY, Object.assign({ [KEY.KEY]: e.key, [KEY.KEYS]: keys }, selInfo(w)));
    render(w);
  });
}

// A list operation from C++; false when it is not one.
function applyListOp(w, op) {
  switch (op[KEY.OP]) {
    case OP.LIST_SETUP:
      w.columns = Array.isArray(op[KEY.COLUMNS]) ? op[KEY.COLUMNS] : [];
      w.rowHeight = Math.max(1, op[KEY.ROW_HEIGHT] | 0 || 18);
      w.showHeader = op[KEY.HEADER] !== false;
      layoutHeader(w);
      for (const r of w.rows.values()) r.remove();
      w.rows.clear();
      w.painted.clear();
      w.asked.clear();
      return true;
    case OP.LIST_COUNT:
      w.count = Math.max(0, op[KEY.COUNT] | 0);
      w.painted.clear();
      w.asked.clear();
      for (const r of Array.from(w.selected)) if (r >= w.count) w.selected.delete(r);
      return true;
    case OP.LIST_SEL: {
      const sel = new Set();
      for (const [a, b] of op[KEY.ROWS] || []) for (let i = a; i <= b && i < w.count; i++) sel.add(i);
      setSelection(w, sel, op[KEY.MARK] | 0);
      return true;
    }
    case OP.LIST_COLW: {
      const col = op[KEY.COL];
      if (w.columns[col]) { w.columns[col][PAINT.COLUMN_WIDTH] = op[KEY.WIDTH]; layoutHeader(w); }
      return true;
    }
    case OP.LIST_SHOW: {
      const row = op[KEY.ROW];
      if (row >= 0 && row < w.count) ensureVisible(w, row);
      return true;
    }
    case OP.ROWS: {
      const from = op[KEY.FROM] | 0;
      (op[KEY.PAINT] || []).forEach((items, k) => { w.painted.set(from + k, items); w.asked.delete(from + k); });
      return true;
    }
    case OP.LIST_INVAL: {
      const from = op[KEY.FROM], to = op[KEY.TO] < 0 ? w.count - 1 : op[KEY.TO];
      if (from <= 0 && to >= w.count - 1) { w.painted.clear(); w.asked.clear(); } else for (let i = from; i <= to; i++) { w.painted.delete(i); w.asked.delete(i); }
      return true;
    }
    default:
      return false;
  }
}
