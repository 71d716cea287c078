// The page on a phone and as an app: touch controls and where they sit, a run saved as a script
// that replays it, the clock standing still while the page is hidden, the page without a network,
// and what it needs to be installed. Pulses here follow a clock the test moves (support.mjs), so
// every press lands at a known pulse whatever the machine's load.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';

import { PHONE, base, browser, canvasPicture, difference, headlessPicture, open, pngHeader,
         resampledPixels, runUntil, setHidden, settle, sourceDir, touchScreen, usePage, webDir }
    from './support.mjs';

const PULSES_PER_HALF_SECOND = 30;

usePage();

async function assertPicture(page, seed, frames, script) {
  const problem = difference(headlessPicture(seed, frames, script), await canvasPicture(page));
  assert.equal(problem, null, `seed ${seed}, pulse ${frames}, script ${JSON.stringify(script)}`);
}

// The run the page offers after the hand-over: the downloaded file, its change lines as
// [pulse, buttons], and the address shown.
async function savedRun(page) {
  const [download] = await Promise.all([page.waitForEvent('download'), page.click('#save')]);
  const text = fs.readFileSync(await download.path(), 'utf8');
  const changes = text.split('\n').filter((line) => /^[0-9]/.test(line))
      .map((line) => line.split(' ')).map(([pulse, buttons]) => [Number(pulse), buttons]);
  return { name: download.suggestedFilename(), text, changes,
           address: await page.locator('#replay').textContent() };
}

// Asserts that the changes hold these buttons in this order, each for about half a second of
// the page's clock after the first (the last one, START, ends the run).
function assertChanges(changes, held) {
  assert.deepEqual(changes.map(([, buttons]) => buttons), held, JSON.stringify(changes));
  assert.equal(changes[0][0], 0);
  for (let i = 1; i < changes.length; i++) {
    const gap = changes[i][0] - changes[i - 1][0];
    assert.ok(Math.abs(gap - PULSES_PER_HALF_SECOND) <= 1, JSON.stringify(changes));
  }
}

// Where on the pad a finger pushes this way ([x, y], each -1, 0 or 1; [0, 0] is its centre).
async function padPoint(page, [x, y], id) {
  const box = await page.locator('#pad').boundingBox();
  const reach = box.width * 0.35;
  return { id, x: box.x + box.width / 2 + x * reach, y: box.y + box.height / 2 + y * reach };
}

async function centreOf(page, selector, id) {
  const box = await page.locator(selector).boundingBox();
  return { id, x: box.x + box.width / 2, y: box.y + box.height / 2 };
}

test('keys pressed at known pulses give a saved script whose headless replay is the canvas',
     async () => {
  const seed = 21;
  const page = await open(`?seed=${seed}&wait=1`, { clock: true });
  await page.focus('#screen');
  const keys = page.keyboard;
  await keys.down('ArrowRight');  // starts the run: pulse 0
  await page.clock.runFor(500);
  await keys.up('ArrowRight');
  await page.clock.runFor(500);
  await keys.down('Space');
  await page.clock.runFor(500);
  await keys.up('Space');
  await keys.down('ArrowUp');
  await keys.down('ArrowLeft');
  await page.clock.runFor(500);
  await keys.down('Enter');
  const { pulse } = await runUntil(page, ['ended']);
  const run = await savedRun(page);
  assertChanges(run.changes, ['right', 'none', 'select', 'up-left', 'start+up-left']);
  assert.equal(run.changes.at(-1)[0], pulse);
  assert.equal(run.name, `plasmaballs-${seed}-${pulse}.pbrun`);
  assert.match(run.text, new RegExp(`^# .*seed ${seed}\\b.*\\n# .*plasmaballs ${run.name}\\n` +
                                    `format 1\\nseed ${seed}\\n`));
  await assertPicture(page, seed, null, run.text);
  assert.deepEqual(page.errors, []);
  await page.close();

  // The address shown replays the run on the page too.
  assert.ok(run.address.startsWith(`${base}?seed=${seed}&script=`), run.address);
  const replay = await browser.context.newPage();
  await replay.goto(run.address);
  assert.equal((await settle(replay, ['ended'])).pulse, pulse);
  await assertPicture(replay, seed, null, run.text);
  await replay.close();
});

