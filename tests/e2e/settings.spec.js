// The settings page "本体設定" against a simulated watch: defaults at the first start, a
// save that a second start shows again, reading the watch's settings and firmware version,
// and a firmware update chosen through the page's file dialog with its block count.
const fs = require('fs');
const os = require('os');
const path = require('path');
const { test, expect } = require('@playwright/test');
const { startServer, openApp } = require('./server');

let server;
let dir;
test.beforeAll(async () => {
  dir = fs.mkdtempSync(path.join(os.tmpdir(), 'dorvath-e2e-'));
  // A watch that answers a little slower than at once, as a real one does, so the update
  // lasts long enough to be seen.
  fs.writeFileSync(path.join(dir, 'watch.json'), JSON.stringify({
    firmware_version: 'V3.1',
    settings: { weight: 83, utc_bias: 300, lap_time: 7 },
    report_delay_us: 250,
  }));
  // The firmware images: a good one (image and trailer 00 52 AA AA) and a short one.
  const image = Buffer.alloc(786436);
  for (let i = 0; i < 786432; ++i) image[i] = (i * 7 + (i >> 12)) & 0xff;
  image.writeUInt32LE(0xAAAA5200, 786432);
  fs.writeFileSync(path.join(dir, 'good.bin'), image);
  fs.writeFileSync(path.join(dir, 'bad.bin'), image.subarray(0, 4096));
});
test.afterAll(async () => {
  if (server) await server.stop();
  fs.rmSync(dir, { recursive: true, force: true });
});

function start(dataDir) {
  return startServer({ dataDir, args: ['--simulate-watch=' + path.join(dir, 'watch.json')] });
}

// Opens the app on the settings tab; `painted` collects the texts C++ paints into dialogs.
async function open(page, srv) {
  const painted = [];
  page.on('websocket', (ws) => ws.on('framereceived', (f) => {
    let ops;
    try { ops = JSON.parse(f.payload); } catch (e) { return; }
    if (!Array.isArray(ops)) return;
    for (const op of ops)
      if (op && op.op === 'paint' && String(op.frame).startsWith('dlg/'))
        painted.push((op.items || []).filter((it) => it[0] === 't').map((it) => it[6]));
  }));
  const { main, page2: settings } = await openApp(page, srv.url, ['main', 'page2']);
  await main.click('#tab2');
  await expect(settings.locator('#onsetsave')).toBeVisible();
  return { settings, painted };
}

async function dismiss(page, text) {
  const dialog = page.frameLocator('iframe.dv-dialog');
  await expect(dialog.locator('#MsgText1')).toHaveText(text);
  await dialog.locator('#MsgBtn').click();
  await expect(page.locator('iframe.dv-dialog')).toHaveCount(0);
}

async function chooseFile(page, settings, file) {
  await settings.click('#onbinfile');
  const dialog = page.frameLocator('iframe.dv-dialog');
  await expect(dialog.locator('#fdFilter option').first()).toHaveText('Bin Files (*.bin)');
  await dialog.locator('input[name=filename]').fill(file);
  await dialog.locator('#fdOk').click();
  await expect(page.locator('iframe.dv-dialog')).toHaveCount(0);
  await expect(settings.locator('input[name=binfile]')).toHaveValue(file);
}

test('defaults at first start; a saved weight and time zone are there at the next start', async ({ page }, info) => {
  const data = fs.mkdtempSync(path.join(os.tmpdir(), 'dorvath-e2e-'));
  let srv = await start(data);
  let { settings } = await open(page, srv);
  await expect(settings.locator('input[name=weight]')).toHaveValue('60');
  await expect(settings.locator('#utc')).toHaveText('UTC+09:00');
  await expect(settings.locator('input[name=lap_time]')).toHaveValue('05');
  await expect(settings.locator('input[name=fast_run_dist]')).toHaveValue('3.0');
  await expect(settings.locator('select[name=bk_light]')).toHaveValue('0');
  await expect(settings.locator('input[name=display]').nth(1)).toBeChecked();
  await page.screenshot({ path: info.outputPath('settings-page.png') });

  // A weight of 0 is saved as 1 and shown so; then 72 and UTC+10:00.
  await settings.fill('input[name=weight]', '0');
  await settings.click('#onsetsave');
  await expect(settings.locator('input[name=weight]')).toHaveValue('1');
  // A decimal or a weight over 299 shows what saving will store as soon as the box is left.
  for (const [typed, saved] of [['60.5', '60'], ['350', '299']]) {
    await settings.fill('input[name=weight]', typed);
    await settings.locator('input[name=weight]').blur();
    await expect(settings.locator('input[name=weight]')).toHaveValue(saved);
  }
  await settings.fill('input[name=weight]', '72');
  await settings.click('#utc_add');
  await settings.click('#utc_add');
  await expect(settings.locator('#utc')).toHaveText('UTC+10:00');
  await settings.click('#onsetsave');
  await expect.poll(() => {
    const f = path.join(data, 'setting.dat');
    if (!fs.existsSync(f)) return null;
    const b = fs.readFileSync(f);
    return [b.length, b.readInt32LE(104), b.readInt32LE(120)];
  }).toEqual([132, 72, -600]);
  await expect(page.locator('iframe.dv-dialog')).toHaveCount(0);  // a save says nothing

  // The same data folder again: the page shows what was saved.
  srv.child.kill('SIGTERM');
  expect((await srv.exited).code).toBe(0);
  srv = await start(data);
  try {
    ({ settings } = await open(page, srv));
    await expect(settings.locator('input[name=weight]')).toHaveValue('72');
    await expect(settings.locator('#utc')).toHaveText('UTC+10:00');
  } finally {
    await srv.stop();
  }
});

test('reads the watch settings and firmware version; updates the firmware with its count', async ({ page }, info) => {
  server = await start();
  const { settings, painted } = await open(page, server);
  await settings.click('#onsetread');
  await expect(settings.locator('input[name=weight]')).toHaveValue('83');
  await expect(settings.locator('input[name=lap_time]')).toHaveValue('07');
  await expect(settings.locator('#utc')).toHaveText('UTC-05:00');
  await settings.click('#fwversion');
  await expect(settings.locator('#fwtxt')).toHaveText('FW:V3.1');

  // A file that is no image is refused before anything is sent.
  await chooseFile(page, settings, path.join(dir, 'bad.bin'));
  await settings.click('#onupdate');
  await dismiss(page, 'データー式が間違っています');

  await chooseFile(page, settings, path.join(dir, 'good.bin'));
  await settings.click('#onupdate');
  const busy = page.frameLocator('iframe.dv-dialog');
  await expect(busy.locator('text=/^\\d+\\/192$/')).toBeVisible();
  await expect.poll(() => painted.some((t) => /^([4-9]\d|1\d\d)\/192$/.test(t[1] || ''))).toBe(true);
  await page.screenshot({ path: info.outputPath('firmware-update.png') });
  await dismiss(page, '更新が完了しました');

  const counts = painted.filter((t) => /\/192$/.test(t[1] || '')).map((t) => parseInt(t[1], 10));
  expect(counts[counts.length - 1]).toBe(192);
  expect(counts.every((n, i) => i === 0 || n >= counts[i - 1])).toBe(true);
  expect(new Set(counts).size).toBeGreaterThan(10);  // it moved while the user waited
  expect(painted.every((t) => /^Loading\.{0,3}$/.test(t[0]))).toBe(true);
});
