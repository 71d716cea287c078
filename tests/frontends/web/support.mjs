// What the browser tests stand on: the page served from build/web/ on localhost, the system's
// Chromium driven through playwright-core (with touch, a clock the test moves, and a page that
// can be made to look hidden), headless pictures from the plasmaballs binary, and a reader for
// the PNGs it writes.
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { after, before } from 'node:test';
import zlib from 'node:zlib';

export const WIDTH = 320;
export const HEIGHT = 240;

const here = path.dirname(new URL(import.meta.url).pathname);
export const sourceDir = path.resolve(here, '../../..');
const binary = process.env.PLASMABALLS_BINARY;
export const webDir =
    path.resolve(process.env.PLASMABALLS_WEB_DIR ?? path.join(sourceDir, 'build/web'));
const chromiumPath = process.env.PLASMABALLS_CHROMIUM ?? '/usr/bin/chromium';

// Everything the tests need, with what to do when it is missing.
export function checkPrerequisites() {
  const missing = [];
  if (!binary || !fs.existsSync(binary)) missing.push('the plasmaballs binary (make build)');
  for (const file of ['index.html', 'plasmaballs.js', 'plasmaballs.wasm', 'sw.js',
                      'manifest.webmanifest', 'icon-192.png', 'icon-512.png']) {
    if (!fs.existsSync(path.join(webDir, file))) missing.push(`${webDir}/${file} (make web)`);
  }
  if (!fs.existsSync(path.join(here, 'node_modules/playwright-core'))) {
    missing.push('tests/frontends/web/node_modules/playwright-core (make test fetches it)');
  }
  if (!fs.existsSync(chromiumPath)) missing.push(`${chromiumPath} (make deps)`);
  if (missing.length) throw new Error('missing: ' + missing.join('; '));
}

const TYPES = {
  '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
  '.webmanifest': 'application/manifest+json', '.png': 'image/png',
};

// Serves build/web/ on a free port of 127.0.0.1; resolves to the server and its base URL.
export async function serve() {
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, 'http://localhost').pathname);
    const file = path.join(webDir, path.normalize(name.endsWith('/') ? name + 'index.html' : name));
    if (!file.startsWith(webDir + path.sep) || !fs.existsSync(file)) {
      response.writeHead(404);
      response.end();
      return;
    }
    response.writeHead(200, {
      'Content-Type': TYPES[path.extname(file)] ?? 'application/octet-stream',
      'Cache-Control': 'no-store',
    });
    fs.createReadStream(file).pipe(response);
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return { server, base: `http://127.0.0.1:${server.address().port}/` };
}

// Chromium headless (a fresh profile of its own, removed when it closes), with one desktop-sized
// context for the tests that need nothing else; newContext() makes others (a phone, say).
export async function launch() {
  const { chromium } = await import('playwright-core');
  const running = await chromium.launch({
    executablePath: chromiumPath,
    headless: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-background-networking',
           '--disable-component-update', '--disable-sync', '--no-first-run'],
  });
  const context = await running.newContext(DESKTOP);
  return {
    context,
    newContext: (options) => running.newContext(options),
    close: () => running.close(),
  };
}

export const DESKTOP = { viewport: { width: 1000, height: 800 } };
export const PHONE = { viewport: { width: 390, height: 844 }, deviceScaleFactor: 3,
                       hasTouch: true, isMobile: true };

// Called at a test file's top: the page is served and Chromium runs for the file's tests, as
// `base` (the page's URL) and `browser` (what launch() gives), and both stop after them.
export let browser, base;
export function usePage() {
  let server;
  before(async () => {
    checkPrerequisites();
    ({ server, base } = await serve());
    browser = await launch();
  });
  after(async () => {
    await browser?.close();
    server?.close();
  });
}

