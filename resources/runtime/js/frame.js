// One frame's runtime: the operations it applies, state bits, covers, popups, the beep.
import { host, pageName, path } from './host.js';
import { DIALOG_FRAME, EV, KEY, OP } from './protocol.js';
import { find, px } from './render.js';
import { collectForm, fillForm } from './forms.js';
import { mountWidgets, resizeObserver } from './widgets.js';

// ---------------------------------------------------------------- the frame runtime
export const rt = {
  path,
  page: pageName(),
  widgets: new Map(),
  tracked: new Set(),
  lastGeom: '',
  ready: false,
  send(ev) {
    ev[KEY.FRAME] = rt.path;
    host.send(ev);
  },
  readyEvent() {
    // "widgets" is for the page's own inspection; the bridge does not read it.
    return { [KEY.EV]: EV.READY, [KEY.FRAME]: rt.path, [KEY.PAGE]: rt.page, [KEY.W]: innerWidth,
             [KEY.H]: innerHeight, [KEY.FORM]: collectForm(), [KEY.BOXES]: rt.boxes(),
             widgets: rt.widgetList() };
  },
  widgetList() {
    const out = [];
    for (const w of rt.widgets.values()) out.push({ ctl: w.ctl, type: w.type, words: Array.from(w.words) });
    return out;
  },
  boxes() {
    const out = {};
    for (const id of rt.tracked) {
      const el = document.getElementById(id);
      if (!el) continue;
      const r = el.getBoundingClientRect();
      const cs = getComputedStyle(el);
      const sx = scrollX, sy = scrollY;
      const bl = r.left + sx, bt = r.top + sy, br = r.right + sx, bb = r.bottom + sy;
      const f = (n) => parseFloat(cs[n]) || 0;
      const cl = bl + f('borderLeftWidth') + f('paddingLeft'), ct = bt + f('borderTopWidth') + f('paddingTop');
      const cr = br - f('borderRightWidth') - f('paddingRight'), cb = bb - f('borderBottomWidth') - f('paddingBottom');
      const visible = el.getClientRects().length > 0 && cs.visibility !== 'hidden';
      out[id] = [bl, bt, br, bb, cl, ct, cr, cb, visible].map((v) => (typeof v === 'number' ? Math.round(v) : v));
    }
    return out;
  },
  reportGeometry() {
    const b = rt.boxes();
    const text = JSON.stringify(b) + innerWidth + 'x' + innerHeight;
    if (text === rt.lastGeom) return;
    rt.lastGeom = text;
    rt.send({ [KEY.EV]: EV.GEOMETRY, [KEY.W]: innerWidth, [KEY.H]: innerHeight, [KEY.BOXES]: b });
  },
  geomQueued: false,
  queueGeometry() {
    if (rt.geomQueued) return;
    rt.geomQueued = true;
    requestAnimationFrame(() => { rt.geomQueued = false; rt.reportGeometry(); });
  },
  frameElementFor(frame) {
    for (const f of document.querySelectorAll('iframe')) {
      if (f.dataset.dvFrame === frame) return f;
      const name = f.getAttribute('name') || f.id;
      if ((rt.path ? rt.path + '/' + name : name) === frame) return f;
    }
    return null;
  },
  afterOps() {
    rt.queueGeometry();
    if (rt.isDialog()) rt.measureDialog();
  },
  isDialog() { return rt.path.startsWith(DIALOG_FRAME); },
  measureDialog() {
    const de = document.documentElement;
    const old = de.style.width;
    de.style.width = 'max-content';
    const w = Math.ceil(Math.max(de.getBoundingClientRect().width, document.body ? document.body.scrollWidth : 0));
    de.style.width = old;
    if (window.frameElement) window.frameElement.style.width = w + 'px';
    const h = Math.ceil(Math.max(de.scrollHeight, document.body ? document.body.scrollHeight : 0));
    if (host.sizeDialog) host.sizeDialog(rt.path, w, h);
  },
  apply(op) {
    const el = op[KEY.ID] !== undefined || op[KEY.SEL] !== undefined ? find(op) : null;
    const name = op[KEY.NAME], value = op[KEY.VALUE];
    switch (op[KEY.OP]) {
      case OP.STYLE:
        if (!el) return;
        {
          const v = String(value || '').replace(/;\s*$/, '').trim();
          if (v) el.style.setProperty(name, v.replace(/\s*!important$/, ''));
          else el.style.removeProperty(name);
        }
        return;
      case OP.ATTR:
        if (!el) return;
        if (value === null) el.removeAttribute(name);
        else el.setAttribute(name, value);
        if (name === 'value' && 'value' in el) el.value = value === null ? '' : value;
        return;
      case OP.TEXT:
        if (el) el.textContent = value;
        return;
      case OP.HTML:
        if (!el) return;
        el.innerHTML = value;
        mountWidgets(el);
        return;
      case OP.STATE:
        if (el) applyState(el, op[KEY.SET] | 0, op[KEY.CLEAR] | 0);
        return;
      case OP.ENABLE:
        setEnabled(value !== false);
        return;
      case OP.POPUP:
        if (el) popup(el, op);
        return;
      case OP.FILL:
        fillForm(op[KEY.VALUES]);
        return;
      case OP.TRACK:
        for (const id of op[KEY.IDS] || []) rt.tracked.add(String(id));
        for (const id of rt.tracked) {
          const t = document.getElementById(id);
          if (t && resizeObserver) resizeObserver.observe(t);
        }
        rt.lastGeom = '';
        return;
      case OP.CALL: {
        const fn = window[op[KEY.FN]];
        if (typeof fn === 'function') {
          try { fn.apply(window, op[KEY.ARGS] || []); } catch (e) { console.error('dorvath call', op[KEY.FN], e); }
        }
        return;
      }
      case OP.BEEP:
        beep();
        return;
      case OP.OPEN:
        window.open(op[KEY.URL], '_blank', 'noopener');
        return;
      case OP.REPLAYED:
        rt.ready = true;
        document.documentElement.dataset.dvReady = '1';
        document.dispatchEvent(new CustomEvent('dorvath-replayed'));
        return;
      default: {
        const w = rt.widgets.get(op[KEY.CTL] | 0);
        if (w && w.apply) w.apply(op);
      }
    }
  },
};
window.__dv = rt;

