// The application's own pages in browser mode: nested as 201 > 202 > 204 / 205 with
// their ids, media type, and the frame's "close" ending the program.
const fs = require('fs');
const path = require('path');
const { test, expect } = require('@playwright/test');
const { startServer, openApp } = require('./server');

const ids = {
  '': ['icon', 'caption', 'minimize', 'maximize', 'restore', 'close', 'content', 'framepage'],
  main: ['tab1', 'tab1-s', 'tab2', 'tab2-s', 'download', 'dellog', 'help', 'framepage1', 'framepage2'],
  page1: ['lastmon', 'nextmon', 'today', 'calendardate', 'tracknum', 'tkopen', 'tksave', 'tkmenu',
          'ontkgpx', 'ontkkml', 'ontkdel', 'listpage', 'ltab1', 'ltab2', 'onback', 'onplay', 'onpause',
          'onforward', 'onstop', 'list1', 'list2', '5000', '6000', '6001', '2000', '5001', '6004'],
  page2: ['utc_dec', 'utc_add', 'utc', 'fwversion', 'fwtxt', 'onsetread', 'onsetsave', 'onbinfile',
          'onupdate', 'lap_dist_text', 'tag_dist_text'],
};
const settingsNames = ['weight', 'tformat', 'nightmode', 'bk_light', 'display', 'auto_pause_mode',
  'auto_pause_spd', 'interval', 'daylight', 'buzzer', 'buzzer_auto_lap', 'buzzer_interval', 'hour0',
  'min0', 'alarm0', 'hour1', 'min1', 'alarm1', 'hour2', 'min2', 'alarm2', 'lap_mode', 'lap_dist',
  'lap_time', 'lap_disp', 'tag_dist_mode', 'tag_dist', 'tag_time_mode', 'tag_time', 'fast_run_mode',
  'fast_run_dist', 'fast_run_time', 'slow_run_mode', 'slow_run_dist', 'slow_run_time', 'run_count',
  'binfile'];

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
  for (const [name, list] of Object.entries(ids)) {
    const frame = frameOf(page, name);
    const missing = await frame.evaluate((l) => l.filter((id) => !document.getElementById(id)), list);
    expect(missing, 'ids missing in frame "' + name + '"').toEqual([]);
  }
  const page2 = frameOf(page, 'page2');
  const missingNames = await page2.evaluate((l) => l.filter((n) => document.getElementsByName(n).length === 0),
                                            settingsNames);
  expect(missingNames).toEqual([]);
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