// A page in a context of its own (closed with it, as is the clock, which is the context's); with
// `clock`, on a clock the test moves from the moment the page waits for its first input.
export async function open(query, { options = DESKTOP, clock = false, init, grant } = {}) {
  const context = await browser.newContext(options);
  if (grant) await context.grantPermissions(grant, { origin: base });
  if (init) await context.addInitScript(init);
  const page = await context.newPage();
  page.errors = [];
  page.on('pageerror', (error) => page.errors.push(error.message));
  page.close = () => context.close();
  if (clock) await page.clock.install({ time: CLOCK_START });
  await page.goto(base + query);
  if (clock) {
    await settle(page, ['waiting']);
    await pauseClock(page);
  }
  return page;
}

// The page's clock, moved by the test: installed before the page loads, it runs with real time
// until `pause` and afterwards only when the test runs it, so that pulses come exactly when the
// test says (one per 1/60 s of the page's time) however busy the machine is.
export const CLOCK_START = 1e12;
export async function pauseClock(page) {
  await page.clock.pauseAt(CLOCK_START + 3600e3);
}

// Runs the page's clock, 100 ms at a time, until the page is in one of `states`.
export async function runUntil(page, states, limit = 60000) {
  for (let time = 0; time <= limit; time += 100) {
    const state = await page.evaluate(() => document.body.dataset.state);
    if (states.includes(state) || state === 'ended' || state === 'error') break;
    await page.clock.runFor(100);
  }
  return settle(page, states, 1000);
}

// Makes the page look hidden (or shown again) as a browser does when its tab is put away.
export async function setHidden(page, hidden) {
  await page.evaluate((hidden) => {
    const states = { hidden, visibilityState: hidden ? 'hidden' : 'visible' };
    for (const name in states) {
      Object.defineProperty(document, name, { configurable: true, get: () => states[name] });
    }
    document.dispatchEvent(new Event('visibilitychange'));
  }, hidden);
}

// Polls `predicate` in the page (from here, so that a paused page clock does not stop it) until
// it is true.
export async function until(page, predicate, arg, limit = 30000) {
  for (const start = Date.now(); !(await page.evaluate(predicate, arg));) {
    if (Date.now() - start > limit) throw new Error(`never came: ${predicate}`);
    await new Promise((resolve) => setTimeout(resolve, 20));
  }
}

// Fingers on the page's touch screen (the context needs hasTouch): touch(points) with every
// finger that is down, as { id, x, y } in CSS pixels; fingers left out are lifted. It returns
// once the page has seen the pointer events, which Chromium delivers with its next frame.
export async function touchScreen(page) {
  const session = await page.context().newCDPSession(page);
  await page.evaluate(() => {
    window.pointerEventsSeen = 0;
    for (const type of ['pointerdown', 'pointermove', 'pointerup', 'pointercancel']) {
      window.addEventListener(type, () => window.pointerEventsSeen++, true);
    }
  });
  let down = new Map();
  return async (points) => {
    const now = new Map(points.map((point) => [point.id, point]));
    let changes = 0;
    for (const [id, point] of now) {
      const was = down.get(id);
      if (!was || was.x !== point.x || was.y !== point.y) changes++;
    }
    for (const id of down.keys()) if (!now.has(id)) changes++;
    const type = points.length === 0 ? 'touchEnd'
               : [...now.keys()].some((id) => !down.has(id)) ? 'touchStart' : 'touchMove';
    const seen = await page.evaluate(() => window.pointerEventsSeen);
    await session.send('Input.dispatchTouchEvent', { type, touchPoints: points });
    down = now;
    await until(page, (count) => window.pointerEventsSeen >= count, seen + changes);
  };
}

// The width and height of a PNG, and its colour type (6 is RGBA).
export function pngHeader(data) {
  if (data.readUInt32BE(0) !== 0x89504e47 || data.toString('latin1', 12, 16) !== 'IHDR') {
    throw new Error('not a PNG');
  }
  return { width: data.readUInt32BE(16), height: data.readUInt32BE(20), colour: data[25] };
}

