// Sharing from the page: a run paused and shared replays in a fresh page to the same picture and
// hands over to the player there; pause and step match the headless pictures; the share sheet,
// the clipboard and the selected link; a damaged link's one line; run files opened and saved;
// and a clip where the browser records one.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { test } from 'node:test';

import { PHONE, base, canvasPicture, difference, headlessPicture, open, runUntil, settle, usePage }
    from './support.mjs';

const SCRIPT = '10 right\n40 up-left\n70 none\n';

usePage();

const lineOf = (page, id) => page.evaluate((id) => document.getElementById(id).textContent, id);

async function assertSame(page, wanted, what) {
  assert.equal(difference(wanted, await canvasPicture(page)), null, what);
}

// Shares the run; resolves to the line that says what became of the link.
async function share(page) {
  await page.click('#share');
  await page.waitForFunction(() => !document.getElementById('notice').hidden);
  return lineOf(page, 'notice');
}

test('a run paused and shared replays in a fresh page to the same picture, then is the player\'s',
     async () => {
  const seed = 7;
  const page = await open(`?seed=${seed}&wait=1&script=${encodeURIComponent(SCRIPT)}`,
                          { clock: true, grant: ['clipboard-read', 'clipboard-write'] });
  await page.focus('#screen');
  await page.keyboard.down('ArrowDown');  // starts the run
  await page.clock.runFor(1000);
  await page.keyboard.up('ArrowDown');
  await page.clock.runFor(500);
  await page.keyboard.press('KeyP');
  const { pulse, line } = await runUntil(page, ['paused']);
  assert.match(line, new RegExp(`^Paused at pulse ${pulse} `));
  // The clock goes on, the run does not.
  const paused = await canvasPicture(page);
  await page.clock.runFor(1000);
  assert.equal((await settle(page, ['paused'])).pulse, pulse);
  await assertSame(page, paused, 'a paused run moved');

  // What is on the screen is what the saved run's headless replay shows.
  const [download] = await Promise.all([page.waitForEvent('download'), page.click('#save')]);
  assert.equal(download.suggestedFilename(), `plasmaballs-${seed}-${pulse}.pbrun`);
  const file = fs.readFileSync(await download.path(), 'utf8');
  assert.match(file, new RegExp(`\\nend ${pulse + 1}\\n$`));
  await assertSame(page, headlessPicture(seed, pulse, file), 'paused picture');

  assert.equal(await share(page), 'The link is copied to the clipboard.');
  assert.equal(await page.evaluate(() => document.activeElement.id), 'screen');
  const link = await page.evaluate(() => navigator.clipboard.readText());
  assert.ok(link.startsWith(`${base}?run=`) && link.length < base.length + 40, link);

  // N steps one pulse, exactly the next headless picture.
  await page.keyboard.press('KeyN');
  await page.clock.runFor(100);
  assert.equal((await settle(page, ['paused'])).pulse, pulse + 1);
  await assertSame(page, headlessPicture(seed, pulse + 1, file), 'the step');
  assert.deepEqual(page.errors, []);
  await page.close();

  // The link, with a key held all through the replay that the replay ignores.
  const replay = await open(link.slice(base.length));
  await settle(replay, ['replaying']);
  assert.equal(await replay.locator('#skip').isVisible(), true);
  await replay.focus('#screen');
  await replay.keyboard.down('ArrowLeft');
  await replay.click('#skip');
  const shared = await settle(replay, ['paused']);
  await replay.keyboard.up('ArrowLeft');
  assert.equal(shared.pulse, pulse);
  assert.match(shared.line, /where the run ends/);
  assert.equal(await replay.locator('#skip').isVisible(), false);
  await assertSame(replay, paused, 'the shared moment');
  // From there the buttons are the player's: P resumes and Enter hands over.
  await replay.keyboard.press('KeyP');
  await settle(replay, ['running']);
  await replay.keyboard.down('Enter');
  const ended = await settle(replay, ['ended']);
  await replay.keyboard.up('Enter');
  assert.ok(ended.pulse > pulse, `handed over at ${ended.pulse}`);
  assert.deepEqual(replay.errors, []);
  await replay.close();

  // Damaged, the link gives its one line and the page runs as it would without it.
  const at = link.length - 5;
  const damaged = link.slice(0, at) + (link[at] === 'A' ? 'B' : 'A') + link.slice(at + 1);
  const refused = await open(damaged.slice(base.length) + '&frames=30');
  assert.equal((await settle(refused, ['ended'])).pulse, 30);
  assert.equal(await lineOf(refused, 'notice'), 'Cannot replay the link: run: the checksum does ' +
               'not match (the link is damaged or incomplete).');
  await refused.close();
});

