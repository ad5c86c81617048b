// Line and bar charts in a static control: drawn with uPlot (shipped with the pages in
// /Html/uplot) from what C++ sends, and the hot spot under the pointer.
// ---------------------------------------------------------------- charts
import { CHART, KEY } from './protocol.js';

const kHotRadius = 5;  // px around a data point that count as its hot spot

function chartFont(spec, size) { return size + 'px ' + (spec.font || 'sans-serif'); }

// uPlot (shipped in /Html/uplot) is not needed for a page's first paint: it is fetched
// once the window has loaded, or at once by the first chart, which then waits for it.
const kUplot = '/Html/uplot/uPlot.iife.min.js', kUplotCss = '/Html/uplot/uPlot.min.css';
let uplotScript = null;
function fetchUplot() {
  if (uplotScript || typeof uPlot === 'function') return;
  const css = document.createElement('link');
  css.rel = 'stylesheet';
  css.href = kUplotCss;
  document.head.appendChild(css);
  uplotScript = document.createElement('script');
  uplotScript.src = kUplot;
  document.head.appendChild(uplotScript);
}
export function fetchChartsLater() {
  const later = () => setTimeout(fetchUplot, 100);
  if (document.readyState === 'complete') later();
  else window.addEventListener('load', later, { once: true });
}
export function whenChartsCanDraw(then) {
  if (typeof uPlot === 'function') return then();
  fetchUplot();
  uplotScript.addEventListener('load', () => then(), { once: true });
}

// The chart as C++ sends it, read once by the protocol's names.
function readChart(c) {
  const axis = (a) => ({ title: a[CHART.TITLE], color: a[CHART.COLOR], width: a[CHART.WIDTH], titleSize: a[CHART.TITLE_SIZE] });
  const list = (v) => (Array.isArray(v) ? v : []);
  return {
    w: c[CHART.W], h: c[CHART.H], plot: c[CHART.PLOT], bg: c[CHART.BG], plotBg: c[CHART.PLOT_BG],
    grid: c[CHART.GRID], font: c[CHART.FONT], xMax: c[CHART.X_MAX], xLabels: list(c[CHART.X_LABELS]),
    x: axis(c[CHART.X] || {}), y: axis(c[CHART.Y] || {}), y2: axis(c[CHART.Y2] || {}), bars: c[CHART.BARS] === true,
    series: list(c[CHART.SERIES]).map((s) => ({
      name: s[CHART.NAME], values: list(s[CHART.VALUES]), color: s[CHART.COLOR], width: s[CHART.WIDTH], axis2: s[CHART.AXIS2],
    })),
  };
}