// Reads an 8-bit PNG (palette or RGB, not interlaced) into rows of RGB bytes.
export function decodePng(data) {
  if (data.readUInt32BE(0) !== 0x89504e47) throw new Error('not a PNG');
  let offset = 8, header, palette;
  const compressed = [];
  while (offset < data.length) {
    const length = data.readUInt32BE(offset);
    const type = data.toString('latin1', offset + 4, offset + 8);
    const body = data.subarray(offset + 8, offset + 8 + length);
    if (type === 'IHDR') {
      header = { width: body.readUInt32BE(0), height: body.readUInt32BE(4), depth: body[8],
                 colour: body[9], interlace: body[12] };
    } else if (type === 'PLTE') {
      palette = body;
    } else if (type === 'IDAT') {
      compressed.push(body);
    }
    offset += 12 + length;
  }
  const { width, height, depth, colour, interlace } = header;
  if (depth !== 8 || interlace !== 0 || (colour !== 3 && colour !== 2)) {
    throw new Error(`unsupported PNG: depth ${depth}, colour type ${colour}`);
  }
  const step = colour === 3 ? 1 : 3;
  const raw = zlib.inflateSync(Buffer.concat(compressed));
  const stride = width * step;
  const rows = Buffer.alloc(stride * height);
  for (let y = 0; y < height; y++) {
    const filter = raw[y * (stride + 1)];
    const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let x = 0; x < stride; x++) {
      const a = x >= step ? rows[y * stride + x - step] : 0;
      const b = y > 0 ? rows[(y - 1) * stride + x] : 0;
      const c = x >= step && y > 0 ? rows[(y - 1) * stride + x - step] : 0;
      let predicted = 0;
      if (filter === 1) predicted = a;
      else if (filter === 2) predicted = b;
      else if (filter === 3) predicted = (a + b) >> 1;
      else if (filter === 4) {
        const p = a + b - c, pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
        predicted = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      } else if (filter !== 0) throw new Error(`bad PNG filter ${filter}`);
      rows[y * stride + x] = (line[x] + predicted) & 0xff;
    }
  }
  if (colour === 2) return { width, height, rgb: rows };
  const rgb = Buffer.alloc(width * height * 3);
  for (let i = 0; i < width * height; i++) palette.copy(rgb, i * 3, rows[i] * 3, rows[i] * 3 + 3);
  return { width, height, rgb };
}

const pictures = new Map();

// The headless picture of pulse `frames` for this seed and button script, as RGB bytes; with
// `frames` null, the picture at the hand-over the script itself ends with.
export function headlessPicture(seed, frames, script = '') {
  const key = `${seed} ${frames} ${script}`;
  if (pictures.has(key)) return pictures.get(key);
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'plasmaballs-web-'));
  try {
    const args = ['--headless', '--seed', String(seed), '--screenshot',
                  path.join(dir, 'picture.png')];
    if (frames !== null) args.push('--frames', String(frames));
    if (script) {
      fs.writeFileSync(path.join(dir, 'script.txt'), script);
      args.push('--input', path.join(dir, 'script.txt'));
    }
    const run = spawnSync(binary, args, { encoding: 'utf8', timeout: 60000 });
    if (run.status !== 0) throw new Error(`plasmaballs ${args.join(' ')}: ${run.stderr}`);
    const picture = decodePng(fs.readFileSync(path.join(dir, 'picture.png')));
    if (picture.width !== WIDTH || picture.height !== HEIGHT) throw new Error('picture size');
    pictures.set(key, picture.rgb);
    return picture.rgb;
  } finally {
    fs.rmSync(dir, { recursive: true, force: true });
  }
}

