// Starts `dorvath --serve` on a fresh data folder and a free port, and stops it.
const { spawn } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');

function exePath() {
  if (process.env.DORVATH_EXE) return process.env.DORVATH_EXE;
  const binary = process.env.DORVATH_BINARY || path.join(__dirname, '..', '..', 'build');
  return path.join(binary, 'dorvath');
}

// dataDir: a folder prepared beforehand (it is removed on stop like a fresh one).
// args: further options for dorvath, e.g. ['--simulate-watch'].
async function startServer({ testPages = false, dataDir: given, args = [] } = {}) {
  const dataDir = given || fs.mkdtempSync(path.join(os.tmpdir(), 'dorvath-e2e-'));
  const env = Object.assign({}, process.env);
  if (testPages) env.DORVATH_TEST_PAGES = path.join(__dirname, 'pages');
  else delete env.DORVATH_TEST_PAGES;
  // Tests never fetch map tiles from the network: unless a test names its own tile server,
  // tiles come from a closed local port; the tile cache lives in the data folder.
  if (!args.some((a) => a.startsWith('--tile-server'))) {
    args = [...args, '--tile-server', 'http://127.0.0.1:9/{z}/{x}/{y}.png'];
  }
  env.XDG_CACHE_HOME = env.DORVATH_TEST_CACHE || path.join(dataDir, '.cache');
  // The test pages' frame is built into a program of the tests' own, beside dorvath.
  const exe = testPages ? path.join(path.dirname(exePath()), 'dorvath-e2e') : exePath();
  const child = spawn(exe, ['--serve', '--data-dir', dataDir, '--port', '0', ...args],
                      { env, stdio: ['ignore', 'pipe', 'pipe'] });
  let out = '', err = '';
  child.stderr.on('data', (d) => { err += d; });
  const exited = new Promise((resolve) => child.on('exit', (code, signal) => resolve({ code, signal })));
  const url = await new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error('no address from dorvath: ' + out + err)), 15000);
    child.stdout.on('data', (d) => {
      out += d;
      const m = /^Open (http:\/\/127\.0\.0\.1:(\d+)\/\?t=([0-9a-f]+))$/m.exec(out);
      if (m) { clearTimeout(timer); resolve(m[1]); }
    });
    child.on('exit', () => reject(new Error('dorvath ended: ' + out + err)));
  });
  const u = new URL(url);
  return {
    url, dataDir, child, exited,
    port: Number(u.port), token: u.searchParams.get('t'),
    origin: u.origin,
    output: () => out + err,
    async stop() {
      if (child.exitCode === null && child.signalCode === null) child.kill('SIGTERM');
      const r = await exited;
      fs.rmSync(dataDir, { recursive: true, force: true });
      return r;
    },
  };
}

// Opens the application at `url` and waits until the socket is up and the named frames
// are ready; returns them by name.
async function openApp(page, url, names = ['main', 'page1', 'page2']) {
  const { expect } = require('@playwright/test');
  await page.goto(url);
  await expect(page.locator('html')).toHaveAttribute('data-dv-connected', '1');
  const frames = {};
  for (const name of names) {
    await expect.poll(() => page.frame({ name }) !== null).toBe(true);
    frames[name] = page.frame({ name });
    await expect(frames[name].locator('html')).toHaveAttribute('data-dv-ready', '1');
  }
  return frames;
}

// Opens the application at the server's address and waits for the list page's frame.
async function listPage(page, server) {
  return (await openApp(page, server.url, ['page1'])).page1;
}

// A fresh data folder with the runs the demo watch (or a scenario of the test's) downloads.
function dataWithRuns(scenario) {
  const { execFileSync } = require('child_process');
  const dataDir = fs.mkdtempSync(path.join(os.tmpdir(), 'dorvath-e2e-data-'));
  let arg = '--simulate-watch';
  if (scenario) {
    const file = path.join(dataDir, 'scenario.json');
    fs.writeFileSync(file, JSON.stringify(scenario));
    arg += '=' + file;
  }
  execFileSync(exePath(), ['download', arg, '--data-dir', dataDir], { timeout: 60000 });
  return dataDir;
}

// The calendar's day cells of list page f, and the indexes of the days marked with runs:
// this month's, else (the runs lie up to nine days back) the month before's.
async function markedDays(f) {
  const { expect } = require('@playwright/test');
  const cells = f.locator('widget[id="5000"] .dv-i').filter({ hasNotText: /./ });
  const marked = () => cells.evaluateAll((els) => els.map((e, i) => [i, getComputedStyle(e).backgroundColor])
    .filter(([, c]) => c === 'rgb(255, 128, 64)').map(([i]) => i));
  if ((await marked()).length === 0) {
    await f.locator('#lastmon').click();
    await expect.poll(async () => (await marked()).length).toBeGreaterThan(0);
  }
  return { cells, days: await marked() };
}

// Clicks the last day with runs on list page f.
async function showLastRunDay(f) {
  const { cells, days } = await markedDays(f);
  await cells.nth(days[days.length - 1]).click({ force: true });
}

module.exports = { startServer, exePath, openApp, listPage, dataWithRuns, markedDays, showLastRunDay };
