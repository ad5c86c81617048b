// The frame and function pages as a user works them in the browser: the tabs switch
// the list and settings pages, the lower tabs switch chart and point list, help opens
// in a new tab, and maximize swaps its button for restore.
const { test, expect } = require('@playwright/test');
const { startServer, openApp } = require('./server');

let server;
test.beforeAll(async () => { server = await startServer(); });
test.afterAll(async () => { if (server) await server.stop(); });

async function open(page) {
  const { main, page1 } = await openApp(page, server.url);
  return { main, list: page1 };
}

test('the tabs show one page at a time and the list page comes back as it was', async ({ page }) => {
  const { main, list } = await open(page);
  await expect(main.locator('#framepage1')).toBeVisible();
  await expect(main.locator('#framepage2')).toBeHidden();
  await expect(main.locator('#tab1-s')).toBeVisible();
  await expect(main.locator('#tab1')).toBeHidden();

  await list.click('#ltab2');  // something to find again on the list page
  await expect(list.locator('#list2')).toBeVisible();

  await main.click('#tab2');
  await expect(main.locator('#framepage2')).toBeVisible();
  await expect(main.locator('#framepage1')).toBeHidden();
  await expect(main.locator('#tab2-s')).toBeVisible();
  await expect(main.locator('#tab2')).toBeHidden();
  await expect(main.locator('#tab1')).toBeVisible();

  await main.click('#tab1');
  await expect(main.locator('#framepage1')).toBeVisible();
  await expect(main.locator('#framepage2')).toBeHidden();
  await expect(list.locator('#list2')).toBeVisible();
  await expect(list.locator('#list1')).toBeHidden();
  await expect(list.locator('#ltab2')).toHaveClass('selected');
});

test('the lower tabs switch between chart and point list, and a reload keeps the choice', async ({ page }) => {
  let { list } = await open(page);
  await list.click('#ltab2');
  await expect(list.locator('#list2')).toBeVisible();
  await expect(list.locator('#list1')).toBeHidden();
  await list.click('#ltab1');
  await expect(list.locator('#list1')).toBeVisible();
  await expect(list.locator('#list2')).toBeHidden();
  await expect(list.locator('#ltab1')).toHaveClass('selected');
  await expect(list.locator('#ltab2')).not.toHaveClass('selected');
  await list.click('#ltab2');
  await expect(list.locator('#list2')).toBeVisible();  // the program has the click

  ({ list } = await open(page));  // reload: the page is rebuilt from the kept state
  await expect(list.locator('#list2')).toBeVisible();
  await expect(list.locator('#list1')).toBeHidden();
  await expect(list.locator('#ltab2')).toHaveClass('selected');
  await expect(list.locator('#ltab1')).not.toHaveClass('selected');
});

test('help opens the shipped help page in a new tab', async ({ page, context }) => {
  const { main } = await open(page);
  const [help] = await Promise.all([context.waitForEvent('page'), main.click('#help')]);
  await help.waitForLoadState();
  expect(new URL(help.url()).pathname).toBe('/help/index.html');
  await expect(help.locator('body')).toContainText('60-dorvath-watch.rules');
});

test('maximize and restore swap their buttons; the map shows at once without its service', async ({ page }) => {
  const { list } = await open(page);
  await page.click('#maximize');
  await expect(page.locator('#restore')).toBeVisible();
  await expect(page.locator('#maximize')).toBeHidden();
  await page.click('#restore');
  await expect(page.locator('#maximize')).toBeVisible();
  await expect(page.locator('#restore')).toBeHidden();
  // The tile server of the tests never answers: the map draws anyway and says so.
  await expect.poll(() => page.frame({ url: /\/Html\/maps\.html$/ }) !== null).toBe(true);
  const map = page.frame({ url: /\/Html\/maps\.html$/ });
  await expect(map.locator('#notice')).toContainText('地図サービスに接続できません');
  // nothing waits for the map: the download button takes clicks at once
  await expect(page.frame({ name: 'main' }).locator('#download')).toBeEnabled();
  expect(await list.evaluate(() => document.documentElement.classList.contains('dv-disabled'))).toBe(false);
});
