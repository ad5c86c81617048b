// Starting up: mounts the widgets, registers this frame's runtime with the host, sends
// the page's window.external calls, and connects when this is the top page (at once: the
// connection is on its way while the page is still parsed).
import { host, isTop, loadLater } from './host.js';
import { EV, KEY } from './protocol.js';
import { rt } from './frame.js';
import { mountWidgets, resizeObserver } from './widgets.js';
import './behaviours.js';

// The page's window.external calls go out once the frame has registered, so that C++
// answers a frame it knows is there.
function sendExternalCalls() {
  const external = window.__dvExternal;
  if (!external) return;
  external.send = (method, args) => rt.send({ [KEY.EV]: EV.EXTERNAL, [KEY.METHOD]: method, [KEY.ARGS]: args });
  for (const [method, args] of external.queued.splice(0)) external.send(method, args);
}

function start() {
  // Frames the page hides come after the one in view (the server gave them data-dv-src).
  for (const f of document.querySelectorAll('iframe[data-dv-src]')) loadLater(f, f.dataset.dvSrc);
  mountWidgets(document);
  window.addEventListener('resize', () => rt.queueGeometry());
  host.register(rt);
  sendExternalCalls();
  if (rt.isDialog()) {
    rt.measureDialog();
    if (resizeObserver && document.body) resizeObserver.observe(document.body);
    new MutationObserver(() => rt.measureDialog()).observe(document.body, { childList: true, subtree: true, characterData: true });
  }
}
export function startRuntime() {
  window.addEventListener('pagehide', () => host.unregister(rt));
  if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', start);
  else start();
  if (isTop) host.connect();
}