test('phone-sized pages show the controls outside the picture, which keeps its scale rules',
     async () => {
  const cases = [
    { ...PHONE, beside: false },
    { ...PHONE, viewport: { width: 844, height: 390 }, beside: true },
    { ...PHONE, viewport: { width: 320, height: 568 }, deviceScaleFactor: 2, beside: false },
    // Too small for the whole screen once beside the controls: scaled down to fit.
    { ...PHONE, viewport: { width: 568, height: 320 }, deviceScaleFactor: 1, beside: true,
      fits: false },
  ];
  for (const { beside, fits = true, ...options } of cases) {
    const where = JSON.stringify(options.viewport);
    const context = await browser.newContext(options);
    const page = await context.newPage();
    await page.goto(base + '?seed=2&frames=1');
    await settle(page, ['ended']);
    const found = await page.evaluate(() => {
      const box = (id) => document.getElementById(id).getBoundingClientRect().toJSON();
      return { canvas: box('screen'), stage: box('stage'), pad: box('pad'), select: box('select'),
               start: box('start'), ratio: devicePixelRatio, scale: document.body.dataset.scale,
               touchAction: ['pad', 'select', 'start'].map(
                   (id) => getComputedStyle(document.getElementById(id)).touchAction),
               rendering: getComputedStyle(document.getElementById('screen')).imageRendering,
               width: innerWidth, height: innerHeight };
    });
    const { canvas, stage, ratio } = found;
    for (const name of ['pad', 'select', 'start']) {
      const control = found[name];
      assert.ok(control.width >= 48 && control.height >= 48, `${where} ${name} is too small`);
      assert.ok(control.left >= 0 && control.top >= 0 && control.right <= found.width &&
                control.bottom <= found.height, `${where} ${name} is off the page`);
      const apart = control.right <= canvas.left || control.left >= canvas.right ||
                    control.bottom <= canvas.top || control.top >= canvas.bottom;
      assert.ok(apart, `${where} ${name} covers the picture`);
    }
    if (beside) {
      assert.ok(found.pad.right <= canvas.left && found.start.left >= canvas.right, where);
    } else {
      assert.ok(found.pad.top >= canvas.bottom && found.start.top >= canvas.bottom, where);
    }
    assert.deepEqual(found.touchAction, ['none', 'none', 'none'], where);
    assert.ok(Math.abs(canvas.width * 3 - canvas.height * 4) < 0.01, where);
    assert.ok(Math.abs(canvas.left - stage.left - (stage.right - canvas.right)) < 1, where);
    assert.ok(Math.abs(canvas.top - stage.top - (stage.bottom - canvas.bottom)) < 1, where);
    const factor = canvas.width * ratio / 320;
    if (fits) {
      // The largest whole number of device pixels per console pixel that fits and that the
      // browser lays out exactly (in 64ths of a CSS pixel), so that it paints the picture as is.
      assert.ok(Math.abs(factor - Math.round(factor)) < 1e-6, `${where} scale ${factor}`);
      assert.equal(found.scale, String(Math.round(factor)), where);
      const exact = (f) => [320, 240].every((size) => {
        const units = size * f / ratio * 64;
        return Math.abs(units - Math.round(units)) < 1e-6;
      });
      let larger = Math.round(factor) + 1;
      while (!exact(larger) && larger < factor + 64) larger++;
      assert.ok(larger * 320 / ratio > stage.width || larger * 240 / ratio > stage.height,
                `${where}: a larger scale fits`);
      assert.equal(await resampledPixels(page), 0, `${where}: the picture is not painted as is`);
      assert.equal(found.rendering, 'pixelated', where);
    } else {
      assert.ok(factor < 1, where);
      assert.ok(Math.abs(canvas.width - stage.width) < 1 ||
                Math.abs(canvas.height - stage.height) < 1, `${where} does not fill the stage`);
      assert.equal(found.rendering, 'auto', where);
    }
    // The button in the bar hides them.
    await page.click('#toggle');
    assert.equal(await page.locator('#pad').isVisible(), false, where);
    await context.close();
  }
});

