// The map: a run's line drawn by Leaflet from log.xml, the car of playback, the pulse of a
// clicked point, tiles only through our own server (from a stand-in tile server here), and
// with that server gone, the tiles seen before and a notice that says so.
const fs = require('fs');
const os = require('os');
const path = require('path');
const { test, expect } = require('@playwright/test');
const { startServer, listPage, dataWithRuns, showLastRunDay } = require('./server');
const { startTileServer } = require('./tile_standin');

let tiles, cache, dataDir;
test.beforeAll(async () => {
  tiles = await startTileServer();
  cache = fs.mkdtempSync(path.join(os.tmpdir(), 'dorvath-e2e-tiles-'));
  dataDir = dataWithRuns();
});
test.afterAll(async () => {
  if (tiles) await tiles.stop();
  fs.rmSync(cache, { recursive: true, force: true });
});

async function withServer(tileServer, body, tileCache = cache) {
  process.env.DORVATH_TEST_CACHE = tileCache;
  const copy = fs.mkdtempSync(path.join(os.tmpdir(), 'dorvath-e2e-map-'));
  fs.copyFileSync(path.join(dataDir, 'velcan.db'), path.join(copy, 'velcan.db'));
  const server = await startServer({ dataDir: copy, args: ['--tile-server', tileServer] });
  try { await body(server); } finally { await server.stop(); delete process.env.DORVATH_TEST_CACHE; }
}

// The list page with the last day that has runs selected.
async function showRunDay(page, server) {
  const f = await listPage(page, server);
  await showLastRunDay(f);
  return f;
}

const mapFrame = (page) => page.frames().find((x) => x.url().endsWith('/Html/maps.html'));

async function openRun(page, server) {
  const f = await showRunDay(page, server);
  await f.locator('widget[id="6000"] .dv-lv-row').first().dblclick();
  await expect.poll(() => mapFrame(page) !== undefined).toBe(true);
  return { f, map: mapFrame(page) };
}

test('a run on the map: its line, the car of playback, a clicked point pulsed, tiles through our server', async ({ page }, info) => {
  await withServer(tiles.template, async (server) => {
    const { f, map } = await openRun(page, server);
    await expect(map.locator('.leaflet-overlay-pane svg path').first()).toBeAttached();
    await expect(map.locator('.leaflet-control-attribution')).toContainText('© OpenStreetMap contributors');
    const points = Number(await map.locator('html').getAttribute('data-line-points'));
    expect(points).toBeGreaterThan(100);

    await f.locator('#onplay').click();
    await expect(map.locator('html')).toHaveAttribute('data-car', /\d/);
    const first = await map.locator('html').getAttribute('data-car');
    await expect.poll(() => map.locator('html').getAttribute('data-car')).not.toBe(first);
    await expect(map.locator('.leaflet-marker-pane img[src="/images/car.png"]')).toHaveCount(1);
    await page.screenshot({ path: info.outputPath('map-playback.png') });
    await f.locator('#onstop').click();

    await f.locator('#ltab2').click();
    await f.locator('widget[id="6004"] .dv-lv-row').nth(4).click();
    await expect(map.locator('.dv-pulse')).toHaveCount(1);

    // Every tile the page shows came from our server, which fetched it under its own name;
    // tiles have a port of their own, so that they never hold up the pages.
    const srcs = await map.locator('.leaflet-tile-pane img').evaluateAll((els) => els.map((e) => e.getAttribute('src')));
    expect(srcs.length).toBeGreaterThan(0);
    const tileOrigin = new URL(srcs[0]).origin;
    expect(tileOrigin).not.toBe(server.origin);
    for (const s of srcs) expect(s).toMatch(/^http:\/\/127\.0\.0\.1:\d+\/tiles\/\d+\/\d+\/\d+\.png$/);
    await expect.poll(() => tiles.requests.filter((r) => /^\/\d+\/\d+\/\d+\.png$/.test(r.url)).length).toBeGreaterThan(0);
    for (const r of tiles.requests) expect(r.agent).toMatch(/^(DORVATH\/\S+ |InetURL\/1\.0$)/);
    // A path that is no tile is refused without asking the tile server.
    for (const bad of ['/tiles/20/0/0.png', '/tiles/3/8/0.png', '/tiles/a/0/0.png'])
      expect((await page.request.get(tileOrigin + bad)).status(), bad).toBe(400);
    // A line asked for and cleared before its file came back is not drawn after all.
    const late = await map.evaluate(async () => {
      window.putTKLine('/log.xml');
      window.clrTKLine();
      await new Promise((r) => setTimeout(r, 500));
      return document.documentElement.dataset.linePoints;
    });
    expect(late).toBe('0');
    const asked = tiles.requests.map((r) => r.url);
    for (const never of ['/20/0/0.png', '/3/8/0.png', '/a/0/0.png']) expect(asked).not.toContain(never);

    // A long line drawn from its file: how soon after the call (printed, not asserted).
    const ms = await map.evaluate(async () => {
      let xml = '<?xml version="1.0" ?><track>';
      for (let i = 0; i < 3999; i++) xml += `<point id="${i}" lat="${(35.6 + i * 1e-5).toFixed(6)}" lng="${(139.7 + Math.sin(i / 50) * 1e-3).toFixed(6)}" />`;
      xml += '</track>';
      const url = URL.createObjectURL(new Blob([xml], { type: 'application/xml' }));
      const t0 = performance.now();
      await window.putTKLine(url);
      await new Promise((r) => requestAnimationFrame(() => r()));
      return performance.now() - t0;
    });
    expect(Number(await map.locator('html').getAttribute('data-line-points'))).toBe(3999);
    console.log(`map: a 3,999-point line drawn ${ms.toFixed(1)} ms after putTKLine`);
  });
});

