// How soon the program comes alive: from exec of `dorvath --serve` until the calendar's
// day cells are drawn, in chromium with its tab already open, beside the floor of the same
// browser drawing a static page with one frame, the page runtime's scripts and 42 cells;
// then the desktop window under Xvfb: exec to the window mapped, to the frame page's first
// paint and to the calendar drawn. Medians of 7, on a database of 300 runs.
//   node bench/startup/startup.js [BUILD_DIR]      (default build-release, else build)
// Run by hand; nothing here is asserted.
const { spawn, execFileSync } = require('child_process');
const fs = require('fs');
const http = require('http');
const os = require('os');
const path = require('path');
const { chromium } = require('playwright-core');

const root = path.join(__dirname, '..', '..');
const build = process.argv[2] || ['build-release', 'build'].map((b) => path.join(root, b))
  .find((b) => fs.existsSync(path.join(b, 'dorvath')));
const exe = path.join(build, 'dorvath');
const runs = 7;
const median = (xs) => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)];
const tiles = ['--tile-server', 'http://127.0.0.1:9/{z}/{x}/{y}.png'];

// 300 runs of 300 points, one a day, stored as a download stores them.
function makeDatabase() {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'dorvath-startup-'));
  const now = Math.floor(Date.now() / 1000);
  const logs = [];
  for (let i = 0; i < 300; i++) logs.push({ start_time: now - (i + 1) * 86400, generate: { points: 300, seed: i + 1 } });
  fs.writeFileSync(path.join(dir, 'watch.json'), JSON.stringify({ logs }));
  execFileSync(exe, ['download', '--simulate-watch=' + path.join(dir, 'watch.json'), '--data-dir', dir, ...tiles]);
  return dir;
}

// The floor: a page with one frame that loads the runtime's scripts (the bundle the build
// makes, as the browser receives it) and draws 42 cells.
function startFloor() {
  const bundle = path.join(build, 'src', 'engine', 'runtime.js');
  const inner = '<!DOCTYPE html><html><head><meta charset="utf-8"><script src="runtime.js"></script></head><body>' +
    '<div id="cal"></div><script>const c = document.getElementById("cal");' +
    'for (let i = 0; i < 42; i++) { const d = document.createElement("div"); d.className = "dv-i"; d.textContent = i; c.appendChild(d); }</script></body></html>';
  const server = http.createServer((req, res) => {
    const url = req.url.split('?')[0];
    let body = null, type = 'text/html';
    if (url === '/') body = '<!DOCTYPE html><html><body><iframe name="main" src="/inner.html"></iframe></body></html>';
    else if (url === '/inner.html') body = inner;
    else if (url === '/runtime.js') {
      body = fs.readFileSync(bundle);
      type = 'text/javascript';
    }
    if (body === null) { res.writeHead(404); res.end(); return; }
    res.writeHead(200, { 'Content-Type': type, 'Cache-Control': 'no-store' });
    res.end(body);
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

async function floorMs(page, port) {
  const t0 = Date.now();
  await page.goto(`http://127.0.0.1:${port}/?n=${Math.random()}`);
  await page.waitForFunction(() => { try { return frames.main.document.querySelectorAll('.dv-i').length >= 42; } catch (e) { return false; } }, null, { polling: 'raf' });
  return Date.now() - t0;
}

function startDorvath(dataDir, extra, env) {
  const t0 = Date.now();
  const child = spawn(exe, ['--data-dir', dataDir, ...tiles, ...extra], { env: Object.assign({}, process.env, env), stdio: ['ignore', 'pipe', 'pipe'] });
  let out = '', err = '';
  child.stdout.on('data', (d) => { out += d; });
  child.stderr.on('data', (d) => { err += d; });
  return { t0, child, out: () => out, err: () => err };
}

async function stop(d) {
  const ended = new Promise((r) => d.child.on('exit', r));
  d.child.kill('SIGTERM');
  await ended;
}

async function browserMs(page, dataDir) {
  const d = startDorvath(dataDir, ['--serve', '--port', '0'], {});
  const url = await new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error('no address: ' + d.err())), 15000);
    d.child.stdout.on('data', () => {
      const m = /^Open (\S+)$/m.exec(d.out());
      if (m) { clearTimeout(timer); resolve(m[1]); }
    });
  });
  const address = Date.now() - d.t0;
  await page.goto(url);
  await page.waitForFunction(() => { try { return frames.main.frames.page1.document.querySelectorAll('widget[id="5000"] .dv-i').length >= 42; } catch (e) { return false; } }, null, { polling: 'raf', timeout: 30000 });
  const drawn = Date.now() - d.t0;
  const paint = await page.evaluate(() => { const p = performance.getEntriesByName('first-contentful-paint')[0]; return p ? performance.timeOrigin + p.startTime : 0; });
  await stop(d);
  return { address, drawn, paint: paint ? Math.round(paint - d.t0) : NaN };
}

