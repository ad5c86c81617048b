// Files written from the list page: a run exported to a name the file system refuses ends
// in the message dialog that says which operation failed and why, and once it is dismissed
// the page goes on working (the next export writes its file).
const fs = require('fs');
const os = require('os');
const path = require('path');
const { test, expect } = require('@playwright/test');
const { startServer, listPage } = require('./server');

let server;
let dir;
test.beforeAll(async () => {
  dir = fs.mkdtempSync(path.join(os.tmpdir(), 'dorvath-e2e-files-'));
  // Two runs of today, so that the list shows them right after the download.
  const now = new Date();
  const today = Date.UTC(now.getFullYear(), now.getMonth(), now.getDate()) / 1000;
  const logs = [0, 1].map((i) => ({ start_time: today + 600 * (i + 1), generate: { points: 300, seed: i + 1 } }));
  fs.writeFileSync(path.join(dir, 'watch.json'), JSON.stringify({ settings: { utc_bias: 0, daylight: 0 }, logs }));
  fs.mkdirSync(path.join(dir, 'out'));
  server = await startServer({ args: ['--simulate-watch=' + path.join(dir, 'watch.json')] });
});
test.afterAll(async () => {
  if (server) await server.stop();
  fs.rmSync(dir, { recursive: true, force: true });
});

// Right-clicks the first run and saves it as GPX under `file` through the page's dialog.
async function exportGpx(page, list, file) {
  const row = list.locator('widget[id="6000"] .dv-lv-row').first();
  await row.click();
  await row.click({ button: 'right' });
  await list.locator('#ontkgpx').click();
  const dialog = page.frameLocator('iframe.dv-dialog');
  await expect(dialog.locator('#fdFilter option').first()).toHaveText('GPX Files (*.gpx)');
  // The dialog empties the name field as it opens: type only once it shows its folder.
  await expect(dialog.locator('#fdPath')).not.toBeEmpty();
  await dialog.locator('input[name=filename]').fill(file);
  await dialog.locator('#fdOk').click();
}

test('a GPX export the file system refuses says why; the next export writes its file', async ({ page }, info) => {
  const list = await listPage(page, server);
  await expect(list.locator('#tracknum')).toHaveText('合計 0 履歴');
  await page.frame({ name: 'main' }).click('#download');
  await expect(list.locator('#tracknum')).toHaveText('合計 2 履歴');
  await expect(page.locator('iframe.dv-dialog')).toHaveCount(0);

  // A name of 90 Japanese characters fits the dialog's length check but is 270 bytes: more
  // than one file name may hold on Linux.
  const long = path.join(dir, 'out', '東京マラソン練習'.repeat(11) + 'ラン.gpx');
  await exportGpx(page, list, long);
  const message = page.frameLocator('iframe.dv-dialog[src="/208.html"]');
  await expect(message.locator('#MsgText1')).toHaveText('エクスポートできませんでした');
  await expect(message.locator('#MsgText2')).toContainText(long);
  await expect(message.locator('#MsgText2')).toContainText('too long');
  await page.screenshot({ path: info.outputPath('export-failed.png') });
  await message.locator('#MsgBtn', { hasText: 'Exit' }).click();
  await expect(page.locator('iframe.dv-dialog')).toHaveCount(0);
  expect(fs.readdirSync(path.join(dir, 'out'))).toEqual([]);  // nothing left behind

  const good = path.join(dir, 'out', 'run.gpx');
  await exportGpx(page, list, good);
  await expect(page.locator('iframe.dv-dialog')).toHaveCount(0);
  await expect.poll(() => fs.existsSync(good)).toBe(true);
  expect(fs.readFileSync(good, 'utf8')).toMatch(/^<\?xml[^]*<\/gpx>\s*$/);
  expect(fs.readdirSync(path.join(dir, 'out'))).toEqual(['run.gpx']);
});
