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
})();
