// The bridge against a test page of its own: clicks and their operations, behaviours,
// dialogs, the loading dialog while C++ blocks, an owner-data list, state after reload.
const { test, expect } = require('@playwright/test');
const { startServer } = require('./server');

let server;
test.beforeAll(async () => { server = await startServer({ testPages: true }); });
test.afterAll(async () => {
  // SIGTERM ends the program cleanly.
  if (server) expect((await server.stop()).code).toBe(0);
});

async function open(page) {
  await page.goto(server.url);
  await expect(page.locator('html')).toHaveAttribute('data-dv-ready', '1');
  expect(new URL(page.url()).pathname).toBe('/test/e2e.html');
}

function dialog(page) {
  return page.frameLocator('iframe.dv-dialog');
}

test('a click reaches C++ and its operations come back; reload restores them', async ({ page }) => {
  await open(page);
  await page.click('#ping span');  // a child of the clickable element reports the element
  await expect(page.locator('#pong')).toHaveText('pong 1');
  await expect(page.locator('#pong')).toHaveCSS('color', 'rgb(200, 0, 0)');
  await page.reload();
  await expect(page.locator('html')).toHaveAttribute('data-dv-ready', '1');
  await expect(page.locator('#pong')).toHaveText('pong 1');
  await page.click('#ping');
  await expect(page.locator('#pong')).toHaveText('pong 2');
});

test('the geometry mirror answers getLocation at once', async ({ page }) => {
  await open(page);
  const box = await page.locator('#ping').boundingBox();
  await page.click('#location');
  await expect(page.locator('#result')).toHaveText('ping ' + Math.round(box.width) + 'x' + Math.round(box.height));
});

test('the yes/no dialog answers 1 and 0 and an empty second text leaves MsgText2 empty', async ({ page }) => {
  await open(page);
  await page.fill('input[name=t1]', 'ログデータを消去してよろしいですか？');
  await page.fill('input[name=t2]', '');
  await page.click('#yesno');
  const d = dialog(page);
  await expect(d.locator('#MsgText1')).toHaveText('ログデータを消去してよろしいですか？');
  await expect(d.locator('#MsgText2')).toHaveText('');
  // Sized to its page and centred over the frame.
  const b = await page.locator('iframe.dv-dialog').boundingBox();
  expect(b.width).toBeGreaterThan(100);
  expect(Math.abs(b.x + b.width / 2 - 450)).toBeLessThan(2);
  await expect.poll(() => d.locator('html').getAttribute('data-dv-beeps')).toBe('1');
  await d.locator('#MsgBtn', { hasText: 'はい' }).click();
  await expect(page.locator('#result')).toHaveText('result 1');
  await expect(page.locator('iframe.dv-dialog')).toHaveCount(0);

  await page.fill('input[name=t2]', '二行目');
  await page.click('#yesno');
  await expect(dialog(page).locator('#MsgText2')).toHaveText('二行目');
  await dialog(page).locator('#MsgBtn', { hasText: 'いいえ' }).click();
  await expect(page.locator('#result')).toHaveText('result 0');
});

test('the exit dialog answers 0', async ({ page }) => {
  await open(page);
  await page.click('#exit');
  await dialog(page).locator('#MsgBtn').click();
  await expect(page.locator('#result')).toHaveText('result 0');
});

test('the loading dialog animates while C++ blocks for 2 s', async ({ page }) => {
  await open(page);
  await page.click('#busy');
  const texts = new Set();
  const started = Date.now();
  while (Date.now() - started < 4000) {
    const t = await page.evaluate(() => {
      const f = document.querySelector('iframe.dv-dialog');
      const doc = f && f.contentDocument;
      const el = doc && doc.querySelector('.dv-t');
      return el ? el.textContent : null;
    });
    if (t) texts.add(t);
    if (await page.locator('#result').textContent() === 'busy done') break;
    await page.waitForTimeout(100);
  }
  await expect(page.locator('#result')).toHaveText('busy done');
  expect(Array.from(texts)).toEqual(expect.arrayContaining(['Loading', 'Loading.', 'Loading..']));
});

