// The page side of the bridge. The top page holds the one WebSocket; every frame (the
// top page, its iframes, sys-ie widgets, dialogs) registers a runtime with it, applies
// the operations addressed to its frame path and reports its events.
(function () {
  'use strict';
  if (window.__dv) return;

  // --behavior must not inherit, or every child of a button would be one too.
  try {
    CSS.registerProperty({ name: '--behavior', syntax: '*', inherits: false });
  } catch (e) { /* registered already, or not supported: see behaviorOf */ }

  const isTop = window === window.top || !sameOrigin(window.top);
  function sameOrigin(w) {
    try { return !!w.location.href && !!w.document; } catch (e) { return false; }
  }

  function framePath() {
    if (isTop) return '';
    const fe = window.frameElement;
    if (!fe) return '';
    if (fe.dataset && fe.dataset.dvFrame !== undefined) return fe.dataset.dvFrame;
    const name = fe.getAttribute('name') || fe.id || '';
    const parentRt = window.parent.__dv;
    const base = parentRt ? parentRt.path : '';
    return base ? base + '/' + name : name;
  }

  function pageName() {
    let p = decodeURIComponent(location.pathname);
    if (p.startsWith('/')) p = p.slice(1);
    if (p.indexOf('/') < 0 && p.endsWith('.html')) return p.slice(0, -5);
    return p;
  }

  function pageUrl(op) {
    if (op.page !== undefined) {
      const p = op.page;
      return '/' + (p.indexOf('.') < 0 && p.indexOf('/') < 0 ? p + '.html' : p);
    }
    const u = op.url || '';
    return /^[a-z]+:/i.test(u) || u.startsWith('/') ? u : '/' + u;
  }

  // ---------------------------------------------------------------- the host (top)
  function makeHost() {
    const host = {
      frames: new Map(),
      ws: null,
      open: false,
      pending: [],
      dialogs: new Map(),
      connections: 0,
      register(rt) {
        host.frames.set(rt.path, rt);
        if (host.open) host.sendNow(rt.readyEvent());
      },
      unregister(rt) {
        if (host.frames.get(rt.path) === rt) host.frames.delete(rt.path);
      },
      send(ev) {
        if (host.open) host.sendNow(ev);
        else if (host.pending.length < 200) host.pending.push(ev);
      },
      sendNow(ev) {
        try { host.ws.send(JSON.stringify(ev)); } catch (e) { /* closed meanwhile */ }
      },
      connect() {
        const ws = new WebSocket((location.protocol === 'https:' ? 'wss://' : 'ws://') + location.host + '/ws');
        host.ws = ws;
        ws.onopen = () => {
          host.open = true;
          host.connections++;
          for (const rt of host.frames.values()) host.sendNow(rt.readyEvent());
          const queued = host.pending;
          host.pending = [];
          for (const ev of queued) if (ev.ev !== 'ready') host.sendNow(ev);
          document.documentElement.dataset.dvConnected = '1';
        };
        ws.onmessage = (m) => {
          let ops;
          try { ops = JSON.parse(m.data); } catch (e) { return; }
          if (!Array.isArray(ops)) return;
          for (const op of ops) {
            try { host.route(op); } catch (e) { console.error('dorvath op', op && op.op, e); }
          }
          host.afterBatch();
        };
        ws.onclose = (e) => {
          host.open = false;
          delete document.documentElement.dataset.dvConnected;
          // 1001: a newer page took over, or the program ended; do not fight it.
          if (e.code !== 1001) setTimeout(() => host.connect(), 500);
        };
      },
      touched: new Set(),
      waiting: new Map(),
      route(op) {
        if (!op || typeof op !== 'object') return;
        const frame = typeof op.frame === 'string' ? op.frame : '';
        if (op.op === 'dialog') return host.dialog(op);
        if (op.op === 'load') return host.load(frame, op);
        const rt = host.frames.get(frame);
        if (!rt || (!rt.ready && op.op === 'beep')) {
          // Not loaded yet: its kept state is replayed when it registers; a beep is not
          // kept, so it waits for the page.
          if (op.op === 'beep' && host.waiting.size < 100) {
            const q = host.waiting.get(frame) || [];
            q.push(op);
            host.waiting.set(frame, q);
          }
          return;
        }
        rt.apply(op);
        if (op.op === 'replayed' && host.waiting.has(frame)) {
          for (const w of host.waiting.get(frame)) rt.apply(w);
          host.waiting.delete(frame);
        }
        host.touched.add(rt);
      },
      afterBatch() {
        for (const rt of host.touched) rt.afterOps();
        host.touched.clear();
      },
      load(frame, op) {
        const url = pageUrl(op);
        const want = op.page !== undefined ? op.page : (op.url || '');
        const rt = host.frames.get(frame);
        if (rt && rt.page === want) {  // already showing it: rebuild from the kept state
          host.sendNow(rt.readyEvent());
          return;
        }
        if (frame === '') {
          location.replace(url);
          return;
        }
        const cut = frame.lastIndexOf('/');
        const parent = host.frames.get(cut < 0 ? '' : frame.slice(0, cut));
        if (!parent) return;
        const el = parent.frameElementFor(frame);
        // An iframe already on its way to that page is left to finish.
        if (el && el.src !== new URL(url, location.href).href) el.src = url;
      },
      dialog(op) {
        const frame = op.frame;
        const old = host.dialogs.get(frame);
        if (!op.open) {
          if (old) old.remove();
          host.dialogs.delete(frame);
          host.waiting.delete(frame);
          return;
        }
        if (old) return;  // replayed while open
        const cover = document.createElement('div');
        cover.className = 'dv-modal';
        cover.dataset.dvDialog = frame;
        const ifr = document.createElement('iframe');
        ifr.className = 'dv-dialog';
        ifr.dataset.dvFrame = frame;
        ifr.setAttribute('frameborder', '0');
        ifr.title = op.title || '';
        ifr.style.width = '1px';
        ifr.style.height = '1px';
        cover.appendChild(ifr);
        document.body.appendChild(cover);
        host.dialogs.set(frame, cover);
        ifr.src = pageUrl({ page: op.page });
      },
      sizeDialog(frame, w, h) {
        const cover = host.dialogs.get(frame);
        if (!cover) return;
        const ifr = cover.firstChild;
        const maxW = Math.max(100, window.innerWidth - 20), maxH = Math.max(60, window.innerHeight - 20);
        w = Math.min(w, maxW);
        h = Math.min(h, maxH);
        ifr.style.width = w + 'px';
        ifr.style.height = h + 'px';
        ifr.style.left = Math.max(0, Math.round((window.innerWidth - w) / 2)) + 'px';
        ifr.style.top = Math.max(0, Math.round((window.innerHeight - h) / 2)) + 'px';
        ifr.style.visibility = 'visible';
      },
    };
    return host;
  }

  const path = framePath();
  const host = isTop ? makeHost() : (window.top.__dvHost || makeHost());
  if (isTop) window.__dvHost = host;

  // ---------------------------------------------------------------- helpers
  function find(op) {
    if (op.id !== undefined) return document.getElementById(op.id);
    if (op.sel) {
      try { return document.querySelector(op.sel); } catch (e) { return null; }
    }
    return null;
  }

  function attrsOf(el) {
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

  function behaviorTarget(node, name) {
    for (let el = node instanceof Element ? node : node && node.parentElement; el && el !== document.documentElement; el = el.parentElement) {
      const b = behaviorOf(el);
      if (b === name) return el;
      if (name === 'clickable' && !b && (el.tagName === 'BUTTON' ||
          (el.tagName === 'INPUT' && /^(button|submit|reset)$/i.test(el.type)))) return el;
    }
    return null;
  }

  function isDisabled(el) {
    for (let e = el; e; e = e.parentElement)
      if (e.disabled || (e.classList && e.classList.contains('state-disabled'))) return true;
    return false;
  }

  function inBorderBox(el, x, y) {
    const r = el.getBoundingClientRect();
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
  }

  function keyBits(e) {
    let k = 0;
    if (e.buttons & 1) k |= 1;
    if (e.buttons & 2) k |= 2;
    if (e.buttons & 4) k |= 16;
    if (e.shiftKey) k |= 4;
    if (e.ctrlKey) k |= 8;
    return k;
  }

  function px(v) { return (v | 0) + 'px'; }

  // Display list -> absolutely positioned elements.
  function renderItems(container, items) {
    const frag = document.createDocumentFragment();
    if (Array.isArray(items)) for (const it of items) {
      if (!Array.isArray(it)) continue;
      let d;
      switch (it[0]) {
        case 'f':
          d = box(it);
          d.style.background = it[5];
          break;
        case 'r':
          d = box(it);
          d.style.borderRadius = px(it[5]);
          d.style.background = it[6];
          if (it[8] > 0) d.style.border = px(it[8]) + ' solid ' + it[7];
          break;
        case 'g':
          d = box(it);
          d.style.background = 'linear-gradient(' + it[5] + ',' + it[6] + ')';
          break;
        case 'l': {
          const x1 = it[1], y1 = it[2], x2 = it[3], y2 = it[4], w = Math.max(1, it[6] | 0);
          d = document.createElement('div');
          d.className = 'dv-i';
          const len = Math.hypot(x2 - x1, y2 - y1);
          d.style.left = px(x1);
          d.style.top = px(y1 - (w >> 1));
          d.style.width = len + 'px';
          d.style.height = px(w);
          d.style.background = it[5];
          if (y1 !== y2) {
            d.style.transformOrigin = '0 50%';
            d.style.transform = 'rotate(' + Math.atan2(y2 - y1, x2 - x1) + 'rad)';
          }
          break;
        }
        case 't':
          d = box(it);
          d.classList.add('dv-t');
          d.style.color = it[5];
          d.textContent = it[6];
          d.style.justifyContent = ['flex-start', 'center', 'flex-end'][it[7]] || 'flex-start';
          d.style.textAlign = ['left', 'center', 'right'][it[7]] || 'left';
          d.style.alignItems = ['flex-start', 'center', 'flex-end'][it[8]] || 'center';
          d.style.fontSize = px(it[9] || 12);
          if (it[10]) d.style.fontWeight = 'bold';
          if (it[11]) d.classList.add('dv-ellipsis');
          if (it[12]) d.style.fontFamily = it[12];
          break;
        case 'b':
          d = document.createElement('img');
          d.className = 'dv-i';
          d.style.left = px(it[1]);
          d.style.top = px(it[2]);
          d.style.width = px(it[3]);
          d.style.height = px(it[4]);
          d.alt = '';
          d.draggable = false;
          d.src = it[5];
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
    d.style.left = px(it[1]);
    d.style.top = px(it[2]);
    d.style.width = px(it[3]);
    d.style.height = px(it[4]);
    return d;
  }

  function ranges(set) {
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

  // ---------------------------------------------------------------- forms
  function controlsNamed(name) {
    return Array.from(document.getElementsByName(name));
  }
  function isControl(el) {
    return el.tagName === 'INPUT' || el.tagName === 'SELECT' || el.tagName === 'TEXTAREA';
  }
  function collectForm() {
    const out = {};
    for (const el of document.querySelectorAll('[name]')) {
      const name = el.getAttribute('name');
      if (name in out || !isControl(el)) continue;
      const type = el.tagName === 'INPUT' ? (el.type || 'text').toLowerCase() : el.tagName.toLowerCase();
      if (type === 'radio') {
        const group = controlsNamed(name).filter((e) => e.tagName === 'INPUT' && e.type === 'radio');
        const i = group.findIndex((e) => e.checked);
        out[name] = i < 0 ? null : i;
      } else if (type === 'checkbox') {
        const group = controlsNamed(name).filter((e) => e.tagName === 'INPUT' && e.type === 'checkbox');
        if (group.length === 1) out[name] = group[0].checked;
        else out[name] = group.reduce((m, e, i) => (e.checked ? m | (1 << i) : m), 0);
      } else if (type === 'select') {
        const v = parseInt(el.value, 10);
        out[name] = isNaN(v) ? (el.selectedIndex < 0 ? null : el.selectedIndex) : v;
      } else if (type === 'number') {
        const v = parseInt(el.value, 10);
        out[name] = isNaN(v) ? null : v;
      } else {
        out[name] = el.value;
      }
    }
    return out;
  }
  function fillForm(values) {
    for (const name of Object.keys(values || {})) {
      const v = values[name];
      const el = controlsNamed(name)[0];
      if (!el || !isControl(el)) continue;
      const type = el.tagName === 'INPUT' ? (el.type || 'text').toLowerCase() : el.tagName.toLowerCase();
      if (type === 'radio') {
        const group = controlsNamed(name).filter((e) => e.tagName === 'INPUT' && e.type === 'radio');
        if (Number.isInteger(v) && v >= 0 && v < group.length) group[v].checked = true;
      } else if (type === 'checkbox') {
        const group = controlsNamed(name).filter((e) => e.tagName === 'INPUT' && e.type === 'checkbox');
        if (group.length === 1) group[0].checked = !!v;
        else group.forEach((e, i) => { e.checked = !!((v | 0) & (1 << i)); });
      } else if (type === 'select') {
        const opt = Array.from(el.options).findIndex((o) => o.value === String(v));
        if (opt >= 0) el.selectedIndex = opt;
        else if (Number.isInteger(v) && v >= 0 && v < el.options.length) el.selectedIndex = v;
      } else {
        el.value = v === null || v === undefined ? '' : String(v);
      }
    }
  }

  // ---------------------------------------------------------------- the frame runtime
  const rt = {
    path,
    page: pageName(),
    widgets: new Map(),
    tracked: new Set(),
    lastGeom: '',
    ready: false,
    send(ev) {
      ev.frame = rt.path;
      host.send(ev);
    },
    readyEvent() {
      return { ev: 'ready', frame: rt.path, page: rt.page, w: innerWidth, h: innerHeight,
               form: collectForm(), boxes: rt.boxes(), widgets: rt.widgetList() };
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
      rt.send({ ev: 'geom', w: innerWidth, h: innerHeight, boxes: b });
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
      if (rt.path.startsWith('dlg/')) rt.measureDialog();
    },
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
      const el = op.id !== undefined || op.sel !== undefined ? find(op) : null;
      switch (op.op) {
        case 'style':
          if (!el) return;
          {
            const v = String(op.value || '').replace(/;\s*$/, '').trim();
            if (v) el.style.setProperty(op.name, v.replace(/\s*!important$/, ''));
            else el.style.removeProperty(op.name);
          }
          return;
        case 'attr':
          if (!el) return;
          if (op.value === null) el.removeAttribute(op.name);
          else el.setAttribute(op.name, op.value);
          if (op.name === 'value' && 'value' in el) el.value = op.value === null ? '' : op.value;
          return;
        case 'text':
          if (el) el.textContent = op.value;
          return;
        case 'html':
          if (!el) return;
          el.innerHTML = op.value;
          mountWidgets(el);
          return;
        case 'state':
          if (el) applyState(el, op.set | 0, op.clear | 0);
          return;
        case 'enable':
          setEnabled(op.value !== false);
          return;
        case 'popup':
          if (el) popup(el, op);
          return;
        case 'fill':
          fillForm(op.values);
          return;
        case 'track':
          for (const id of op.ids || []) rt.tracked.add(String(id));
          for (const id of rt.tracked) {
            const t = document.getElementById(id);
            if (t && resizeObserver) resizeObserver.observe(t);
          }
          rt.lastGeom = '';
          return;
        case 'call': {
          const fn = window[op.fn];
          if (typeof fn === 'function') {
            try { fn.apply(window, op.args || []); } catch (e) { console.error('dorvath call', op.fn, e); }
          }
          return;
        }
        case 'beep':
          beep();
          return;
        case 'open':
          window.open(op.url, '_blank', 'noopener');
          return;
        case 'replayed':
          rt.ready = true;
          document.documentElement.dataset.dvReady = '1';
          document.dispatchEvent(new CustomEvent('dorvath-replayed'));
          return;
        default: {
          const w = rt.widgets.get(op.ctl | 0);
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

  let cover = null;
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
    if (!op.show) {
      el.style.display = 'none';
      if (openPopup === el) openPopup = null;
      return;
    }
    el.style.position = 'absolute';
    el.style.left = px(op.x);
    el.style.top = px(op.y);
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
    } catch (e) { /* no sound device */ }
    document.documentElement.dataset.dvBeeps = String((parseInt(document.documentElement.dataset.dvBeeps || '0', 10)) + 1);
  }

  // ---------------------------------------------------------------- behaviours
  document.addEventListener('click', (e) => {
    if (e.button !== 0 || cover) return;
    const el = behaviorTarget(e.target, 'clickable');
    if (!el || isDisabled(el)) return;
    if (el.type === 'submit') e.preventDefault();
    rt.send({ ev: 'click', id: el.id || '', tag: el.tagName.toLowerCase(), attrs: attrsOf(el), form: collectForm() });
  });

  let captured = null;
  document.addEventListener('mousedown', (e) => {
    if (e.button !== 0 || cover) return;
    const cmd = behaviorTarget(e.target, 'command');
    if (cmd && !isDisabled(cmd)) {
      captured = cmd;  // the mouse is the element's until it comes up
      cmd.classList.add('state-current');
      e.preventDefault();
      return;
    }
    const tab = behaviorTarget(e.target, 'tabcommand');
    if (tab && tab.id && !isDisabled(tab) && inBorderBox(tab, e.clientX, e.clientY)) {
      rt.send({ ev: 'command', id: tab.id, dbl: false });
    }
  });
  window.addEventListener('mouseup', (e) => {
    if (!captured || e.button !== 0) return;
    const el = captured;
    captured = null;
    const wasSet = el.classList.contains('state-current');
    el.classList.remove('state-current');
    if (wasSet && el.id && inBorderBox(el, e.clientX, e.clientY)) rt.send({ ev: 'command', id: el.id, dbl: false });
  });
  document.addEventListener('dblclick', (e) => {
    if (cover) return;
    const tab = behaviorTarget(e.target, 'tabcommand');
    if (tab && tab.id && !isDisabled(tab)) rt.send({ ev: 'command', id: tab.id, dbl: true });
  });

  function formChanged(e) {
    const name = e.target && e.target.getAttribute ? e.target.getAttribute('name') : null;
    if (!name) return;
    rt.send({ ev: 'form', name, form: collectForm() });
  }
  document.addEventListener('input', formChanged);
  document.addEventListener('change', formChanged);

  // ---------------------------------------------------------------- widgets
  const resizeObserver = typeof ResizeObserver === 'function' ? new ResizeObserver((entries) => {
    for (const en of entries) {
      const w = en.target.__dvWidget;
      if (w && w.resized) w.resized();
    }
    rt.queueGeometry();
  }) : null;

  const kWidgetTypes = ['sys-static', 'sys-listview', 'sys-ie', 'sys-edit', 'sys-listbox', 'sys-combobox',
                        'sys-datetime', 'sys-calendar', 'sys-tabctrl'];

  function styleWords(el) {
    const words = new Set();
    for (const a of el.attributes) {
      if (a.value !== '' || a.name === 'id' || a.name === 'type' || a.name === 'name') continue;
      words.add(a.name.toUpperCase());
    }
    return words;
  }

  function mountWidgets(root) {
    for (const el of root.querySelectorAll('widget')) {
      if (el.__dvWidget) continue;
      const type = (el.getAttribute('type') || '').toLowerCase();
      if (!kWidgetTypes.includes(type)) continue;
      const idText = el.getAttribute('id') || '';
      const ctl = /^\s*[-+]?\d/.test(idText) ? parseInt(idText, 10) : 0;
      const words = styleWords(el);
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
    const layer = document.createElement('div');
    layer.className = 'dv-layer';
    el.appendChild(layer);
    let img = null, tip = null, moveQueued = null;
    const w = { el, ctl, words, lastSize: '' };
    const at = (e) => {
      const r = el.getBoundingClientRect();
      return { x: Math.round(e.clientX - r.left), y: Math.round(e.clientY - r.top), keys: keyBits(e) };
    };
    const send = (kind, p) => rt.send(Object.assign({ ev: 'static', ctl, kind }, p));
    el.addEventListener('mousedown', (e) => { if (!cover) send('down', at(e)); });
    el.addEventListener('mouseup', (e) => { if (!cover) send('up', at(e)); });
    el.addEventListener('mousemove', (e) => {
      if (cover) return;
      const first = moveQueued === null;
      moveQueued = at(e);
      if (first) requestAnimationFrame(() => { const p = moveQueued; moveQueued = null; send('move', p); });
    });
    el.addEventListener('mouseleave', () => { if (!cover) send('leave', {}); });
    w.resized = () => {
      const s = el.clientWidth + 'x' + el.clientHeight;
      if (s === w.lastSize) return;
      w.lastSize = s;
      send('size', { w: el.clientWidth, h: el.clientHeight });
    };
    w.apply = (op) => {
      if (op.op === 'paint') renderItems(layer, op.items);
      else if (op.op === 'image') {
        if (!op.src) { if (img) { img.remove(); img = null; } return; }
        if (!img) { img = document.createElement('img'); img.className = 'dv-image'; img.alt = ''; img.draggable = false; el.appendChild(img); }
        img.src = op.src;
      } else if (op.op === 'tooltip') {
        if (!op.text) { if (tip) { tip.remove(); tip = null; } return; }
        if (!tip) { tip = document.createElement('div'); tip.className = 'dv-tooltip'; el.appendChild(tip); }
        tip.textContent = op.text;
        tip.style.left = px(Math.min(op.x, Math.max(0, el.clientWidth - 160)));
        tip.style.top = px(op.y);
      }
    };
    return w;
  }

  function listView(el, ctl, words) {
    const single = words.has('SINGLESEL');
    const noHeader = words.has('NOCOLUMNHEADER') || !words.has('REPORT');
    el.tabIndex = 0;
    const header = document.createElement('div');
    header.className = 'dv-lv-header';
    const body = document.createElement('div');
    body.className = 'dv-lv-body';
    const spacer = document.createElement('div');
    spacer.className = 'dv-lv-spacer';
    body.appendChild(spacer);
    el.append(header, body);
    const w = {
      el, ctl, words, count: 0, rowHeight: 18, columns: [], showHeader: true,
      selected: new Set(), mark: -1, focus: -1, painted: new Map(), rows: new Map(),
      asked: new Map(), lastScroll: '', lastSize: '',
    };
    const sendList = (kind, extra) => rt.send(Object.assign({ ev: 'list', ctl, kind }, extra || {}));
    const selInfo = () => ({ sel: ranges(w.selected), mark: w.mark, focus: w.focus });

    function layoutHeader() {
      const show = !noHeader && w.showHeader && w.columns.length > 0;
      header.style.display = show ? 'flex' : 'none';
      body.style.top = show ? header.offsetHeight + 'px' : '0';
      header.replaceChildren(...w.columns.map((c) => {
        const d = document.createElement('div');
        d.className = 'dv-lv-col';
        d.textContent = c[0];
        d.style.width = px(c[1]);
        d.style.textAlign = ['left', 'center', 'right'][c[2]] || 'left';
        return d;
      }));
    }
    function visibleRange() {
      const top = Math.floor(body.scrollTop / w.rowHeight);
      const n = Math.ceil(body.clientHeight / w.rowHeight) + 1;
      return [top, Math.min(w.count - 1, top + n - 1)];
    }
    function render() {
      spacer.style.height = px(w.count * w.rowHeight);
      const [from, to] = visibleRange();
      for (const [i, rowEl] of w.rows) {
        if (i < from || i > to) { rowEl.remove(); w.rows.delete(i); }
      }
      let askFrom = -1, askTo = -1;
      const now = performance.now();
      for (let i = from; i <= to; i++) {
        let rowEl = w.rows.get(i);
        if (!rowEl) {
          rowEl = document.createElement('div');
          rowEl.className = 'dv-lv-row';
          rowEl.style.top = px(i * w.rowHeight);
          rowEl.style.height = px(w.rowHeight);
          rowEl.dataset.row = i;
          body.appendChild(rowEl);
          w.rows.set(i, rowEl);
          rowEl.__painted = null;
        }
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
        sendList('rows', { from: askFrom, to: askTo });
      }
      const vscroll = body.scrollHeight > body.clientHeight + 0.5;
      const sc = from + ':' + (to - from + 1) + ':' + vscroll;
      if (sc !== w.lastScroll) {
        w.lastScroll = sc;
        sendList('scroll', { top: Math.max(0, from), visible: Math.max(0, to - from + 1), vscroll, lw: body.clientWidth, lh: body.clientHeight });
      }
    }
    let renderQueued = false;
    function queueRender() {
      if (renderQueued) return;
      renderQueued = true;
      requestAnimationFrame(() => { renderQueued = false; render(); });
    }
    w.render = render;
    body.addEventListener('scroll', queueRender);
    w.resized = () => {
      const s = el.clientWidth + 'x' + el.clientHeight;
      if (s !== w.lastSize) {
        w.lastSize = s;
        sendList('size', { w: el.clientWidth, h: el.clientHeight });
      }
      queueRender();
    };
    function repaint(rows) {  // drops the painted rows so they are asked for again
      for (const r of rows) { w.painted.delete(r); w.asked.delete(r); }
    }
    function setSelection(sel, mark) {
      const changed = new Set();
      for (const r of w.selected) if (!sel.has(r)) changed.add(r);
      for (const r of sel) if (!w.selected.has(r)) changed.add(r);
      w.selected = sel;
      if (mark !== undefined) w.mark = mark;
      repaint(changed);
      return changed.size > 0;
    }
    function rowAt(e) {
      const r = body.getBoundingClientRect();
      const y = e.clientY - r.top + body.scrollTop;
      const row = Math.floor(y / w.rowHeight);
      return row >= 0 && row < w.count && e.clientY >= r.top ? row : -1;
    }
    function pos(e) {
      const r = el.getBoundingClientRect();
      return { x: Math.round(e.clientX - r.left), y: Math.round(e.clientY - r.top), px: Math.round(e.clientX), py: Math.round(e.clientY) };
    }
    body.addEventListener('mousedown', (e) => {
      if (cover) return;
      const row = rowAt(e);
      if (e.button === 0) {
        let sel;
        if (row < 0) sel = new Set();
        else if (e.ctrlKey && !single) {
          sel = new Set(w.selected);
          if (sel.has(row)) sel.delete(row); else sel.add(row);
        } else if (e.shiftKey && !single && w.mark >= 0) {
          sel = new Set();
          for (let i = Math.min(w.mark, row); i <= Math.max(w.mark, row); i++) sel.add(i);
        } else sel = new Set([row]);
        const mark = row < 0 || (e.shiftKey && !single && w.mark >= 0) ? w.mark : row;
        setSelection(sel, mark);
        if (row >= 0) w.focus = row;
        sendList('click', Object.assign({ row, keys: keyBits(e) }, pos(e), selInfo()));
        render();
      } else if (e.button === 2) {
        if (row >= 0 && !w.selected.has(row)) { setSelection(new Set([row]), row); w.focus = row; }
        sendList('rclick', Object.assign({ row, keys: keyBits(e) }, pos(e), selInfo()));
        render();
      }
    });
    body.addEventListener('dblclick', (e) => {
      if (cover) return;
      sendList('dblclick', Object.assign({ row: rowAt(e), keys: keyBits(e) }, pos(e), selInfo()));
    });
    el.addEventListener('contextmenu', (e) => e.preventDefault());
    el.addEventListener('keydown', (e) => {
      if (cover) return;
      const keys = (e.shiftKey ? 4 : 0) | (e.ctrlKey ? 8 : 0);
      const page = Math.max(1, Math.floor(body.clientHeight / w.rowHeight) - 1);
      const moves = { ArrowDown: 1, ArrowUp: -1, PageDown: page, PageUp: -page, Home: -Infinity, End: Infinity };
      if (e.key in moves && w.count > 0) {
        e.preventDefault();
        const cur = w.focus < 0 ? (moves[e.key] > 0 ? -1 : w.count) : w.focus;
        const next = Math.max(0, Math.min(w.count - 1, cur + moves[e.key]));
        w.focus = next;
        setSelection(new Set([next]), next);
        ensureVisible(next);
      } else if (e.ctrlKey && (e.key === 'a' || e.key === 'A')) {
        e.preventDefault();  // the page decides what Ctrl+A selects
      }
      sendList('key', Object.assign({ key: e.key, keys }, selInfo()));
      render();
    });
    function ensureVisible(row) {
      const top = row * w.rowHeight, bottom = top + w.rowHeight;
      if (top < body.scrollTop) body.scrollTop = top;
      else if (bottom > body.scrollTop + body.clientHeight) body.scrollTop = bottom - body.clientHeight;
    }
    w.apply = (op) => {
      switch (op.op) {
        case 'listsetup':
          w.columns = Array.isArray(op.columns) ? op.columns : [];
          w.rowHeight = Math.max(1, op.rowHeight | 0 || 18);
          w.showHeader = op.header !== false;
          layoutHeader();
          for (const r of w.rows.values()) r.remove();
          w.rows.clear();
          w.painted.clear();
          w.asked.clear();
          break;
        case 'listcount':
          w.count = Math.max(0, op.count | 0);
          w.painted.clear();
          w.asked.clear();
          for (const r of Array.from(w.selected)) if (r >= w.count) w.selected.delete(r);
          break;
        case 'listsel': {
          const sel = new Set();
          for (const [a, b] of op.rows || []) for (let i = a; i <= b && i < w.count; i++) sel.add(i);
          setSelection(sel, op.mark | 0);
          break;
        }
        case 'listcolw':
          if (w.columns[op.col]) { w.columns[op.col][1] = op.width; layoutHeader(); }
          break;
        case 'listshow':
          if (op.row >= 0 && op.row < w.count) ensureVisible(op.row);
          break;
        case 'rows': {
          const from = op.from | 0;
          (op.paint || []).forEach((items, k) => { w.painted.set(from + k, items); w.asked.delete(from + k); });
          break;
        }
        case 'listinval': {
          const to = op.to < 0 ? w.count - 1 : op.to;
          if (op.from <= 0 && to >= w.count - 1) { w.painted.clear(); w.asked.clear(); } else for (let i = op.from; i <= to; i++) { w.painted.delete(i); w.asked.delete(i); }
          break;
        }
        default:
          return;
      }
      queueRender();
    };
    layoutHeader();
    queueRender();
    return w;
  }

  // ---------------------------------------------------------------- external calls
  try {
    const ext = new Proxy({}, {
      get: (t, name) => (typeof name !== 'string' || name === 'then') ? undefined
        : (...args) => rt.send({ ev: 'external', method: name, args: args.map((a) => String(a)) }),
    });
    Object.defineProperty(window, 'external', { value: ext, configurable: true, writable: true });
  } catch (e) { /* leave window.external as it is */ }

  // ---------------------------------------------------------------- media type
  function setMedia() {
    const contrast = matchMedia('(prefers-contrast: more)').matches || matchMedia('(forced-colors: active)').matches;
    const de = document.documentElement;
    de.classList.toggle('contrast-screen', contrast);
    de.classList.toggle('screen', !contrast);
    de.dataset.media = contrast ? 'contrast-screen' : 'screen';
  }
  setMedia();
  for (const q of ['(prefers-contrast: more)', '(forced-colors: active)']) {
    try { matchMedia(q).addEventListener('change', setMedia); } catch (e) { /* old engine */ }
  }

  // ---------------------------------------------------------------- start
  function start() {
    mountWidgets(document);
    window.addEventListener('resize', () => rt.queueGeometry());
    host.register(rt);
    if (rt.path.startsWith('dlg/')) {
      rt.measureDialog();
      if (resizeObserver && document.body) resizeObserver.observe(document.body);
      new MutationObserver(() => rt.measureDialog()).observe(document.body, { childList: true, subtree: true, characterData: true });
    }
  }
  window.addEventListener('pagehide', () => host.unregister(rt));
  if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', start);
  else start();
  if (isTop) host.connect();
})();
