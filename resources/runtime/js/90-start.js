  // window.external, the media type, and starting up.
  // ---------------------------------------------------------------- external calls
  try {
    const ext = new Proxy({}, {
      get: (t, name) => (typeof name !== 'string' || name === 'then') ? undefined
        : (...args) => rt.send({ ev: EV.EXTERNAL, method: name, args: args.map((a) => String(a)) }),
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
