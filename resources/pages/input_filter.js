// Text fields with a "filter" attribute take only the characters it allows:
// "0~9" digits, "0~9." digits and the decimal point.
(function () {
  function allowed(filter) {
    return filter === "0~9." ? /[^0-9.]/g : filter === "0~9" ? /[^0-9]/g : null;
  }
  document.addEventListener("input", function (e) {
    var el = e.target;
    if (!el || el.tagName !== "INPUT" || !el.hasAttribute("filter")) return;
    var bad = allowed(el.getAttribute("filter"));
    if (!bad) return;
    var clean = el.value.replace(bad, "");
    if (clean !== el.value) el.value = clean;
  }, true);

  // Whole numbers within the watch's range: once the user leaves the box it shows what
  // saving will store (60.5 is saved as 60, 350 as 299), not a value the save then changes.
  var wholeRanges = { weight: [1, 299] };
  document.addEventListener("change", function (e) {
    var el = e.target;
    if (!el || el.tagName !== "INPUT" || !wholeRanges.hasOwnProperty(el.name)) return;
    var range = wholeRanges[el.name];
    var v = parseInt(el.value, 10);
    if (isNaN(v)) v = 0;
    var saved = String(Math.min(range[1], Math.max(range[0], v)));
    if (el.value !== saved) el.value = saved;
  }, true);
})();