async function desktopMs(dataDir, display) {
  const d = startDorvath(dataDir, [], { DISPLAY: display, DORVATH_STARTUP_TRACE: '1', WAYLAND_DISPLAY: '' });
  const seen = {};
  await new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error('no calendar in the window: ' + d.err())), 30000);
    d.child.stderr.on('data', () => {
      for (const m of d.err().matchAll(/^startup-trace (\S+) (\d+)$/mg)) seen[m[1]] = Number(m[2]) - d.t0;
      if (seen.calendar !== undefined) { clearTimeout(timer); resolve(); }
    });
  });
  await stop(d);
  return seen;
}

function startXvfb() {
  return new Promise((resolve, reject) => {
    const x = spawn('Xvfb', ['-displayfd', '3', '-screen', '0', '1280x800x24', '-nolisten', 'tcp'], { stdio: ['ignore', 'ignore', 'ignore', 'pipe'] });
    x.stdio[3].on('data', (b) => resolve({ x, display: ':' + String(b).trim() }));
    x.on('error', reject);
  });
}

(async () => {
  console.log(`dorvath: ${exe}; load average ${os.loadavg().map((l) => l.toFixed(2)).join(' ')}`);
  const data = makeDatabase();
  const floor = await startFloor();
  const browser = await chromium.launch({
    executablePath: process.env.DORVATH_CHROMIUM || '/usr/bin/chromium', headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
  const page = await browser.newPage({ viewport: { width: 900, height: 620 } });
  await floorMs(page, floor.address().port);  // the tab is open and warm
  const floors = [], drawn = [], address = [], paints = [];
  for (let i = 0; i < runs; i++) {
    floors.push(await floorMs(page, floor.address().port));
    const b = await browserMs(page, data);
    drawn.push(b.drawn);
    address.push(b.address);
    paints.push(b.paint);
  }
  await browser.close();
  floor.close();
  const f = median(floors), c = median(drawn);
  console.log(`chromium: exec -> calendar drawn ${c} ms, address printed ${median(address)} ms, first paint ${median(paints)} ms; static floor ${f} ms; ratio ${(c / f).toFixed(2)} (target <= 2)`);

  let xvfb = null;
  try {
    xvfb = await startXvfb();
    const mapped = [], painted = [], cal = [];
    for (let i = 0; i < runs; i++) {
      const s = await desktopMs(data, xvfb.display);
      mapped.push(s['window-mapped']);
      painted.push(s['first-paint']);
      cal.push(s.calendar);
    }
    console.log(`desktop window: exec -> window mapped ${median(mapped)} ms, first paint ${median(painted)} ms, calendar drawn ${median(cal)} ms (target <= 500 ms)`);
  } catch (e) {
    console.log('desktop window: not measured: ' + e.message);
  } finally {
    if (xvfb) xvfb.x.kill();
    fs.rmSync(data, { recursive: true, force: true });
  }
})();
