// Finding elements, behaviour targets, and display lists rendered as DOM elements.
import { KEY, PAINT } from './protocol.js';

// ---------------------------------------------------------------- helpers
export function find(op) {
  if (op[KEY.ID] !== undefined) return document.getElementById(op[KEY.ID]);
  if (op[KEY.SEL]) {
    try { return document.querySelector(op[KEY.SEL]); } catch { return null; }
  }
  return null;
}

export function attrsOf(el) {
  const out = {};
  for (const a of el.attributes) out[a.name] = a.value;
  return out;
}

function behaviorOf(el) {
  if (!(el instanceof Element)) return '';
  const b = getComputedStyle(el).getPropertyValue('--behavior').trim();
  if (!b) return '';
  // Without a registered property the value inherits: the element that declares it is
  // the one whose parent does not have it.
  const p = el.parentElement;
  if (p && getComputedStyle(p).getPropertyValue('--behavior').trim() === b && !el.id) return '';
  return b;
}

export function behaviorTarget(node, name) {
  for (let el = node instanceof Element ? node : node && node.parentElement; el && el !== document.documentElement; el = el.parentElement) {
    const b = behaviorOf(el);
    if (b === name) return el;
    if (name === 'clickable' && !b && (el.tagName === 'BUTTON' ||
        (el.tagName === 'INPUT' && /^(button|submit|reset)$/i.test(el.type)))) return el;
  }
  return null;
}

export function isDisabled(el) {
  for (let e = el; e; e = e.parentElement)
    if (e.disabled || (e.classList && e.classList.contains('state-disabled'))) return true;
  return false;
}

export function inBorderBox(el, x, y) {
  const r = el.getBoundingClientRect();
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

export function keyBits(e) {
  let k = 0;
  if (e.buttons & 1) k |= 1;
  if (e.buttons & 2) k |= 2;
  if (e.buttons & 4) k |= 16;
  if (e.shiftKey) k |= 4;
  if (e.ctrlKey) k |= 8;
  return k;
}

export function px(v) { return (v | 0) + 'px'; }

// Display list -> absolutely positioned elements.
export function renderItems(container, items) {
  const P = PAINT;
  const frag = document.createDocumentFragment();
  if (Array.isArray(items)) for (const it of items) {
    if (!Array.isArray(it)) continue;
    let d;
    switch (it[P.KIND]) {
      case P.FILL:
        d = box(it);
        d.style.background = it[P.FILL_COLOR];
        break;
      case P.ROUND_RECT:
        d = box(it);
        d.style.borderRadius = px(it[P.RADIUS]);
        d.style.background = it[P.ROUND_FILL];
        if (it[P.BORDER_WIDTH] > 0) d.style.border = px(it[P.BORDER_WIDTH]) + ' solid ' + it[P.BORDER_COLOR];
        break;
      case P.GRADIENT:
        d = box(it);
        d.style.background = 'linear-gradient(' + it[P.GRADIENT_TOP] + ',' + it[P.GRADIENT_BOTTOM] + ')';
        break;
      case P.LINE: {
        const x1 = it[P.X1], y1 = it[P.Y1], x2 = it[P.X2], y2 = it[P.Y2], w = Math.max(1, it[P.LINE_WIDTH] | 0);
        d = document.createElement('div');
        d.className = 'dv-i';
        const len = Math.hypot(x2 - x1, y2 - y1);
        d.style.left = px(x1);
        d.style.top = px(y1 - (w >> 1));
        d.style.width = len + 'px';
        d.style.height = px(w);
        d.style.background = it[P.LINE_COLOR];
        if (y1 !== y2) {
          d.style.transformOrigin = '0 50%';
          d.style.transform = 'rotate(' + Math.atan2(y2 - y1, x2 - x1) + 'rad)';
        }
        break;
      }
      case P.TEXT:
        d = box(it);
        d.classList.add('dv-t');
        d.style.color = it[P.TEXT_COLOR];
        d.textContent = it[P.TEXT_VALUE];
        d.style.justifyContent = ['flex-start', 'center', 'flex-end'][it[P.ALIGN]] || 'flex-start';
        d.style.textAlign = ['left', 'center', 'right'][it[P.ALIGN]] || 'left';
        d.style.alignItems = ['flex-start', 'center', 'flex-end'][it[P.VALIGN]] || 'center';
        d.style.fontSize = px(it[P.SIZE] || 12);
        if (it[P.BOLD]) d.style.fontWeight = 'bold';
        if (it[P.ELLIPSIS]) d.classList.add('dv-ellipsis');
        if (it[P.FONT]) d.style.fontFamily = it[P.FONT];
        break;
      case P.BITMAP:
        d = document.createElement('img');
        d.className = 'dv-i';
        d.style.left = px(it[P.LEFT]);
        d.style.top = px(it[P.TOP]);
        d.style.width = px(it[P.WIDTH]);
        d.style.height = px(it[P.HEIGHT]);
        d.alt = '';
        d.draggable = false;
        d.src = it[P.SRC];
        break;
      default:
        continue;
    }
    frag.appendChild(d);
  }
  container.replaceChildren(frag);
}

function box(it) {
  const d = document.createElement('div');
  d.className = 'dv-i';
  d.style.left = px(it[PAINT.LEFT]);
  d.style.top = px(it[PAINT.TOP]);
  d.style.width = px(it[PAINT.WIDTH]);
  d.style.height = px(it[PAINT.HEIGHT]);
  return d;
}

export function ranges(set) {
  const out = [];
  const rows = Array.from(set).sort((a, b) => a - b);
  let s = -2, l = -2;
  for (const r of rows) {
    if (r === l + 1) { l = r; continue; }
    if (s >= 0) out.push([s, l]);
    s = l = r;
  }
  if (s >= 0) out.push([s, l]);
  return out;
}
