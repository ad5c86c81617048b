// The list page on a data folder that already holds runs: the calendar marks them, a
// day's runs fill the run list and its count, and opening a run lists its laps.
const { execFileSync } = require('child_process');
const { test, expect } = require('@playwright/test');
const { startServer, exePath, listPage, dataWithRuns, markedDays } = require('./server');

let server;
test.beforeAll(async () => {
  // Five demo runs on recent days, stored the way a download stores them.
  server = await startServer({ dataDir: dataWithRuns() });
});
test.afterAll(async () => { if (server) await server.stop(); });

test('marked days, a day\'s runs with their count, and the laps of an opened run', async ({ page }, info) => {
  const f = await listPage(page, server);
  await expect(f.locator('#calendardate')).toHaveText(/^\d{4}-\d{2}$/);
  await expect(f.locator('widget[id="5000"]')).toContainText('日');
  const { cells, days: marked } = await markedDays(f);
  expect(marked.length).toBeGreaterThan(0);
  const cell = cells.nth(marked[0]);
  await cell.click({ force: true });

  const runs = f.locator('widget[id="6000"] .dv-lv-row');
  await expect(runs.first()).toContainText('~');
  await expect(runs.first()).toContainText('ペース:');
  await expect(runs.first()).toContainText('距離:');
  await expect(runs.first()).toContainText('kcal');
  const n = await runs.count();
  await expect(f.locator('#tracknum')).toHaveText('合計 ' + n + ' 履歴');

  await runs.first().dblclick();
  const laps = f.locator('widget[id="6001"] .dv-lv-row');
  await expect(laps.first()).toContainText(/L01 \d+:\d\d:\d\d/);
  await expect(runs.first().locator('img[src*="211.png"]')).toHaveCount(1);
  await page.screenshot({ path: info.outputPath('list-page.png') });

  // The point list on the second lower tab.
  await f.locator('#ltab2').click();
  const points = f.locator('widget[id="6004"] .dv-lv-row');
  await expect(points.first()).toContainText('°');
  await expect(points.nth(5)).toContainText('°');
  await expect(f.locator('widget[id="6004"] .dv-lv-header')).toBeVisible();
  await expect(f.locator('widget[id="6004"] .dv-lv-header')).toContainText('インデックス');
  await page.screenshot({ path: info.outputPath('list-page-points.png') });

  // Nothing sits under a panel's edge: the calendar's six rows fill its box, the lists lie
  // inside their panels and the frame, and the one-column lists never scroll sideways.
  const fit = await f.evaluate(() => {
    const box = (el) => el.getBoundingClientRect();
    const cal = document.querySelector('widget[id="5000"]');
    const cells = Array.from(cal.querySelectorAll('.dv-i')).map((e) => box(e).bottom);
    const inner = box(cal).bottom - cal.clientTop;
    const lists = {};
    for (const id of ['6000', '6001', '6004']) {
      const w = document.querySelector(`widget[id="${id}"]`);
      const body = w.querySelector('.dv-lv-body');
      lists[id] = {
        inPanel: box(w).bottom <= box(w.parentElement).bottom + 0.5 && box(w).bottom <= innerHeight,
        bodyInside: box(body).bottom <= box(w).bottom + 0.5,
        sideways: body.scrollWidth > body.clientWidth && getComputedStyle(body).overflowX !== 'hidden',
      };
    }
    return { calSlack: inner - Math.max(...cells), lists };
  });
  expect(fit.calSlack).toBeGreaterThanOrEqual(0);
  expect(fit.calSlack).toBeLessThanOrEqual(2);
  for (const id of ['6000', '6001', '6004']) {
    expect(fit.lists[id].inPanel, id).toBe(true);
    expect(fit.lists[id].bodyInside, id).toBe(true);
  }
  expect(fit.lists['6000'].sideways).toBe(false);
  expect(fit.lists['6001'].sideways).toBe(false);
});

test('the records tab: totals, a bar that shows its week, a best that opens its run and its splits', async ({ page }, info) => {
  const f = await listPage(page, server);
  const runs = execFileSync(exePath(), ['runs', '--data-dir', server.dataDir]).toString().trim().split('\n');
  await page.frame({ name: 'main' }).click('#tabrec');
  const r = page.frame({ name: 'records' });
  await expect(r.locator('#all-runs')).toHaveText(String(runs.length));
  await expect(r.locator('#best1-time')).toHaveText(/^0:0\d:\d\d$/);
  await page.screenshot({ path: info.outputPath('records.png') });

  // The bar of this week, just above its foot: the calendar shows that week's runs.
  const chart = r.locator('widget[id="5002"]');
  const box = await chart.boundingBox();
  const plotLeft = 58, plotRight = box.width - 26, x = plotLeft + (51.5 / 52) * (plotRight - plotLeft);
  await chart.hover({ position: { x, y: box.height - 34 } });
  await expect(chart.locator('.dv-tooltip')).toContainText('からの週');
  await chart.click({ position: { x, y: box.height - 34 } });
  await expect(page.frame({ name: 'main' }).locator('#tab1-s')).toBeVisible();
  await expect(f.locator('widget[id="6000"] .dv-lv-row').first()).toContainText('~');

  // The fastest kilometre: its run opened, its first point on the map, its splits listed.
  await page.frame({ name: 'main' }).click('#tabrec');
  await r.locator('#best1').click();
  await expect(page.frame({ name: 'main' }).locator('#tab1-s')).toBeVisible();
  await expect(f.locator('widget[id="6000"] img[src*="211.png"]')).toHaveCount(1);
  const map = page.frames().find((x) => x.url().endsWith('/Html/maps.html'));
  await expect(map.locator('.dv-pulse')).toHaveCount(1);
  await f.locator('#ltab3').click();
  await expect(f.locator('#splitrows tr').first()).toContainText(/^1\s*0:0\d:\d\d/);
  await page.screenshot({ path: info.outputPath('splits.png') });
});