test('a run shared after START hands over in the replay; on a phone the share sheet takes it',
     async () => {
  const page = await open('?seed=3&frames=40', {
    options: PHONE, init: 'navigator.share = async (data) => { window.shared = data; };' });
  await settle(page, ['ended']);
  assert.equal(await share(page), 'The link went to the share sheet.');
  const link = await page.evaluate(() => window.shared.url);
  await page.close();

  const replay = await open(link.slice(base.length));
  assert.equal((await settle(replay, ['ended'])).line,
               'Handed over to the console menu at pulse 40.');
  await assertSame(replay, headlessPicture(3, 40), 'the hand-over');
  await replay.close();
});

test('PAUSE and STEP on the touch screen; with no clipboard the link is shown selected',
     async () => {
  const page = await open('?seed=44&wait=1', {
    options: PHONE, clock: true,
    init: 'for (const name of ["clipboard", "share"]) ' +
          'Object.defineProperty(Navigator.prototype, name, { get: () => undefined });' });
  await page.tap('#screen');  // starts the run
  await page.clock.runFor(500);
  await page.tap('#pause');
  const { pulse } = await runUntil(page, ['paused']);
  await page.tap('#step');
  await page.clock.runFor(100);
  assert.equal((await settle(page, ['paused'])).pulse, pulse + 1);
  await assertSame(page, headlessPicture(44, pulse + 1), 'a step');

  assert.equal(await share(page), 'No clipboard here: the link is selected, ready to copy.');
  const link = await page.locator('#link').getAttribute('href');
  assert.equal(await page.evaluate(() => window.getSelection().toString()), link);
  assert.equal(await page.evaluate(() => document.activeElement.id), 'screen');
  await page.close();
});

test('a run file opens from the picker or dropped on the page, and a bad one is named',
     async () => {
  const text = 'format 1\nseed 12\n0 right\n30 down-left+select\n50 none\nend 600\n';
  const page = await open('?seed=1');
  await settle(page, ['running']);
  await page.evaluate(() => { window.before = true; });
  await page.setInputFiles('#picker', { name: 'bad.pbrun', mimeType: 'text/plain',
                                        buffer: Buffer.from('seed 1\nseed 2\n') });
  await page.waitForFunction(() => !document.getElementById('notice').hidden);
  assert.equal(await lineOf(page, 'notice'),
               'Cannot open bad.pbrun: line 2: seed is given more than once.');
  assert.equal(await page.evaluate(() => window.before), true);

  await Promise.all([page.waitForEvent('load'),
                     page.setInputFiles('#picker', { name: 'good.pbrun', mimeType: 'text/plain',
                                                     buffer: Buffer.from(text) })]);
  await page.click('#skip');
  assert.equal((await settle(page, ['paused'])).pulse, 599);
  await assertSame(page, headlessPicture(12, 599, text), 'the opened run');

  await Promise.all([page.waitForEvent('load'), page.evaluate((text) => {
    const transfer = new DataTransfer();
    transfer.items.add(new File([text.replace('seed 12', 'seed 13')], 'dropped.pbrun'));
    document.dispatchEvent(new DragEvent('drop', { dataTransfer: transfer, bubbles: true }));
  }, text)]);
  await page.click('#skip');
  assert.equal((await settle(page, ['paused'])).pulse, 599);
  await assertSame(page, headlessPicture(13, 599, text), 'the dropped run');
  // A reload starts afresh, not with the file.
  await page.reload();
  assert.equal((await settle(page, ['running', 'replaying'])).state, 'running');
  assert.deepEqual(page.errors, []);
  await page.close();
});

test('Record gives a clip of the picture at twice its size, where the browser records',
     async () => {
  const page = await open('?seed=2');
  await settle(page, ['running']);
  const recordable = await page.evaluate(() => typeof MediaRecorder !== 'undefined' &&
      ['video/mp4;codecs=avc1', 'video/webm'].some((type) => MediaRecorder.isTypeSupported(type)));
  assert.equal(await page.locator('#record').isVisible(), recordable);
  if (!recordable) return;
  await page.click('#record');
  await page.waitForTimeout(1500);
  const [download] = await Promise.all([page.waitForEvent('download'), page.click('#record')]);
  const name = download.suggestedFilename();
  assert.match(name, /^plasmaballs-2-[0-9]+-[0-9]+\.(mp4|webm)$/);
  const clip = fs.readFileSync(await download.path());
  const shape = await page.evaluate((data) => new Promise((resolve) => {
    const video = document.createElement('video');
    video.src = `data:video/${data.type};base64,${data.clip}`;
    video.onloadedmetadata = () => resolve([video.videoWidth, video.videoHeight]);
    video.onerror = () => resolve(null);
  }), { clip: clip.toString('base64'), type: name.split('.')[1] });
  assert.deepEqual(shape, [640, 480]);
  assert.match(await lineOf(page, 'notice'), new RegExp(`^The clip is saved as ${name} \\(`));
  assert.equal(await page.evaluate(() => document.activeElement.id), 'screen');
  await page.close();
});
