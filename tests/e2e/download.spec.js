// "download" and "dellog" on the function page against the simulated demo watch: the
// download dialog shows its progress and closes by itself, the runs land in velcan.db
// (read by a second program while the first still runs), and erasing asks first.
const { execFileSync, spawnSync } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const { test, expect } = require('@playwright/test');
const { startServer, exePath, openApp } = require('./server');

let server;
test.beforeAll(async () => { server = await startServer({ args: ['--simulate-watch'] }); });
test.afterAll(async () => { if (server) expect((await server.stop()).code).toBe(0); });

// Records, in the top page, every dialog that opens and closes and every text its
// MsgText elements show; and, from the socket, every text C++ sent to a dialog.
async function open(page, srv = server) {
  const sent = [];
  page.on('websocket', (ws) => ws.on('framereceived', (f) => {
    let ops;
    try { ops = JSON.parse(f.payload); } catch (e) { return; }
    // A page that (re)loads gets its kept state again: not a text C++ sent anew.
    if (!Array.isArray(ops) || ops.some((op) => op && op.op === 'replayed')) return;
    for (const op of ops)
      if (op && (op.op === 'text' || op.op === 'style') && String(op.frame).startsWith('dlg/')) sent.push(op);
  }));
  await page.addInitScript(() => {
    const isDialog = (n) => n.classList && n.classList.contains('dv-modal');
    if (window === window.top) {
      window.__dl = [];
      new MutationObserver((records) => {
        for (const r of records) {
          for (const n of r.addedNodes)
            if (isDialog(n)) window.__dl.push({ open: n.dataset.dvDialog, src: n.firstChild.getAttribute('src') });
          for (const n of r.removedNodes)
            if (isDialog(n)) window.__dl.push({ close: n.dataset.dvDialog });
        }
      }).observe(document, { childList: true, subtree: true });
      return;
    }
    const fe = window.frameElement;
    if (!fe || !fe.classList.contains('dv-dialog')) return;
    const frame = fe.dataset.dvFrame;
    const last = {};
    new MutationObserver(() => {
      for (const id of ['MsgText', 'MsgText1']) {
        const el = document.getElementById(id);
        if (el && el.textContent && el.textContent !== last[id]) {
          last[id] = el.textContent;
          window.top.__dl.push({ frame, id, text: el.textContent });
        }
      }
    }).observe(document, { childList: true, subtree: true, characterData: true });
  });
  const { main } = await openApp(page, srv.url);
  return { main, sent, log: () => page.evaluate(() => window.__dl) };
}

function storedRuns() {
  const out = execFileSync(exePath(), ['runs', '--data-dir', server.dataDir], { timeout: 10000 });
  return out.toString().split('\n').filter((l) => l);
}

test('download shows its dialog with the progress, closes it and stores the runs', async ({ page }) => {
  const { main, sent, log } = await open(page);
  expect(storedRuns()).toEqual([]);
  await main.click('#download');
  await expect.poll(async () => (await log()).filter((e) => e.close).length).toBe(1);
  await expect(page.locator('iframe.dv-dialog')).toHaveCount(0);

  const events = await log();
  const opened = events.filter((e) => e.open);
  expect(opened.length).toBe(1);
  expect(opened[0].src).toBe('/210.html');
  const frame = opened[0].open;
  expect(events.findIndex((e) => e.close === frame)).toBe(events.length - 1);

  // What C++ sent: the first text, then each log's progress in steps, ending on N-N.
  const texts = sent.filter((op) => op.frame === frame && op.id === 'MsgText').map((op) => op.value);
  expect(texts[0]).toBe('Download data to your pc...');
  const steps = texts.slice(1).map((t) => /^履歴(\d+) (\d+)-(\d+)$/.exec(t));
  expect(steps.every((m) => m !== null)).toBe(true);
  expect(steps.some((m) => m[3] === '64')).toBe(true);
  for (let i = 1; i < steps.length; i++) {
    const [a, b] = [steps[i - 1], steps[i]];
    const later = Number(b[1]) > Number(a[1]) || (b[1] === a[1] && Number(b[3]) > Number(a[3]));
    expect(later, a[0] + ' then ' + b[0]).toBe(true);
  }
  const final = steps[steps.length - 1];
  expect(final[1]).toBe('5');
  expect(final[2]).toBe(final[3]);

  // What the dialog showed: texts that were sent, in the order they were sent.
  const shown = events.filter((e) => e.frame === frame && e.id === 'MsgText').map((e) => e.text);
  let at = -1;
  for (const t of shown) {
    const next = texts.indexOf(t, at + 1);
    expect(next, 'shown "' + t + '"').toBeGreaterThan(at);
    at = next;
  }

  // The five demo runs, readable by a second program while this one runs.
  const runs = storedRuns();
  expect(runs.length).toBe(5);
  // A second press finds them stored: a new dialog with only its first text.
  sent.length = 0;
  await main.click('#download');
  await expect.poll(async () => (await log()).filter((e) => e.close).length).toBe(2);
  const second = (await log()).filter((e) => e.open)[1].open;
  expect(sent.filter((op) => op.frame === second && op.id === 'MsgText').map((op) => op.value)).toEqual(['Download data to your pc...']);
  expect(storedRuns()).toEqual(runs);
});

