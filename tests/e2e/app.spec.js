// The application's own pages in browser mode: nested as 201 > 202 > 204 / 205 with
// their ids, media type, and the frame's "close" ending the program.
const fs = require('fs');
const path = require('path');
const { test, expect } = require('@playwright/test');
const { startServer, openApp } = require('./server');

// The ids and form names of a page as its source has them.
function sourceNames(file) {
  const html = fs.readFileSync(path.join(__dirname, '..', '..', 'resources', 'pages', file), 'utf8');
  const all = (attr) => [...html.matchAll(new RegExp('\\s' + attr + '="([^"]+)"', 'g'))].map((m) => m[1]);
  return { ids: all('id'), names: all('name') };
}

let server;
test.beforeAll(async () => { server = await startServer(); });
test.afterAll(async () => { if (server) await server.stop(); });

function frameOf(page, name) {
  return name === '' ? page.mainFrame() : page.frame({ name });
}

test('the nested pages load with their element ids and form controls', async ({ page }, info) => {
  await openApp(page, server.url);
  expect(new URL(page.url()).pathname).toBe('/201.html');
  expect(new URL(frameOf(page, 'main').url()).pathname).toBe('/202.html');
  expect(new URL(frameOf(page, 'page1').url()).pathname).toBe('/204.html');
  expect(new URL(frameOf(page, 'page2').url()).pathname).toBe('/205.html');
  // Every id and form name of each page's source is there as the page was served.
  for (const [name, file] of Object.entries({ '': '201.html', main: '202.html', page1: '204.html', page2: '205.html' })) {
    const missing = await frameOf(page, name).evaluate(({ ids, names }) =>
      ids.filter((id) => !document.getElementById(id)).concat(names.filter((n) => !document.getElementsByName(n).length)),
    sourceNames(file));
    expect(missing, 'missing in ' + file).toEqual([]);
    expect(sourceNames(file).ids.length).toBeGreaterThan(5);
  }
  // The widgets became components with their control ids.
  const widgets = await frameOf(page, 'page1').evaluate(() => Array.from(window.__dv.widgets.keys()).sort());
  expect(widgets).toEqual([2000, 5000, 5001, 6000, 6001, 6004]);
  const mapFrame = await frameOf(page, 'page1').evaluate(() => document.querySelector('iframe.dv-ie').dataset.dvFrame);
  expect(mapFrame).toBe('main/page1/map');
  await page.screenshot({ path: info.outputPath('nested-pages.png') });
});

test('a system asking for more contrast gets the contrast-screen media', async ({ page }) => {
  await page.emulateMedia({ forcedColors: 'active' });
  await openApp(page, server.url);
  await expect(page.locator('html')).toHaveClass(/contrast-screen/);
  await expect(frameOf(page, 'page1').locator('html')).toHaveClass(/contrast-screen/);
});

test('a second start on the same data folder prints the address and leaves', async () => {
  const { execFileSync } = require('child_process');
  const exe = process.env.DORVATH_EXE || path.join(process.env.DORVATH_BINARY || 'build', 'dorvath');
  const out = execFileSync(exe, ['--serve', '--data-dir', server.dataDir], { timeout: 10000 }).toString();
  expect(out.trim()).toBe('Open ' + server.url);
});

test('the frame page\'s close ends the program and leaves the database closed', async ({ page }) => {
  await openApp(page, server.url);
  await page.click('#close');
  const r = await server.exited;
  expect(r.code).toBe(0);
  expect(fs.existsSync(path.join(server.dataDir, 'velcan.db'))).toBe(true);
  expect(fs.existsSync(path.join(server.dataDir, 'velcan.db-journal'))).toBe(false);
});
