// What must happen before a page's own scripts run: the "--behavior" property, a language
// uPlot can format for, window.external for the map page, and the media type before the
// first paint. False when the runtime is already there (a page that includes it twice).
export function prepare() {
  if (window.__dvExternal) return false;

  // --behavior must not inherit, or every child of a button would be one too.
  try {
    CSS.registerProperty({ name: '--behavior', syntax: '*', inherits: false });
  } catch { /* registered already, or not supported: see behaviorOf in render.js */ }

  // uPlot formats its numbers for navigator.language, which a POSIX locale makes "C" in
  // WebKitGTK: not a language tag, and uPlot would not load at all. The pages are Japanese.
  try {
    new Intl.NumberFormat(navigator.language);
  } catch {
    try { Object.defineProperty(navigator, 'language', { value: 'ja-JP', configurable: true }); } catch { /* left as it is */ }
  }

  // window.external.<method>(args) of a page script: held until the runtime sends them.
  const external = { queued: [], send: null };
  window.__dvExternal = external;
  try {
    const ext = new Proxy({}, {
      get: (t, name) => (typeof name !== 'string' || name === 'then') ? undefined
        : (...args) => {
          const texts = args.map((a) => String(a));
          if (external.send) external.send(name, texts);
          else if (external.queued.length < 200) external.queued.push([name, texts]);
        },
    });
    Object.defineProperty(window, 'external', { value: ext, configurable: true, writable: true });
  } catch { /* leave window.external as it is */ }

  // The media type, before the first paint.
  function setMedia() {
    const contrast = matchMedia('(prefers-contrast: more)').matches || matchMedia('(forced-colors: active)').matches;
    const de = document.documentElement;
    de.classList.toggle('contrast-screen', contrast);
    de.classList.toggle('screen', !contrast);
    de.dataset.media = contrast ? 'contrast-screen' : 'screen';
  }
  setMedia();
  for (const q of ['(prefers-contrast: more)', '(forced-colors: active)']) {
    try { matchMedia(q).addEventListener('change', setMedia); } catch { /* old engine */ }
  }
  return true;
}