test('dellog asks first; "いいえ" closes the question, "はい" erases without a message', async ({ page }) => {
  const { main, log } = await open(page);
  const dialog = page.frameLocator('iframe.dv-dialog');
  const before = storedRuns();

  await main.click('#dellog');
  await expect(dialog.locator('#MsgText1')).toHaveText('この履歴を消しても宜しいでしょうか？');
  await dialog.locator('#MsgBtn', { hasText: 'いいえ' }).click();
  await expect(page.locator('iframe.dv-dialog')).toHaveCount(0);

  await main.click('#dellog');
  await expect(dialog.locator('#MsgText1')).toHaveText('この履歴を消しても宜しいでしょうか？');
  await dialog.locator('#MsgBtn', { hasText: 'はい' }).click();
  await expect(page.locator('iframe.dv-dialog')).toHaveCount(0);
  // The handler has returned once the next click is answered; no message came meanwhile.
  await main.click('#tab2');
  await expect(main.locator('#framepage2')).toBeVisible();
  await main.click('#tab1');
  const pages = (await log()).filter((e) => e.open).map((e) => e.src);
  expect(pages).toEqual(['/209.html', '/209.html']);
  expect(storedRuns()).toEqual(before);  // the stored runs stay

  // The watch is empty now: a download stores nothing more.
  await main.click('#download');
  await expect.poll(async () => (await log()).filter((e) => e.close).length).toBe(3);
  expect(storedRuns()).toEqual(before);
});

test.describe('with long logs', () => {
  // Three logs of 60000 fixes: many progress steps over three logs.
  let big;
  test.beforeAll(async () => {
    const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'dorvath-e2e-'));
    const day = Math.floor(Date.now() / 1000) - 3 * 86400;
    const logs = [0, 1, 2].map((i) => ({ start_time: day + i * 7200, generate: { points: 60000, seed: i + 1 } }));
    fs.writeFileSync(path.join(dir, 'long.json'), JSON.stringify({ logs }));
    big = await startServer({ dataDir: dir, args: ['--simulate-watch=' + path.join(dir, 'long.json')] });
  });
  test.afterAll(async () => { if (big) await big.stop(); });

  test('the dialog shows the progress while it runs and then closes', async ({ page }) => {
    const { main, sent, log } = await open(page, big);
    await main.click('#download');
    // How long the dialog stays up depends on the machine: judge what C++ sent it, not
    // what the screen happened to show.
    await expect.poll(async () => (await log()).filter((e) => e.close).length, { timeout: 60000 }).toBe(1);
    await expect(page.locator('iframe.dv-dialog')).toHaveCount(0);
    const frame = (await log()).find((e) => e.open).open;
    const texts = sent.filter((op) => op.frame === frame && op.id === 'MsgText').map((op) => op.value);
    expect(texts[0]).toBe('Download data to your pc...');
    for (const n of [1, 2, 3])
      expect(texts.some((t) => new RegExp('^履歴' + n + ' (\\d+)-\\1$').test(t)), 'log ' + n + ' completed').toBe(true);
    const out = execFileSync(exePath(), ['runs', '--data-dir', big.dataDir], { timeout: 10000 });
    expect(out.toString().split('\n').filter((l) => l).length).toBe(3);
  });
});