test('without the tile server: the tiles seen before still show, and the map says so', async ({ page }, info) => {
  // Seen once while the tile server answers, then it goes away.
  const gone = await startTileServer();
  const template = gone.template;
  await withServer(template, async (server) => {
    const { map } = await openRun(page, server);
    await expect.poll(() => map.locator('.leaflet-tile-pane img.leaflet-tile-loaded').count()).toBeGreaterThan(0);
  });
  await gone.stop();
  await withServer(template, async (server) => {
    const { map } = await openRun(page, server);
    await expect(map.locator('.leaflet-overlay-pane svg path').first()).toBeAttached();
    await expect(map.locator('#notice')).toBeVisible();
    await expect(map.locator('#notice')).toContainText('地図サービスに接続できません');
    // The same view as before: its tiles come from the cache.
    await expect.poll(() => map.locator('.leaflet-tile-pane img.leaflet-tile-loaded').count()).toBeGreaterThan(0);
    await page.screenshot({ path: info.outputPath('map-offline.png') });
  });
});

test('a tile server that never answers holds up neither the pages nor the line', async ({ page }) => {
  const silent = require('net').createServer(() => { /* takes the connection, never answers */ });
  await new Promise((resolve) => silent.listen(0, '127.0.0.1', resolve));
  const empty = fs.mkdtempSync(path.join(os.tmpdir(), 'dorvath-e2e-tiles-'));  // nothing cached
  try {
    await withServer(`http://127.0.0.1:${silent.address().port}/{z}/{x}/{y}.png`, async (server) => {
      const f = await showRunDay(page, server);
      await expect.poll(() => mapFrame(page) !== undefined).toBe(true);
      // A dozen tiles (more than a browser's connections to one port) wait on the silent
      // server while the run is opened: those of the view, and more asked the same way.
      const tile = mapFrame(page).locator('.leaflet-tile-pane img').first();
      await expect(tile).toBeAttached();
      await tile.evaluate((img) => {
        const base = img.src.slice(0, img.src.indexOf('/tiles/'));
        for (let i = 0; i < 12; i++) fetch(`${base}/tiles/16/${58000 + i}/26000.png`).catch(() => {});
      });
      const t0 = Date.now();
      await f.locator('widget[id="6000"] .dv-lv-row').first().dblclick();
      await expect.poll(async () => Number(await mapFrame(page).locator('html').getAttribute('data-line-points')),
                        { timeout: 2000 }).toBeGreaterThan(1);
      console.log(`map: the line drawn ${Date.now() - t0} ms after the double-click, tiles never answered`);
    }, empty);
  } finally {
    silent.close();
    fs.rmSync(empty, { recursive: true, force: true });
  }
});
