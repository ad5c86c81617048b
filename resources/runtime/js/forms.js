// Form values by kind, collected and filled.
// ---------------------------------------------------------------- forms
function controlsNamed(name) {
  return Array.from(document.getElementsByName(name));
}
function isControl(el) {
  return el.tagName === 'INPUT' || el.tagName === 'SELECT' || el.tagName === 'TEXTAREA';
}
export function collectForm() {
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
export function fillForm(values) {
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
