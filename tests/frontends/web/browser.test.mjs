// The browser build in a real browser: the canvas after a run equals the headless picture of the
// same pulse, keys and gamepads reach the demo, START hands over, and bad addresses are refused.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { base, browser, canvasPicture, difference, headlessPicture, settle, usePage }
    from './support.mjs';

usePage();

async function open(query, { gamepad } = {}) {
  const page = await browser.context.newPage();
  const errors = [];
  page.on('pageerror', (error) => errors.push(error.message));
  if (gamepad) await page.addInitScript(gamepad);
  await page.goto(base + query);
  page.errors = errors;
  return page;
}

async function assertPicture(page, seed, frames, script) {
  const wanted = headlessPicture(seed, frames, script);
  const found = await canvasPicture(page);
  const problem = difference(wanted, found);
  assert.equal(problem, null, `seed ${seed}, pulse ${frames}, script ${JSON.stringify(script)}`);
}

// A gamepad that the page sees from its first look: a standard layout with these buttons held,
// this left stick, and Start held once the test sets window.pressStart.
function gamepad(held, axes) {
  return `(() => {
    const held = ${JSON.stringify(held)}, axes = ${JSON.stringify(axes)};
    navigator.getGamepads = () => [{
      connected: true, mapping: 'standard', axes: axes.concat([0, 0]),
      buttons: Array.from({ length: 17 }, (_, n) => {
        const pressed = held.includes(n) || (n === 9 && window.pressStart === true);
        return { pressed, touched: pressed, value: pressed ? 1 : 0 };
      }),
    }];
  })();`;
}

const RUNS = [
  { seed: 1, frames: 90, script: '' },
  { seed: 40000, frames: 150, script: '' },
  { seed: 7, frames: 120, script: '10 right\n40 up-left+select\n43 none\n80 down\n100 select\n' },
];

test('the canvas after ?seed=S&frames=N is the headless picture of pulse N', async () => {
  for (const { seed, frames, script } of RUNS) {
    const query = `?seed=${seed}&frames=${frames}` +
                  (script ? `&script=${encodeURIComponent(script)}` : '');
    const page = await open(query);
    const { line, pulse } = await settle(page, ['ended']);
    assert.match(line, /handed over/i);
    if (!script) assert.equal(pulse, frames);
    await assertPicture(page, seed, frames, script);
    assert.deepEqual(page.errors, []);
    await page.close();
  }
});

test('the picture is scaled by a whole factor, centred and unfiltered', async () => {
  const page = await open('?seed=2&frames=1');
  await settle(page, ['ended']);
  const box = await page.evaluate(() => {
    const canvas = document.getElementById('screen');
    const rect = canvas.getBoundingClientRect();
    const stage = document.getElementById('stage').getBoundingClientRect();
    return { rect: rect.toJSON(), stage: stage.toJSON(),
             rendering: getComputedStyle(canvas).imageRendering };
  });
  // 1000 x 800 less the bar: three times 320 x 240 fits, four times does not.
  assert.equal(box.rect.width, 960);
  assert.equal(box.rect.height, 720);
  assert.equal(box.rect.left - box.stage.left, box.stage.right - box.rect.right);
  assert.equal(box.rect.top - box.stage.top, box.stage.bottom - box.rect.bottom);
  assert.equal(box.rendering, 'pixelated');
  await page.setViewportSize({ width: 700, height: 560 });
  await page.waitForFunction(() => document.getElementById('screen').clientWidth === 640);
  await page.close();
});

test('Start again gives a fresh run, as reloading does', async () => {
  const { seed, frames } = RUNS[0];
  const page = await open(`?seed=${seed}&frames=${frames}`);
  await settle(page, ['ended']);
  assert.equal(await page.evaluate(() => document.activeElement.id), 'restart');
  await page.evaluate(() => { window.beforeRestart = true; });
  await Promise.all([page.waitForEvent('load'), page.click('#restart')]);
  assert.equal(await page.evaluate(() => window.beforeRestart), undefined);
  assert.equal((await settle(page, ['ended'])).pulse, frames);
  await assertPicture(page, seed, frames, '');
  await page.close();
});