function applyState(el, set, clear) {
  const names = { 0x1: 'link', 0x2: 'hover', 0x4: 'active', 0x8: 'focus', 0x10: 'visited', 0x20: 'current',
                  0x40: 'checked', 0x80: 'disabled', 0x100: 'readonly' };
  for (let bit = 1; bit <= 0x80000000 && bit > 0; bit <<= 1) {
    const on = (set & bit) !== 0, off = (clear & bit) !== 0;
    if (!on && !off) continue;
    const cls = 'state-' + (names[bit] || bit.toString(16));
    el.classList.toggle(cls, on);
    if (bit === 0x40 && 'checked' in el) el.checked = on;
    if (bit === 0x80 && 'disabled' in el) el.disabled = on;
    if (bit === 0x100 && 'readOnly' in el) el.readOnly = on;
    if (bit === 0x8 && on && el.focus) el.focus();
  }
}

export let cover = null;
function setEnabled(on) {
  document.documentElement.classList.toggle('dv-disabled', !on);
  if (!on && !cover) {
    cover = document.createElement('div');
    cover.className = 'dv-cover';
    document.body.appendChild(cover);
  } else if (on && cover) {
    cover.remove();
    cover = null;
  }
}

let openPopup = null;
function popup(el, op) {
  if (!op[KEY.SHOW]) {
    el.style.display = 'none';
    if (openPopup === el) openPopup = null;
    return;
  }
  el.style.position = 'absolute';
  el.style.left = px(op[KEY.X]);
  el.style.top = px(op[KEY.Y]);
  el.style.zIndex = '1000';
  el.style.display = 'block';
  openPopup = el;
}
document.addEventListener('mousedown', (e) => {
  if (openPopup && !openPopup.contains(e.target)) {
    openPopup.style.display = 'none';
    openPopup = null;
  }
}, true);

let audio = null;
function beep() {
  try {
    audio = audio || new (window.AudioContext || window.webkitAudioContext)();
    const o = audio.createOscillator(), g = audio.createGain();
    o.frequency.value = 880;
    g.gain.value = 0.08;
    o.connect(g);
    g.connect(audio.destination);
    o.start();
    o.stop(audio.currentTime + 0.12);
  } catch { /* no sound device */ }
  document.documentElement.dataset.dvBeeps = String((parseInt(document.documentElement.dataset.dvBeeps || '0', 10)) + 1);
}
