// The behaviours "clickable", "command" and "tabcommand", and form change reports.
import { EV, KEY } from './protocol.js';
import { attrsOf, behaviorTarget, inBorderBox, isDisabled } from './render.js';
import { collectForm } from './forms.js';
import { cover, rt } from './frame.js';

// ---------------------------------------------------------------- behaviours
function command(el, dbl) { return { [KEY.EV]: EV.COMMAND, [KEY.ID]: el.id, [KEY.DBL]: dbl }; }

document.addEventListener('click', (e) => {
  if (e.button !== 0 || cover) return;
  const el = behaviorTarget(e.target, 'clickable');
  if (!el || isDisabled(el)) return;
  if (el.type === 'submit') e.preventDefault();
  rt.send({ [KEY.EV]: EV.CLICK, [KEY.ID]: el.id || '', [KEY.TAG]: el.tagName.toLowerCase(), [KEY.ATTRS]: attrsOf(el),
            [KEY.FORM]: collectForm() });
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
    rt.send(command(tab, false));
  }
});
window.addEventListener('mouseup', (e) => {
  if (!captured || e.button !== 0) return;
  const el = captured;
  captured = null;
  const wasSet = el.classList.contains('state-current');
  el.classList.remove('state-current');
  if (wasSet && el.id && inBorderBox(el, e.clientX, e.clientY)) rt.send(command(el, false));
});
document.addEventListener('dblclick', (e) => {
  if (cover) return;
  const tab = behaviorTarget(e.target, 'tabcommand');
  if (tab && tab.id && !isDisabled(tab)) rt.send(command(tab, true));
});

function formChanged(e) {
  const name = e.target && e.target.getAttribute ? e.target.getAttribute('name') : null;
  if (!name) return;
  rt.send({ [KEY.EV]: EV.FORM, [KEY.NAME]: name, [KEY.FORM]: collectForm() });
}
document.addEventListener('input', formChanged);
document.addEventListener('change', formChanged);
