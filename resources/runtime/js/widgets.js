// Widgets: mounting, the browser host iframe, the static control.
import { EV, KEY, KIND, OP } from './protocol.js';
import { keyBits, px, renderItems } from './render.js';
import { cover, rt } from './frame.js';
import { chartHotSpot, drawChart, fetchChartsLater, whenChartsCanDraw } from './chart.js';
import { listView } from './listview.js';

// ---------------------------------------------------------------- widgets
export const resizeObserver = typeof ResizeObserver === 'function' ? new ResizeObserver((entries) => {
  for (const en of entries) {
    const w = en.target.__dvWidget;
    if (w && w.resized) w.resized();
  }
  rt.queueGeometry();
}) : null;

// The one place of the widget rules: the "type" names a control (any other type gets
// none), the id read as a decimal integer is the control id (0 when missing or not a
// number), and every bare attribute other than id, type and name is a style word.
const kWidgetTypes = ['sys-static', 'sys-listview', 'sys-ie', 'sys-edit', 'sys-listbox', 'sys-combobox',
                      'sys-datetime', 'sys-calendar', 'sys-tabctrl'];

export function widgetSpec(el) {
  const type = (el.getAttribute('type') || '').toLowerCase();
  if (!kWidgetTypes.includes(type)) return null;
  const idText = el.getAttribute('id') || '';
  const read = /^\s*[-+]?\d/.test(idText) ? parseInt(idText, 10) : 0;
  // The id travels as a 32-bit integer; one beyond that range names no control.
  const ctl = read >= -2147483648 && read <= 2147483647 ? read : 0;
  const words = new Set();
  for (const a of el.attributes) {
    if (a.value !== '' || a.name === 'id' || a.name === 'type' || a.name === 'name') continue;
    words.add(a.name.toUpperCase());
  }
  return { type, ctl, words };
}

export function mountWidgets(root) {
  for (const el of root.querySelectorAll('widget')) {
    if (el.__dvWidget) continue;
    const spec = widgetSpec(el);
    if (!spec) continue;
    const { type, ctl, words } = spec;
    let w;
    if (type === 'sys-listview') w = listView(el, ctl, words);
    else if (type === 'sys-static') w = staticControl(el, ctl, words);
    else if (type === 'sys-ie') w = browserHost(el, ctl);
    else w = { el, ctl, type, words };
    w.type = type;
    w.words = words;
    el.__dvWidget = w;
    el.classList.add('dv-widget', 'dv-' + type);
    rt.widgets.set(ctl, w);
    if (resizeObserver) resizeObserver.observe(el);
  }
}

function browserHost(el, ctl) {
  const ifr = document.createElement('iframe');
  ifr.className = 'dv-ie';
  ifr.setAttribute('frameborder', '0');
  const name = el.getAttribute('name') || String(ctl);
  ifr.dataset.dvFrame = rt.path ? rt.path + '/' + name : name;
  el.appendChild(ifr);
  return { el, ctl, frame: ifr };
}

function staticControl(el, ctl, words) {
  if (words.has('NOTIFY')) fetchChartsLater();  // a static that may show a chart
  const layer = document.createElement('div');
  layer.className = 'dv-layer';
  el.appendChild(layer);
  let tip = null, tipText = '', pointer = null, moveQueued = null;
  const w = { el, ctl, words, lastSize: '', chart: null };
  const at = (e) => {
    const r = el.getBoundingClientRect();
    return { [KEY.X]: Math.round(e.clientX - r.left), [KEY.Y]: Math.round(e.clientY - r.top), [KEY.KEYS]: keyBits(e) };
  };
  const send = (kind, p) => rt.send(Object.assign({ [KEY.EV]: EV.STATIC, [KEY.CTL]: ctl, [KEY.KIND]: kind }, p));
  // The tooltip keeps below and right of the pointer, inside the control.
  const placeTip = (p) => {
    if (!tip || !p) return;
    const x = p[KEY.X], y = p[KEY.Y];
    let left = x + 12, top = y + 20;
    if (left + tip.offsetWidth > el.clientWidth) left = Math.max(0, x - tip.offsetWidth - 4);
    if (top + tip.offsetHeight > el.clientHeight) top = Math.max(0, y - tip.offsetHeight - 6);
    tip.style.left = px(left);
    tip.style.top = px(top);
  };
  const showTip = (p) => {
    if (!tipText) return;
    if (!tip) { tip = document.createElement('div'); tip.className = 'dv-tooltip'; el.appendChild(tip); }
    tip.textContent = tipText.replace(/\r\n/g, '\n');
    placeTip(p);
  };
  const hideTip = () => { if (tip) { tip.remove(); tip = null; } };
  // A move waiting for its frame goes out first: the press is where the pointer is.
  const sendMove = () => {
    const p = moveQueued;
    moveQueued = null;
    if (!p) return;
    if (w.chart) Object.assign(p, chartHotSpot(w.chart, p[KEY.X], p[KEY.Y]));
    send(KIND.MOVE, p);
  };
  el.addEventListener('mousedown', (e) => {
    if (cover) return;
    sendMove();
    send(KIND.DOWN, at(e));
  });
  el.addEventListener('mouseup', (e) => { if (!cover) send(KIND.UP, at(e)); });
  // At most one move per animation frame goes out, with the latest position.
  el.addEventListener('mousemove', (e) => {
    if (cover) return;
    pointer = at(e);
    if (tip) placeTip(pointer);
    else if (tipText) showTip(pointer);
    const first = moveQueued === null;
    moveQueued = pointer;
    if (first) requestAnimationFrame(sendMove);
  });
  // The text stays: the tip shows again when the pointer comes back.
  el.addEventListener('mouseleave', () => { pointer = null; hideTip(); if (!cover) send(KIND.LEAVE, {}); });
  w.resized = () => {
    const s = el.clientWidth + 'x' + el.clientHeight;
    if (s === w.lastSize) return;
    w.lastSize = s;
    send(KIND.SIZE, { [KEY.W]: el.clientWidth, [KEY.H]: el.clientHeight });
  };
  w.apply = (op) => {
    const name = op[KEY.OP];
    if (name === OP.PAINT) renderItems(layer, op[KEY.ITEMS]);
    else if (name === OP.CHART) {
      // A new picture has new hot spots: the old tip's text no longer belongs to it.
      tipText = '';
      hideTip();
      const spec = op[KEY.CHART];
      w.chartSpec = spec;
      w.chart = drawChart(el, w.chart, spec);
      if (!w.chart && spec) whenChartsCanDraw(() => { if (w.chartSpec === spec) w.chart = drawChart(el, w.chart, spec); });
    } else if (name === OP.TOOLTIP) {
      tipText = op[KEY.TEXT] || '';
      if (!tipText) { hideTip(); return; }
      showTip(pointer || { [KEY.X]: op[KEY.X], [KEY.Y]: op[KEY.Y] });
    }
  };
  return w;
}