test('an owner-data list of 100,000 rows scrolls to row 99,999 and paints it', async ({ page }) => {
  await open(page);
  const list = page.locator('widget[id="7000"]');
  await expect(list.locator('.dv-t', { hasText: /^row 0$/ })).toHaveCount(1);
  await list.locator('.dv-lv-body').evaluate((b) => { b.scrollTop = b.scrollHeight; });
  await expect(list.locator('.dv-t', { hasText: /^row 99999$/ })).toHaveCount(1);
  // Only about the visible rows exist.
  expect(await list.locator('.dv-lv-row').count()).toBeLessThan(30);
  await list.locator('.dv-t', { hasText: /^row 99999$/ }).click();
  await expect(page.locator('#listlog')).toHaveText('click 99999 selected 1');
  await list.locator('.dv-t', { hasText: /^row 99998$/ }).click({ modifiers: ['Shift'] });
  await expect(page.locator('#listlog')).toHaveText('click 99998 selected 2');
  await list.locator('.dv-t', { hasText: /^row 99990$/ }).click({ button: 'right' });
  await expect(page.locator('#listlog')).toHaveText('rclick 99990 selected 1');
});

test('command and tabcommand raise the page command', async ({ page }) => {
  await open(page);
  await page.click('#cmd1');
  await expect(page.locator('#cmdlog')).toHaveText('cmd1');
  // Pressed inside, released outside: no command.
  const b = await page.locator('#cmd1').boundingBox();
  await page.mouse.move(b.x + 5, b.y + 5);
  await page.mouse.down();
  await page.mouse.move(b.x + b.width + 40, b.y + 40);
  await page.mouse.up();
  await page.click('#tabA');
  await expect(page.locator('#cmdlog')).toHaveText('cmd1,tabA');
  await page.dblclick('#tabA');
  await expect(page.locator('#cmdlog')).toHaveText('cmd1,tabA,tabA,tabA,tabAMDC');
  await page.click('.cmd:not([id])');
  await page.click('#cmd1');
  await expect(page.locator('#cmdlog')).toHaveText('cmd1,tabA,tabA,tabA,tabAMDC,cmd1');
});

test('a static control reports mouse down with its position and keys', async ({ page }) => {
  await open(page);
  const w = page.locator('widget[id="7001"]');
  await expect(w.locator('.dv-t')).toHaveText('静的コントロール');
  await w.click({ position: { x: 20, y: 10 }, modifiers: ['Control'] });
  await expect(page.locator('#staticlog')).toHaveText('down 20,10 keys 9');
});

test('form values come back by kind', async ({ page }) => {
  await open(page);
  const form = await page.evaluate(() => window.__dv.readyEvent().form);
  expect(form).toMatchObject({ r: 1, s: 2, n: 42, c: 6, single: true, t1: '最初の行', t2: '' });
});

test('a disabled page takes no input until C++ enables it again (from a page script call)', async ({ page }) => {
  await open(page);
  await page.click('#disable');
  await expect(page.locator('.dv-cover')).toHaveCount(1);
  await page.locator('#ping').click({ force: true }).catch(() => {});
  await page.mouse.click(20, 20);
  await page.evaluate(() => window.external.enable('a', 2));
  await expect(page.locator('#result')).toHaveText('external enable(a,2)');
  await expect(page.locator('.dv-cover')).toHaveCount(0);
  await page.click('#ping');
  // The clicks while disabled did not count (waiting out an answer still on its way).
  await expect(page.locator('#pong')).toHaveText('pong 3');
});