// Replaces the chart `old` of the static el with the chart sent (null: none); returns the
// new one.
export function drawChart(el, old, sent) {
  if (old) {
    old.plot.destroy();
    old.root.remove();
  }
  if (!sent || typeof uPlot !== 'function') return null;
  const spec = readChart(sent);
  const root = document.createElement('div');
  root.className = 'dv-chart';
  root.style.background = spec.bg;
  // What the picture says, for screen readers and for finding it.
  root.setAttribute('role', 'img');
  root.setAttribute('aria-label', [spec.y.title, spec.y2.title, spec.x.title + ' ' + spec.xLabels.join(' ')].join(' / '));
  el.insertBefore(root, el.firstChild);
  const [pl, pt, pw, ph] = spec.plot;
  const series = spec.series;
  const bars = spec.bars;
  const hasY2 = series.some((s) => s.axis2);
  const n = series.reduce((m, s) => Math.max(m, s.values.length), 0);
  const xs = new Array(n);
  for (let i = 0; i < n; i++) xs[i] = i;
  // A bar of nothing is not drawn at all.
  const data = [xs].concat(series.map((s) => s.values.map((v) => (typeof v === 'number' && !(bars && v === 0) ? v : null))));
  const xMax = spec.xMax > 0 ? spec.xMax : 1;
  const labels = spec.xLabels;
  // The labels spread evenly over the axis, the first at 0 and the last at its end.
  const splits = labels.map((_, i) => (labels.length > 1 ? i * xMax / (labels.length - 1) : 0));
  const bottom = Math.max(0, spec.h - pt - ph), right = Math.max(0, spec.w - pl - pw);
  const titleSize = Math.min(bottom, Math.round(spec.x.titleSize * 1.5));
  const axisOf = (a, side, scale, size, grid) => ({
    scale, side, size,
    stroke: a.color,
    font: chartFont(spec, 11),
    gap: 3,
    space: side === 2 ? 50 : 24,
    grid: grid ? { show: true, stroke: spec.grid, width: 1 } : { show: false },
    ticks: { show: true, stroke: a.color, width: 1, size: 4 },
    border: { show: true, stroke: a.color, width: a.width },
  });
  const xAxis = Object.assign(axisOf(spec.x, 2, 'x', bottom - titleSize, true), {
    label: spec.x.title,
    labelSize: titleSize,
    labelGap: 0,
    labelFont: chartFont(spec, spec.x.titleSize),
    splits: () => splits,
    values: () => labels,
  });
  // Bars stand on their index, half a bar's room on either side.
  const scales = { x: { time: false, auto: false, range: bars ? [-0.5, xMax + 0.5] : [0, xMax] } };
  const uSeries = [{}];
  series.forEach((s, i) => {
    const scale = s.axis2 ? 'y2' : 'y';
    scales[scale] = bars ? { auto: true, range: (u, lo, hi) => [0, hi > 0 ? hi * 1.1 : 1] } : { auto: true };
    const look = bars ? { fill: s.color, paths: uPlot.paths.bars({ size: [0.7, 40] }) } : {};
    uSeries.push(Object.assign({ label: s.name || 'series ' + i, scale, stroke: s.color, width: s.width,
                                 points: { show: false }, spanGaps: false }, look));
  });
  scales.y = scales.y || { auto: true };
  scales.y2 = scales.y2 || { auto: true };
  const chart = { root, plot: null, n, data, bars, scales: uSeries.slice(1).map((s) => s.scale), drawn: 0 };
  const opts = {
    width: spec.w,
    height: spec.h,
    // Without a series on the right axis the axis is left out; its room stays empty.
    padding: [pt, hasY2 ? 0 : right, 0, 0],
    legend: { show: false },
    cursor: { show: false, drag: { x: false, y: false, setScale: false } },
    select: { show: false },
    scales,
    axes: [xAxis, axisOf(spec.y, 3, 'y', pl, true)].concat(hasY2 ? [axisOf(spec.y2, 1, 'y2', right, false)] : []),
    series: uSeries,
    hooks: {
      drawClear: [(u) => {
        const c = u.ctx;
        c.save();
        c.fillStyle = spec.plotBg;
        c.fillRect(u.bbox.left, u.bbox.top, u.bbox.width, u.bbox.height);
        c.restore();
      }],
      draw: [(u) => {
        // The y axis titles sit above their axes, outside the plot area.
        const c = u.ctx, r = devicePixelRatio || 1;
        c.save();
        c.textBaseline = 'bottom';
        c.font = chartFont(spec, Math.round(spec.y.titleSize * r));
        c.fillStyle = spec.y.color;
        c.textAlign = 'right';
        c.fillText(spec.y.title, u.bbox.left - 2 * r, u.bbox.top - 8 * r);
        c.font = chartFont(spec, Math.round(spec.y2.titleSize * r));
        c.fillStyle = spec.y2.color;
        c.textAlign = 'left';
        c.fillText(spec.y2.title, u.bbox.left + u.bbox.width + 2 * r, u.bbox.top - 8 * r);
        c.restore();
        chart.drawn++;
        el.dataset.dvChartDrawn = String((parseInt(el.dataset.dvChartDrawn || '0', 10)) + 1);
        el.dataset.dvChartAt = performance.now().toFixed(1);
      }],
    },
  };
  chart.plot = new uPlot(opts, data, root);
  return chart;
}

// The hot spot nearest to (x, y) in control pixels within kHotRadius: numbered series by
// series from 1 as an image map lists them, with the point index as its "x" value.
export function chartHotSpot(chart, x, y) {
  const u = chart.plot, n = chart.n;
  if (!u || !n) return { [KEY.HOT]: 0 };
  const xp = x - (parseFloat(u.over.style.left) || 0), yp = y - (parseFloat(u.over.style.top) || 0);
  if (chart.bars) return barHotSpot(chart, xp, yp);
  let i0 = Math.floor(u.posToVal(xp - kHotRadius, 'x')), i1 = Math.ceil(u.posToVal(xp + kHotRadius, 'x'));
  if (!(i1 >= 0 && i0 < n)) return { [KEY.HOT]: 0 };
  i0 = Math.max(0, i0);
  i1 = Math.min(n - 1, i1, i0 + 4000);
  let best = kHotRadius * kHotRadius + 1e-9, hot = 0, index = -1;
  for (let i = i0; i <= i1; i++) {
    const dx = u.valToPos(i, 'x') - xp;
    if (dx * dx > best) continue;
    for (let s = 0; s < chart.scales.length; s++) {
      const v = chart.data[s + 1][i];
      if (v === null || v === undefined) continue;
      const dy = u.valToPos(v, chart.scales[s]) - yp;
      const d = dx * dx + dy * dy;
      if (d < best) {
        best = d;
        hot = s * n + i + 1;
        index = i;
      }
    }
  }
  return hot ? { [KEY.HOT]: hot, [KEY.HOT_X]: String(index) } : { [KEY.HOT]: 0 };
}

// The bar under the pointer: its column, from the axis up to a little above its top.
function barHotSpot(chart, xp, yp) {
  const u = chart.plot, i = Math.round(u.posToVal(xp, 'x'));
  if (!(i >= 0 && i < chart.n)) return { [KEY.HOT]: 0 };
  const v = chart.data[1][i];
  if (typeof v !== 'number' || v <= 0) return { [KEY.HOT]: 0 };
  const top = u.valToPos(v, chart.scales[0]) - kHotRadius, base = u.valToPos(0, chart.scales[0]);
  if (yp < top || yp > base) return { [KEY.HOT]: 0 };
  return { [KEY.HOT]: i + 1, [KEY.HOT_X]: String(i) };
}