// The canvas's backing store as RGB bytes (every pixel must be opaque).
export async function canvasPicture(page) {
  const { base64, translucent } = await page.evaluate(([width, height]) => {
    const data = document.getElementById('screen').getContext('2d')
        .getImageData(0, 0, width, height).data;
    const rgb = new Uint8Array(width * height * 3);
    let translucent = 0;
    for (let i = 0; i < width * height; i++) {
      rgb.set(data.subarray(i * 4, i * 4 + 3), i * 3);
      if (data[i * 4 + 3] !== 255) translucent++;
    }
    let text = '';
    for (let i = 0; i < rgb.length; i += 0x8000) {
      text += String.fromCharCode.apply(null, rgb.subarray(i, i + 0x8000));
    }
    return { base64: btoa(text), translucent };
  }, [WIDTH, HEIGHT]);
  if (translucent) throw new Error(`${translucent} canvas pixels are not opaque`);
  return Buffer.from(base64, 'base64');
}

// Where two RGB pictures differ, in words; null when they are equal.
export function difference(expected, actual) {
  if (expected.length !== actual.length) return `sizes ${expected.length} and ${actual.length}`;
  let count = 0, first = -1;
  for (let i = 0; i < expected.length; i += 3) {
    if (expected[i] !== actual[i] || expected[i + 1] !== actual[i + 1] ||
        expected[i + 2] !== actual[i + 2]) {
      if (first < 0) first = i / 3;
      count++;
    }
  }
  if (!count) return null;
  const at = (p) => Array.from(p.subarray(first * 3, first * 3 + 3)).join(',');
  return `${count} pixels differ, the first at (${first % WIDTH}, ${Math.floor(first / WIDTH)}):` +
         ` expected ${at(expected)}, found ${at(actual)}`;
}

// Waits until the page is in one of `states`; a page that stops in another settled state
// (an error instead of the hand-over, say) fails at once with its line.
export async function settle(page, states, timeout = 60000) {
  await page.waitForFunction((wanted) => {
    const state = document.body.dataset.state;
    return wanted.includes(state) || state === 'ended' || state === 'error';
  }, states, { timeout, polling: 50 });
  const found = await page.evaluate(() => ({
    state: document.body.dataset.state,
    line: document.getElementById('line').textContent,
    pulse: Number(document.body.dataset.pulse),
  }));
  if (!states.includes(found.state)) {
    throw new Error(`page is "${found.state}", not ${states.join(' or ')}: ${found.line}`);
  }
  return found;
}

// How many device pixels of the page's screenshot differ from the canvas enlarged by its whole
// scale (body's data-scale): 0 when the browser paints every console pixel as the same square.
export async function resampledPixels(page) {
  const png = (await page.screenshot()).toString('base64');
  return page.evaluate(async ([png, width, height]) => {
    const bitmap = await createImageBitmap(await (await fetch(`data:image/png;base64,${png}`)).blob());
    const context = new OffscreenCanvas(bitmap.width, bitmap.height).getContext('2d');
    context.drawImage(bitmap, 0, 0);
    const shot = context.getImageData(0, 0, bitmap.width, bitmap.height).data;
    const canvas = document.getElementById('screen');
    const picture = canvas.getContext('2d').getImageData(0, 0, width, height).data;
    const scale = Number(document.body.dataset.scale);
    const rect = canvas.getBoundingClientRect();
    let fewest = Infinity;
    // The browser snaps the picture's corner to a device pixel next to where layout puts it.
    for (let dx = -1; dx <= 1; dx++) {
      for (let dy = -1; dy <= 1; dy++) {
        const left = Math.round(rect.left * devicePixelRatio) + dx;
        const top = Math.round(rect.top * devicePixelRatio) + dy;
        let differ = 0;
        for (let y = 0; y < height * scale; y++) {
          for (let x = 0; x < width * scale; x++) {
            const from = (Math.floor(y / scale) * width + Math.floor(x / scale)) * 4;
            const to = ((top + y) * bitmap.width + left + x) * 4;
            if (shot[to] !== picture[from] || shot[to + 1] !== picture[from + 1] ||
                shot[to + 2] !== picture[from + 2]) differ++;
          }
        }
        fewest = Math.min(fewest, differ);
      }
    }
    return fewest;
  }, [png, WIDTH, HEIGHT]);
}