test('a popup shows at a point and its entry hides it', async ({ page }) => {
  await open(page);
  await page.click('#menu');
  const popup = page.locator('#popup');
  await expect(popup).toBeVisible();
  await expect(popup).toHaveCSS('left', '40px');
  await expect(popup).toHaveCSS('top', '50px');
  await page.click('#menuitem');
  await expect(page.locator('#result')).toHaveText('menu item');
  await expect(popup).toBeHidden();
});

test('a static control shows the tooltip C++ gives it', async ({ page }) => {
  await open(page);
  const w = page.locator('widget[id="7001"]');
  await w.hover({ position: { x: 30, y: 12 } });
  await expect(w.locator('.dv-tooltip')).toHaveText('at 30,12');
  await page.mouse.move(600, 600);
  await expect(w.locator('.dv-tooltip')).toHaveCount(0);
});

test('list keys: arrows move the selection, Ctrl+A is only reported, the header shows its columns', async ({ page }) => {
  await open(page);
  const list = page.locator('widget[id="7000"]');
  await expect(list.locator('.dv-lv-col')).toHaveText(['No', 'Value']);
  await list.locator('.dv-t', { hasText: /^row 2$/ }).click();
  await page.keyboard.press('ArrowDown');
  await expect(page.locator('#listlog')).toHaveText('key ArrowDown keys 0 selected 1 mark 3');
  await page.keyboard.press('Control+a');
  await expect(page.locator('#listlog')).toHaveText('key a keys 8 selected 1 mark 3');
  // The moved selection is painted by C++ (selected rows get their own colours).
  await expect(list.locator('.dv-lv-row[data-row="3"] .dv-i').first()).toHaveCSS('background-color', 'rgb(51, 102, 204)');
});

test('a dialog open while the page reloads comes back and still answers', async ({ page }) => {
  await open(page);
  await page.fill('input[name=t1]', '再読み込み');
  await page.click('#yesno');
  await expect(dialog(page).locator('#MsgText1')).toHaveText('再読み込み');
  await page.reload();
  await expect(page.locator('html')).toHaveAttribute('data-dv-ready', '1');
  await expect(dialog(page).locator('#MsgText1')).toHaveText('再読み込み');
  await dialog(page).locator('#MsgBtn', { hasText: 'はい' }).click();
  await expect(page.locator('#result')).toHaveText('result 1');
  await expect(page.locator('iframe.dv-dialog')).toHaveCount(0);
});

test('widget rules: control ids, types and style words', async ({ page }) => {
  // In a frame of its own: the top frame shows the page C++ loaded into it.
  await open(page);
  await page.evaluate(() => {
    const f = document.createElement('iframe');
    f.name = 'widgets';
    f.src = '/test/widgets.html';
    document.body.appendChild(f);
  });
  await expect.poll(() => page.frame({ name: 'widgets' })?.evaluate(() => document.readyState)).toBe('complete');
  const got = await page.frame({ name: 'widgets' }).evaluate(() => {
    const out = {};
    for (const el of document.querySelectorAll('widget')) {
      const w = el.__dvWidget;
      out[el.dataset.t] = w ? { type: w.type, ctl: w.ctl, words: Array.from(w.words).sort() } : null;
    }
    return out;
  });
  expect(got).toEqual({
    lv: { type: 'sys-listview', ctl: 6004, words: ['BORDER', 'CLIENTEDGE', 'OWNERDATA', 'OWNERDRAWFIXED', 'REPORT'] },
    // A word written as a value adds nothing; a widget without an id is control 0.
    noid: { type: 'sys-static', ctl: 0, words: ['NOTIFY'] },
    textid: { type: 'sys-edit', ctl: 0, words: [] },
    spaced: { type: 'sys-ie', ctl: 2000, words: [] },
    // A type not in the table gets no control.
    unknown: null,
    notype: null,
    num: { type: 'sys-calendar', ctl: 4000, words: [] },
    // An id beyond 32 bits or an empty one is control 0.
    huge: { type: 'sys-static', ctl: 0, words: [] },
    empty: { type: 'sys-static', ctl: 0, words: [] },
  });
});
