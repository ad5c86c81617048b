// The host: the top page holds the one WebSocket; every frame (the top page, its iframes,
// sys-ie widgets, dialogs) registers a runtime with it, applies the operations addressed
// to its frame path and reports its events. This module: the host, loads and dialogs.
import { EV, KEY, OP } from './protocol.js';

export const isTop = window === window.top || !sameOrigin(window.top);
function sameOrigin(w) {
  try { return !!w.location.href && !!w.document; } catch { return false; }
}

// Read from the frame elements up to the top, not from the parent's runtime: a child's
// runtime may start before its parent's deferred one does.
function pathOf(w) {
  if (w === w.top || !sameOrigin(w.parent)) return '';
  const fe = w.frameElement;
  if (!fe) return '';
  if (fe.dataset && fe.dataset.dvFrame !== undefined) return fe.dataset.dvFrame;
  const name = fe.getAttribute('name') || fe.id || '';
  const base = pathOf(w.parent);
  return base ? base + '/' + name : name;
}
function framePath() {
  return isTop ? '' : pathOf(window);
}

export function pageName() {
  let p = decodeURIComponent(location.pathname);
  if (p.startsWith('/')) p = p.slice(1);
  if (p.indexOf('/') < 0 && p.endsWith('.html')) return p.slice(0, -5);
  return p;
}

function pageUrl(op) {
  if (op[KEY.PAGE] !== undefined) {
    const p = op[KEY.PAGE];
    return '/' + (p.indexOf('.') < 0 && p.indexOf('/') < 0 ? p + '.html' : p);
  }
  const u = op[KEY.URL] || '';
  return /^[a-z]+:/i.test(u) || u.startsWith('/') ? u : '/' + u;
}

// A page nobody sees yet (a hidden tab) and the map wait a moment after the window has
// loaded (or a little longer, should a slow picture hold the load back), so that the
// page in view does not share the connections and the processor with them.
export function loadLater(el, url) {
  const waiting = el.dataset.dvLater !== undefined;
  el.dataset.dvLater = url;  // the latest address asked for is the one loaded
  if (waiting) return;
  const top = isTop ? window : window.top;
  const go = () => {
    const u = el.dataset.dvLater;
    if (u === undefined) return;
    delete el.dataset.dvLater;
    el.src = u;
  };
  if (top.document.readyState === 'complete') return setTimeout(go, 100);
  top.addEventListener('load', () => setTimeout(go, 200), { once: true });
  setTimeout(go, 1500);
}

// ---------------------------------------------------------------- the host (top)
// The frames of this window by path, each told to the program once the socket is up.
function frameRegistry(host) {
  return {
    register(rt) {
      host.frames.set(rt.path, rt);
      if (host.open) host.sendNow(rt.readyEvent());
    },
    unregister(rt) {
      if (host.frames.get(rt.path) === rt) host.frames.delete(rt.path);
    },
  };
}

// The socket to the program: events out (kept while it is down), operation batches in.
function connection(host) {
  return {
    send(ev) {
      if (host.open) host.sendNow(ev);
      else if (host.pending.length < 200) host.pending.push(ev);
    },
    sendNow(ev) {
      try { host.ws.send(JSON.stringify(ev)); } catch { /* closed meanwhile */ }
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
        for (const ev of queued) if (ev[KEY.EV] !== EV.READY) host.sendNow(ev);
        document.documentElement.dataset.dvConnected = '1';
      };
      ws.onmessage = (m) => {
        let ops;
        try { ops = JSON.parse(m.data); } catch { return; }
        if (!Array.isArray(ops)) return;
        for (const op of ops) {
          try { host.route(op); } catch (e) { console.error('dorvath op', op && op[KEY.OP], e); }
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
  };
}

// An operation to the frame it is for, or, for "load", to the iframe that shows it.
function routing(host) {
  return {
    route(op) {
      if (!op || typeof op !== 'object') return;
      const frame = typeof op[KEY.FRAME] === 'string' ? op[KEY.FRAME] : '';
      const name = op[KEY.OP];
      if (name === OP.DIALOG) return host.dialog(op);
      if (name === OP.LOAD) return host.load(frame, op);
      const rt = host.frames.get(frame);
      if (!rt || (!rt.ready && name === OP.BEEP)) {
        // Not loaded yet: its kept state is replayed when it registers; a beep is not
        // kept, so it waits for the page.
        if (name === OP.BEEP && host.waiting.size < 100) {
          const q = host.waiting.get(frame) || [];
          q.push(op);
          host.waiting.set(frame, q);
        }
        return;
      }
      rt.apply(op);
      if (name === OP.REPLAYED && host.waiting.has(frame)) {
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
      const want = op[KEY.PAGE] !== undefined ? op[KEY.PAGE] : (op[KEY.URL] || '');
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
      if (!el || (el.src === new URL(url, location.href).href && el.dataset.dvLater === undefined)) return;
      const later = el.getClientRects().length === 0 || el.classList.contains('dv-ie') || el.dataset.dvLater !== undefined;
      if (later) loadLater(el, url);
      else el.src = url;
    },
  };
}

// The dialogs: a frame of their own over a cover that takes the clicks.
function dialogWindows(host) {
  return {
    dialog(op) {
      const frame = op[KEY.FRAME];
      const old = host.dialogs.get(frame);
      if (!op[KEY.OPEN]) {
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
      ifr.title = op[KEY.TITLE] || '';
      ifr.style.width = '1px';
      ifr.style.height = '1px';
      cover.appendChild(ifr);
      document.body.appendChild(cover);
      host.dialogs.set(frame, cover);
      ifr.src = pageUrl({ [KEY.PAGE]: op[KEY.PAGE] });
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
}

function makeHost() {
  const host = {
    frames: new Map(), ws: null, open: false, pending: [], dialogs: new Map(), connections: 0,
    touched: new Set(), waiting: new Map(),
  };
  return Object.assign(host, frameRegistry(host), connection(host), routing(host), dialogWindows(host));
}

export const path = framePath();
export const host = isTop ? makeHost() : (window.top.__dvHost || makeHost());
if (isTop) window.__dvHost = host;