test('on a desktop without touch the controls are hidden until asked for', async () => {
  const page = await browser.context.newPage();
  await page.goto(base + '?seed=2&frames=1');
  await settle(page, ['ended']);
  assert.equal(await page.locator('#pad').isVisible(), false);
  assert.equal(await page.locator('#start').isVisible(), false);
  await page.click('#toggle');
  assert.equal(await page.locator('#pad').isVisible(), true);
  assert.equal(await page.locator('#start').isVisible(), true);
  await page.close();
});

test('the pad and the buttons hold what the equivalent script holds', async () => {
  // The pad's right sector from the first pulse, START touched a second later.
  let page = await open('?seed=41&wait=1', { options: PHONE, clock: true });
  let fingers = await touchScreen(page);
  const right = await padPoint(page, [1, 0], 1);
  await fingers([right]);
  await page.clock.runFor(1000);
  assert.equal(await page.locator('#pad.pressed').count(), 1);
  await fingers([right, await centreOf(page, '#start', 2)]);
  assert.equal(await page.locator('#start.pressed').count(), 1);
  const { pulse } = await runUntil(page, ['ended']);
  await fingers([]);
  await assertPicture(page, 41, pulse, '0 right\n');
  assert.deepEqual(page.errors, []);
  await page.close();

  // Up-left on the pad and SELECT, landing together, until the run ends by itself.
  page = await open('?seed=42&frames=90&wait=1', { options: PHONE, clock: true });
  fingers = await touchScreen(page);
  await fingers([await padPoint(page, [-1, -1], 1), await centreOf(page, '#select', 2)]);
  await runUntil(page, ['ended']);
  await fingers([]);
  await assertPicture(page, 42, 90, '0 up-left+select\n');
  await page.close();

  // A finger sliding across the pad without lifting: right, up, the dead zone, START.
  page = await open('?seed=43&wait=1', { options: PHONE, clock: true });
  fingers = await touchScreen(page);
  await fingers([await padPoint(page, [1, 0], 1)]);
  await page.clock.runFor(500);
  await fingers([await padPoint(page, [0, -1], 1)]);
  await page.clock.runFor(500);
  const centre = await padPoint(page, [0, 0], 1);
  await fingers([centre]);
  await page.clock.runFor(500);
  await fingers([centre, await centreOf(page, '#start', 2)]);
  await runUntil(page, ['ended']);
  await fingers([]);
  const run = await savedRun(page);
  assertChanges(run.changes, ['right', 'up', 'none', 'start']);
  await assertPicture(page, 43, null, run.text);
  await page.close();
});

test('a hidden page stops the clock and gives the exact picture of its pulse', async () => {
  const seed = 31, frames = 150;
  const page = await open(`?seed=${seed}&frames=${frames}&wait=1`, { clock: true });
  await page.click('#screen');  // starts the run, holding nothing
  await page.clock.runFor(1000);
  await setHidden(page, true);
  const before = await canvasPicture(page);
  // Ten seconds of frames keep coming (headless Chromium never really hides the page).
  await page.clock.runFor(10000);
  assert.equal(difference(before, await canvasPicture(page)), null, 'the demo ran on');
  assert.equal((await settle(page, ['running'])).state, 'running');
  await setHidden(page, false);
  assert.equal((await runUntil(page, ['ended'])).pulse, frames);
  await assertPicture(page, seed, frames, '');
  await page.close();
});

