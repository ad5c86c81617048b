// What the server refuses: no token, a foreign Host or Origin, paths leaving their folder.
const fs = require('fs');
const http = require('http');
const path = require('path');
const { test, expect } = require('@playwright/test');
const { startServer } = require('./server');

let server;
test.beforeAll(async () => {
  server = await startServer();
  fs.writeFileSync(path.join(server.dataDir, 'log.xml'), '<?xml version="1.0"?><markers/>');
});
test.afterAll(async () => { if (server) await server.stop(); });

// A raw request: the path goes out exactly as written (no "../" folding).
function get(p, headers = {}) {
  return new Promise((resolve, reject) => {
    const req = http.request({ host: '127.0.0.1', port: server.port, path: p, method: 'GET',
                               headers: Object.assign({ Host: '127.0.0.1:' + server.port }, headers) }, (res) => {
      let body = '';
      res.on('data', (d) => { body += d; });
      res.on('end', () => resolve({ status: res.statusCode, headers: res.headers, body }));
    });
    req.on('error', reject);
    req.end();
  });
}

test('every request without the token is refused and touches nothing', async () => {
  for (const p of ['/', '/201.html', '/runtime.js', '/log.xml', '/images/about48.png', '/velcan.db'])
    expect((await get(p)).status, p).toBe(403);
  expect((await get('/201.html?t=0000')).status).toBe(403);
  expect((await get('/201.html', { Cookie: 'dorvath_' + server.port + '=wrong' })).status).toBe(403);
});

test('the token in the address or in the cookie opens the pages', async () => {
  const first = await get('/?t=' + server.token);
  expect(first.status).toBe(302);
  expect(first.headers.location).toBe('/201.html');
  const cookie = first.headers['set-cookie'][0];
  expect(cookie).toMatch(/HttpOnly/);
  expect(cookie).toMatch(/SameSite=Strict/);
  const c = { Cookie: cookie.split(';')[0] };
  const page = await get('/201.html', c);
  expect(page.status).toBe(200);
  expect(page.headers['content-type']).toMatch(/text\/html/);
  expect((await get('/log.xml', c)).body).toMatch(/markers/);
  expect((await get('/velcan.db', c)).status).toBe(404);  // only the files the pages need
  expect((await get('/runtime.js', c)).status).toBe(200);
});

test('a foreign Host or Origin is refused even with the token', async () => {
  const t = '/201.html?t=' + server.token;
  expect((await get(t, { Host: 'evil.example:' + server.port })).status).toBe(403);
  expect((await get(t, { Host: '127.0.0.1:1' })).status).toBe(403);
  expect((await get(t, { Origin: 'http://evil.example' })).status).toBe(403);
  expect((await get(t, { Origin: 'null' })).status).toBe(403);
  expect((await get(t, { Origin: server.origin })).status).toBe(200);
});

test('paths that leave their folder are not found', async () => {
  const q = '?t=' + server.token;
  for (const p of ['/../velcan.db', '/images/../../velcan.db', '/%2e%2e/velcan.db', '/images/%2e%2e/log.xml',
                   '/images/..%2flog.xml', '/Html/..\\log.xml', '//etc/passwd', '/images//about48.png',
                   '/%00', '/images/%zz'])
    expect((await get(p + q)).status, p).toBe(404);
});

test('the WebSocket needs the token and the own Origin', async ({ page }) => {
  const upgrade = (headers) => new Promise((resolve) => {
    const req = http.request({ host: '127.0.0.1', port: server.port, path: '/ws', headers: Object.assign({
      Host: '127.0.0.1:' + server.port, Connection: 'Upgrade', Upgrade: 'websocket',
      'Sec-WebSocket-Version': '13', 'Sec-WebSocket-Key': 'dGhlIHNhbXBsZSBub25jZQ==' }, headers) });
    req.on('upgrade', (res, socket) => { socket.destroy(); resolve(101); });
    req.on('response', (res) => { res.resume(); resolve(res.statusCode); });
    req.on('error', () => resolve(0));
    req.end();
  });
  expect(await upgrade({})).toBe(403);
  expect(await upgrade({ Cookie: 'dorvath_' + server.port + '=' + server.token, Origin: 'http://evil.example' })).toBe(403);
  expect(await upgrade({ Cookie: 'dorvath_' + server.port + '=' + server.token, Origin: server.origin })).toBe(101);
  // A browser page of another origin cannot reach it either.
  await page.goto('about:blank');
  const r = await page.evaluate((url) => fetch(url).then((x) => x.status).catch(() => 'blocked'), server.url);
  expect(r).toBe('blocked');
});