test('ArrowRight held from the start pushes the balls as the script "0 right" does', async () => {
  const seed = 9, frames = 100;
  assert.notEqual(difference(headlessPicture(seed, frames, '0 right\n'),
                             headlessPicture(seed, frames)), null, 'the key must change the run');
  const page = await open(`?seed=${seed}&frames=${frames}&wait=1`);
  await settle(page, ['waiting']);
  await page.evaluate(() => {
    window.prevented = [];
    window.addEventListener('keydown', (event) => window.prevented.push(event.defaultPrevented));
  });
  await page.focus('#screen');
  await page.keyboard.down('ArrowRight');  // starts the run with the key already down
  await settle(page, ['ended']);
  await page.keyboard.up('ArrowRight');
  await assertPicture(page, seed, frames, '0 right\n');
  assert.deepEqual(await page.evaluate(() => window.prevented), [true]);
  assert.equal(await page.evaluate(() => window.scrollY), 0);
  await page.close();
});

test('Enter hands over at the next pulse', async () => {
  const seed = 3;
  const page = await open(`?seed=${seed}`);
  await settle(page, ['running']);
  await page.focus('#screen');
  await page.waitForTimeout(700);
  await page.keyboard.down('Enter');
  const { line, pulse } = await settle(page, ['ended']);
  await page.keyboard.up('Enter');
  assert.match(line, new RegExp(`pulse ${pulse}\\b`));
  assert.ok(pulse > 0);
  assert.equal(await page.locator('#restart').isVisible(), true);
  // START held from the pulse after the key went down: the headless run with --frames P.
  await assertPicture(page, seed, pulse, '');
  await page.close();
});

test('gamepad d-pad, stick, Back and Start reach the demo', async () => {
  // The stick pushed up-left and Start pressed later: the run ends at the pulse Start came.
  let page = await open('?seed=11', { gamepad: gamepad([], [-0.7, -0.72]) });
  await settle(page, ['running']);
  await page.waitForTimeout(700);
  await page.evaluate(() => { window.pressStart = true; });
  const { pulse } = await settle(page, ['ended']);
  assert.ok(pulse > 0);
  await assertPicture(page, 11, pulse, '0 up-left\n');
  await page.close();

  const cases = [
    // The d-pad's right and down close the diagonal contact; a stick inside its dead zone adds
    // nothing.
    { held: [13, 15], axes: [0.2, -0.15], seed: 12, frames: 90, script: '0 down-right\n',
      pulse: 90 },
    // Back is SELECT: one new frame per seventeen pulses, so START from pulse 60 is seen after
    // the slow-motion wait that ends at pulse 68.
    { held: [8], axes: [0, 0], seed: 13, frames: 60, script: '0 select\n', pulse: 68 },
  ];
  for (const c of cases) {
    page = await open(`?seed=${c.seed}&frames=${c.frames}`, { gamepad: gamepad(c.held, c.axes) });
    assert.equal((await settle(page, ['ended'])).pulse, c.pulse);
    await assertPicture(page, c.seed, c.frames, c.script);
    await page.close();
  }
});

test('bad parameters are refused with a clear line', async () => {
  const cases = [
    ['?seed=abc', 'Cannot start: seed takes a whole number from 0 to 65535, not "abc".'],
    ['?seed=1&frames=1e3', 'Cannot start: frames takes a whole number from 0 to 4294967295, ' +
                           'not "1e3".'],
    ['?script=5%20jump', 'Cannot start: script: line 1: unknown button "jump" (expected none, ' +
                         'start, select, up, down, left, right, up-left, up-right, down-left ' +
                         'or down-right).'],
    ['?seed=1&seed=2', 'Cannot start: seed is given more than once.'],
  ];
  for (const [query, message] of cases) {
    const page = await open(query);
    const { line } = await settle(page, ['error']);
    assert.equal(line, message, query);
    assert.deepEqual(page.errors, []);
    await page.close();
  }
});
