// A stand-in tile server on 127.0.0.1 for the map tests: one small PNG for any tile, and a
// record of every request with its User-Agent.
const http = require('http');
const zlib = require('zlib');

function crc32(buf) {
  let crc = 0xffffffff;
  for (const b of buf) {
    crc ^= b;
    for (let k = 0; k < 8; k++) crc = crc & 1 ? 0xedb88320 ^ (crc >>> 1) : crc >>> 1;
  }
  return (crc ^ 0xffffffff) >>> 0;
}

function chunk(type, data) {
  const len = Buffer.alloc(4);
  len.writeUInt32BE(data.length);
  const body = Buffer.concat([Buffer.from(type), data]);
  const crc = Buffer.alloc(4);
  crc.writeUInt32BE(crc32(body));
  return Buffer.concat([len, body, crc]);
}

// 256 x 256, a light ground with a grid every 64 pixels.
function tilePng() {
  const w = 256, h = 256, row = w * 3 + 1;
  const raw = Buffer.alloc(row * h);
  for (let y = 0; y < h; y++) {
    for (let x = 0; x < w; x++) {
      const grid = x % 64 < 2 || y % 64 < 2;
      const o = y * row + 1 + x * 3;
      raw[o] = grid ? 196 : 238;
      raw[o + 1] = grid ? 204 : 234;
      raw[o + 2] = grid ? 214 : 224;
    }
  }
  const ihdr = Buffer.alloc(13);
  ihdr.writeUInt32BE(w, 0);
  ihdr.writeUInt32BE(h, 4);
  ihdr[8] = 8;
  ihdr[9] = 2;
  return Buffer.concat([Buffer.from([137, 80, 78, 71, 13, 10, 26, 10]), chunk('IHDR', ihdr),
                        chunk('IDAT', zlib.deflateSync(raw)), chunk('IEND', Buffer.alloc(0))]);
}

async function startTileServer() {
  const png = tilePng();
  const requests = [];
  const server = http.createServer((req, res) => {
    requests.push({ url: req.url, agent: req.headers['user-agent'] || '' });
    res.writeHead(200, { 'Content-Type': 'image/png', 'Cache-Control': 'max-age=60' });
    res.end(req.method === 'HEAD' ? undefined : png);
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  const port = server.address().port;
  return {
    port, requests,
    template: `http://127.0.0.1:${port}/{z}/{x}/{y}.png`,
    stop: () => new Promise((resolve) => { server.closeAllConnections(); server.close(resolve); }),
  };
}

module.exports = { startTileServer };