test.describe('with a slow watch', () => {
  // Three runs of today on a watch that takes its time: long enough to press "キャンセル"
  // while the second is read.
  let slow;
  test.beforeAll(async () => {
    const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'dorvath-e2e-'));
    const now = new Date();
    const today = Date.UTC(now.getFullYear(), now.getMonth(), now.getDate()) / 1000;
    const logs = [0, 1, 2].map((i) => ({ start_time: today + 600 * (i + 1), generate: { points: 6000, seed: i + 1 } }));
    const scenario = { settings: { utc_bias: 0, daylight: 0 }, report_delay_us: 300, logs };
    fs.writeFileSync(path.join(dir, 'slow.json'), JSON.stringify(scenario));
    slow = await startServer({ dataDir: dir, args: ['--simulate-watch=' + path.join(dir, 'slow.json')] });
  });
  test.afterAll(async () => { if (slow) await slow.stop(); });

  test('"キャンセル" closes the dialog and the list shows the run stored before it', async ({ page }) => {
    const { main, log } = await open(page, slow);
    const list = page.frame({ name: 'page1' });
    await expect(list.locator('#tracknum')).toHaveText('合計 0 履歴');
    await main.click('#download');
    const dialog = page.frameLocator('iframe.dv-dialog');
    await expect(dialog.locator('#MsgText')).toHaveText(/^履歴2 /, { timeout: 30000 });
    await dialog.locator('#cancel', { hasText: 'キャンセル' }).click();
    await expect.poll(async () => (await log()).filter((e) => e.close).length).toBe(1);
    await expect(page.locator('iframe.dv-dialog')).toHaveCount(0);
    await expect(list.locator('#tracknum')).toHaveText('合計 1 履歴');
    await expect(list.locator('widget[id="6000"] .dv-lv-row')).toHaveCount(1);
    const out = execFileSync(exePath(), ['runs', '--data-dir', slow.dataDir], { timeout: 10000 });
    const runs = out.toString().split('\n').filter((l) => l);
    expect(runs.length).toBe(1);
    expect(runs[0].split('\t')[3]).toBe('6000');
  });
});

// Eight logs of 200 records: the bar fills with each log's records and the count rises to
// 8/8; a watch that stops answering in the third log leaves both where they were.
test('the download bar rises to 8/8 and stays where a stopped watch left it', async ({ page }) => {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'dorvath-e2e-'));
  const day = Math.floor(Date.now() / 1000) - 5 * 86400;
  const logs = [...Array(8).keys()].map((i) => ({ start_time: day + i * 3600, generate: { points: 200, lap_every_m: 0, seed: i + 1 } }));
  for (const [name, faults] of [['all', {}], ['stops', { stop_after_reports: 520 }]]) {
    fs.writeFileSync(path.join(dir, name + '.json'), JSON.stringify({ logs, faults, report_delay_us: 200 }));
    const srv = await startServer({ args: ['--simulate-watch=' + path.join(dir, name + '.json')] });
    const tab = await page.context().newPage();
    try {
      const { main, sent, log } = await open(tab, srv);
      await main.click('#download');
      await expect.poll(async () => (await log()).filter((e) => e.close).length, { timeout: 30000 }).toBe(1);
      const frame = (await log()).find((e) => e.open).open;
      const counts = sent.filter((op) => op.frame === frame && op.id === 'dlcount').map((op) => op.value);
      const bars = sent.filter((op) => op.frame === frame && op.id === 'dlbar').map((op) => parseFloat(op.value));
      const done = counts.map((c) => Number(c.split('/')[0]));
      expect(done.every((n, i) => i === 0 || n >= done[i - 1])).toBe(true);
      expect(counts.every((c) => c.endsWith('/8'))).toBe(true);
      if (name === 'all') {
        expect(counts[counts.length - 1]).toBe('8/8');
        expect(bars.some((b) => b > 0 && b < 100)).toBe(true);
        expect(bars[bars.length - 1]).toBe(100);
      } else {
        expect(counts[counts.length - 1]).toBe('2/8');
        expect(bars[bars.length - 1]).toBeGreaterThan(0);  // held, not emptied
        expect(bars[bars.length - 1]).toBeLessThan(100);
      }
    } finally {
      await tab.close();
      await srv.stop();
    }
  }
});

test('a simulated watch that cannot be used stops the start with status 2', () => {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'dorvath-e2e-'));
  try {
    const r = spawnSync(exePath(), ['--simulate-watch=' + path.join(dir, 'missing.json'), 'runs', '--data-dir', dir],
                        { timeout: 10000 });
    expect(r.status).toBe(2);
    expect(r.stderr.toString()).toContain('missing.json');
  } finally {
    fs.rmSync(dir, { recursive: true, force: true });
  }
});