test('keys and touches held when the page is hidden are let go', async () => {
  const seed = 32;
  const page = await open(`?seed=${seed}&wait=1`, { options: PHONE, clock: true });
  const fingers = await touchScreen(page);
  await page.focus('#screen');
  await page.keyboard.down('ArrowRight');  // never released: the page must let go of it
  await fingers([await padPoint(page, [0, -1], 1)]);
  await page.clock.runFor(500);
  await setHidden(page, true);
  await page.clock.runFor(3000);
  await setHidden(page, false);
  await fingers([]);
  // After showing again, pulses come at the beat from where they stopped, none caught up.
  await page.clock.runFor(500);
  await page.keyboard.down('Enter');
  await runUntil(page, ['ended']);
  const run = await savedRun(page);
  assertChanges(run.changes, ['up-right', 'none', 'start']);
  await assertPicture(page, seed, null, run.text);
  await page.close();
});

test('after one visit the page loads and runs with no network', async () => {
  const context = await browser.newContext({ viewport: { width: 640, height: 600 } });
  let page = await context.newPage();
  await page.goto(base + '?seed=1&frames=30');
  await settle(page, ['ended']);
  const version = fs.readFileSync(path.join(sourceDir, 'CMakeLists.txt'), 'utf8')
      .match(/^project\(plasmaballs VERSION ([0-9.]+)/m)[1];
  const caches = await page.evaluate(async () => {
    await navigator.serviceWorker.ready;
    return caches.keys();
  });
  assert.equal(caches.length, 1);
  assert.ok(caches[0].startsWith(`plasmaballs-${version}-`), caches[0]);
  await context.setOffline(true);
  await page.reload();
  await settle(page, ['ended']);
  await assertPicture(page, 1, 30, '');
  // Another address of the page, never visited, comes from the same files.
  page = await context.newPage();
  await page.goto(base + '?seed=5&frames=20&script=3%20down%0A');
  await settle(page, ['ended']);
  await assertPicture(page, 5, 20, '3 down\n');
  assert.equal(await page.evaluate(() => navigator.serviceWorker.controller !== null), true);
  await context.close();
});

test('the page can be installed: manifest, icons, version, and it stays small', async () => {
  const page = await browser.context.newPage();
  await page.goto(base + '?wait=1');
  await settle(page, ['waiting']);
  const session = await browser.context.newCDPSession(page);
  const { errors, url } = await session.send('Page.getAppManifest');
  assert.deepEqual(errors, []);
  assert.equal(url, base + 'manifest.webmanifest');
  const manifest = JSON.parse(fs.readFileSync(path.join(webDir, 'manifest.webmanifest'), 'utf8'));
  for (const field of ['name', 'short_name', 'start_url', 'theme_color', 'background_color']) {
    assert.equal(typeof manifest[field], 'string', field);
  }
  assert.ok(['standalone', 'fullscreen'].includes(manifest.display), manifest.display);
  const sizes = manifest.icons.map((icon) => icon.sizes).sort();
  assert.deepEqual(sizes, ['192x192', '512x512']);
  for (const icon of manifest.icons) {
    const response = await fetch(new URL(icon.src, base));
    assert.equal(response.status, 200, icon.src);
    const { width, height, colour } = pngHeader(Buffer.from(await response.arrayBuffer()));
    assert.equal(`${width}x${height}`, icon.sizes, icon.src);
    assert.equal(colour, 6, `${icon.src} is not RGBA`);
  }

  const version = fs.readFileSync(path.join(sourceDir, 'CMakeLists.txt'), 'utf8')
      .match(/^project\(plasmaballs VERSION ([0-9.]+)/m)[1];
  assert.equal(await page.locator('#version').textContent(), `plasmaballs ${version}`);
  assert.equal(await page.locator('#version').isVisible(), true);
  await page.close();

  const size = (file) => fs.statSync(path.join(webDir, file)).size;
  const code = size('plasmaballs.js') + size('plasmaballs.wasm');
  assert.ok(code < 300e3, `script and wasm: ${code} bytes`);
  const whole = fs.readdirSync(webDir).reduce((total, file) => total + size(file), 0);
  assert.ok(whole < 400e3, `the whole page: ${whole} bytes`);
});
