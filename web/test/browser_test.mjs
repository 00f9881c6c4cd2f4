// The page in headless Chromium, against the native library's pictures.
//
//   node web/test/browser_test.mjs SITE_DIR QUELM_TOOL
//
// SITE_DIR is the built page (<wasm build>/web/site), QUELM_TOOL the native
// `quelm` command line, whose `render` draws the reference pictures.  Exits
// 1 on the first failed check or any console error.
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { chromium } from 'playwright-core';
import { serve } from './site_server.mjs';

const [siteDir, quelmTool] = process.argv.slice(2);
if (!siteDir || !quelmTool) {
  console.error('usage: browser_test.mjs SITE_DIR QUELM_TOOL');
  process.exit(2);
}
const CHROMIUM = process.env.QUELM_CHROMIUM || '/usr/bin/chromium';
const WIDTH = 640, HEIGHT = 400;
const BACKGROUND = 3; // the page's background index, as in the viewer
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'quelm-web-'));

let failures = 0;
function check(ok, what) {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}`);
  if (!ok) failures += 1;
  return ok;
}

// The native tool's picture of a camera as RGB rows, top row first.
function nativePicture(camera, width, height) {
  const file = path.join(work, 'native.bmp');
  const f = (v) => v.map((x) => x.toPrecision(17)).join(',');
  execFileSync(quelmTool, ['render', '--camera', f(camera.eye), '--target', f(camera.target),
    '--magnification', camera.magnification.toPrecision(17), '--size', `${width}x${height}`,
    '--background', String(BACKGROUND), '--format', 'bmp', '-o', file]);
  const bmp = fs.readFileSync(file);
  const offset = bmp.readUInt32LE(10), headerSize = bmp.readUInt32LE(14);
  const w = bmp.readInt32LE(18), h = bmp.readInt32LE(22), bits = bmp.readUInt16LE(28);
  if (bits !== 8 || w !== width || Math.abs(h) !== height) throw new Error('unexpected BMP');
  const palette = 14 + headerSize, stride = (w + 3) & ~3;
  const rgb = Buffer.alloc(w * height * 3);
  for (let y = 0; y < height; ++y) {
    const row = offset + (h > 0 ? height - 1 - y : y) * stride;
    for (let x = 0; x < w; ++x) {
      const entry = palette + bmp[row + x] * 4;
      rgb[(y * w + x) * 3] = bmp[entry + 2];
      rgb[(y * w + x) * 3 + 1] = bmp[entry + 1];
      rgb[(y * w + x) * 3 + 2] = bmp[entry];
    }
  }
  return rgb;
}

// The canvas as RGB rows, top row first.
async function canvasPicture(page) {
  const { width, height, data } = await page.evaluate(() => {
    const c = document.getElementById('view');
    const pixels = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
    let text = '';
    for (let i = 0; i < pixels.length; i += 0x8000)
      text += String.fromCharCode.apply(null, pixels.subarray(i, i + 0x8000));
    return { width: c.width, height: c.height, data: btoa(text) };
  });
  const rgba = Buffer.from(data, 'base64');
  const rgb = Buffer.alloc(width * height * 3);
  for (let i = 0, j = 0; i < rgba.length; i += 4, j += 3) {
    rgb[j] = rgba[i];
    rgb[j + 1] = rgba[i + 1];
    rgb[j + 2] = rgba[i + 2];
  }
  return { width, height, rgb };
}

function differingPixels(a, b) {
  let n = 0;
  for (let i = 0; i < a.length; i += 3)
    if (a[i] !== b[i] || a[i + 1] !== b[i + 1] || a[i + 2] !== b[i + 2]) n += 1;
  return n;
}

async function frames(page, count) {
  const start = await page.evaluate(() => window.quelmPage.frames);
  await page.waitForFunction((n) => window.quelmPage.frames >= n, start + count);
}

async function camera(page) {
  return page.evaluate(() => window.quelmPage.camera());
}

// The canvas equals the native picture of the page's current camera.
async function matchesNative(page, what) {
  await frames(page, 2);
  const cam = await camera(page);
  const shown = await canvasPicture(page);
  const native = nativePicture(cam, shown.width, shown.height);
  const differ = differingPixels(shown.rgb, native);
  check(differ === 0, `${what}: canvas ${shown.width}x${shown.height} equals the native picture` +
    (differ ? ` (${differ} pixels differ)` : ''));
  return shown;
}

const site = await serve(siteDir);
const browser = await chromium.launch({ executablePath: CHROMIUM, args: ['--no-sandbox'] });
try {
  const page = await browser.newPage({ viewport: { width: WIDTH, height: HEIGHT } });
  const consoleErrors = [];
  page.on('console', (m) => { if (m.type() === 'error') consoleErrors.push(m.text()); });
  page.on('pageerror', (e) => consoleErrors.push(e.message));
  page.on('crash', () => consoleErrors.push('the page crashed'));

  // Frame-rate adaptation off: no surface swaps or pans, so that every frame
  // is a complete picture of its camera.
  await page.goto(`${site.url}?adapt=0`);
  await page.evaluate(() => window.quelmPage.ready.then(() => true));
  const size = await page.evaluate(() => [document.getElementById('view').width,
    document.getElementById('view').height]);
  check(size[0] === WIDTH && size[1] === HEIGHT, `the canvas fills the window (${size})`);

  // quelm render's own view: high over a corner of the stands.
  await page.evaluate(() => window.quelmPage.setView([2000, -3400, 2600], [0, 0, 0],
    Math.min(640 / 12800, 400 / 8000)));
  await matchesNative(page, 'quelm render\'s view');
  await page.evaluate(() => window.quelmPage.setView([-1900, -2300, 1300], [0, -300, 0], 0.16));
  const before = await matchesNative(page, 'the starting view');

  // Orbit with the left button.
  const eyeBefore = (await camera(page)).eye;
  await page.mouse.move(300, 200);
  await page.mouse.down();
  for (let i = 1; i <= 6; ++i) await page.mouse.move(300 + i * 10, 200 + i * 3);
  await page.mouse.up();
  const afterDrag = await camera(page);
  check(afterDrag.eye.some((v, i) => Math.abs(v - eyeBefore[i]) > 1), 'a drag moves the camera');
  const dragged = await matchesNative(page, 'after the drag');
  check(differingPixels(before.rgb, dragged.rgb) > 0, 'a drag changes the picture');

  // The coordinate dialog: the magnification slider to 0.4.  The dialog
  // writes back every slider, so the camera's members become whole numbers.
  const opened = await camera(page);
  await page.keyboard.press('c');
  await page.waitForSelector('.dialog input[data-id="109"]');
  await page.evaluate(() => {
    const input = document.querySelector('.dialog input[data-id="109"]');
    input.value = 400;
    input.dispatchEvent(new Event('input'));
    input.dispatchEvent(new Event('change'));
  });
  await page.waitForFunction(() =>
    document.querySelector('.dialog .static[data-id="129"]').textContent === '400');
  await frames(page, 2);
  const live = await camera(page);
  check(live.magnification === 0.4, `the slider sets the magnification while the dialog is open (${live.magnification})`);
  // Past its end: a line down on the bank slider's maximum stays there.
  await page.evaluate(() => {
    const input = document.querySelector('.dialog input[data-id="108"]');
    input.value = 359;
    input.dispatchEvent(new Event('change'));
  });
  await page.click('.dialog input[data-id="108"] + button');
  await frames(page, 2);
  const bank = await page.evaluate(() => [document.querySelector('.dialog .static[data-id="128"]').textContent,
    document.querySelector('.dialog input[data-id="108"]').value]);
  check(bank[0] === '359' && bank[1] === '359', `a line down past the bank slider's end keeps it at 359 (${bank})`);
  await page.keyboard.press('Enter');
  await page.waitForSelector('.dialog', { state: 'detached' });
  const closed = await camera(page);
  const whole = (v) => v.map(Math.trunc);
  check(JSON.stringify(closed.eye) === JSON.stringify(whole(opened.eye)) &&
    JSON.stringify(closed.target) === JSON.stringify(whole(opened.target)) &&
    closed.magnification === 0.4, 'OK keeps the dialog\'s camera: whole numbers, magnification 0.4');
  const tuned = await matchesNative(page, 'after the dialog');
  check(differingPixels(dragged.rgb, tuned.rgb) > 0, 'the dialog changes the picture');

  // The PNG button saves the canvas.
  const [download] = await Promise.all([page.waitForEvent('download'), page.click('#png')]);
  const png = fs.readFileSync(await download.path());
  check(png.subarray(1, 4).toString() === 'PNG' && png.readUInt32BE(16) === WIDTH &&
    png.readUInt32BE(20) === HEIGHT, `the PNG button saves a ${WIDTH}x${HEIGHT} PNG (${download.suggestedFilename()})`);

  // Spin: frames change by themselves.
  await page.keyboard.press('3');
  await frames(page, 3);
  const spinA = await canvasPicture(page);
  await frames(page, 10);
  const spinB = await canvasPicture(page);
  check((await camera(page)).view === 2, 'key 3 makes a spin camera');
  check(differingPixels(spinA.rgb, spinB.rgb) > 0, 'the spin camera turns the picture');

  // Window sizes: 1x1, then a picture memory cannot hold, then back.
  await page.setViewportSize({ width: 1, height: 1 });
  await frames(page, 3);
  const tiny = await page.evaluate(() => [document.getElementById('view').width, window.quelmPage.running]);
  check(tiny[0] === 1 && tiny[1], 'a 1x1 window draws a 1x1 picture');
  const huge = await page.evaluate(() => {
    window.quelmPage.fitPicture(16384, 16384);
    return window.quelmPage.message;
  });
  check(/does not fit in memory/.test(huge), `a picture too large for memory says so ("${huge}")`);
  await page.setViewportSize({ width: WIDTH, height: HEIGHT });
  await page.keyboard.press('2');
  await frames(page, 3);
  const back = await page.evaluate(() => [document.getElementById('view').width,
    window.quelmPage.message, window.quelmPage.running]);
  check(back[0] === WIDTH && back[1] === '' && back[2], 'back to the window\'s size, the message gone');
  await matchesNative(page, 'after the resizes');

  // A window of no pixels: the page in a frame 0 pixels wide, then widened.
  const framed = await browser.newPage();
  framed.on('pageerror', (e) => consoleErrors.push(e.message));
  await framed.goto(`${site.url}nothing`).catch(() => {});
  await framed.setContent(`<iframe id="f" src="${site.url}?adapt=0" width="0" height="300" style="border:0"></iframe>`);
  const inner = () => framed.frames().find((f) => f !== framed.mainFrame());
  await framed.waitForFunction(() => document.getElementById('f').contentWindow.quelmPage);
  await inner().evaluate(() => window.quelmPage.ready.then(() => true));
  await inner().waitForFunction(() => window.quelmPage.message !== '');
  const empty = await inner().evaluate(() => [window.innerWidth, window.quelmPage.message, window.quelmPage.running]);
  check(empty[0] === 0 && /no room/.test(empty[1]) && empty[2], `a window 0 pixels wide says so and keeps running ("${empty[1]}")`);
  await framed.evaluate(() => { document.getElementById('f').width = '200'; });
  const drawn = await inner().evaluate(() => window.quelmPage.frames);
  await frames(inner(), 3);
  const widened = await inner().evaluate(() => [document.getElementById('view').width,
    window.quelmPage.message, window.quelmPage.frames]);
  check(widened[0] === 200 && widened[1] === '' && widened[2] > drawn, `widened to 200 pixels, it draws again (${widened})`);
  await framed.close();

  // A phone: one finger orbits, two fingers pinch to zoom.
  const phone = await browser.newContext({ viewport: { width: 390, height: 844 }, hasTouch: true,
    isMobile: true });
  const touchPage = await phone.newPage();
  touchPage.on('console', (m) => { if (m.type() === 'error') consoleErrors.push(m.text()); });
  touchPage.on('pageerror', (e) => consoleErrors.push(e.message));
  await touchPage.goto(`${site.url}?adapt=0`);
  await touchPage.evaluate(() => window.quelmPage.ready.then(() => true));
  const touch = await touchPage.context().newCDPSession(touchPage);
  const fingers = async (type, points) => {
    await touch.send('Input.dispatchTouchEvent', { type, touchPoints: points.map(([x, y], id) => ({ x, y, id })) });
    await frames(touchPage, 1);
  };
  const untouched = await camera(touchPage);
  await fingers('touchStart', [[200, 500]]);
  for (let i = 1; i <= 5; ++i) await fingers('touchMove', [[200 + i * 12, 500]]);
  await fingers('touchEnd', []);
  const orbited = await camera(touchPage);
  check(orbited.eye.some((v, i) => Math.abs(v - untouched.eye[i]) > 1) &&
    JSON.stringify(orbited.target) === JSON.stringify(untouched.target), 'one finger orbits');
  await fingers('touchStart', [[150, 500], [250, 500]]);
  for (let i = 1; i <= 5; ++i) await fingers('touchMove', [[150 - i * 10, 500], [250 + i * 10, 500]]);
  await fingers('touchEnd', []);
  const pinched = await camera(touchPage);
  check(Math.abs(pinched.magnification / orbited.magnification - 2) < 1e-9,
    `spreading two fingers from 100 to 200 pixels doubles the magnification (${orbited.magnification} to ${pinched.magnification})`);
  await matchesNative(touchPage, 'the phone after the touches');
  await phone.close();

  check(consoleErrors.length === 0, `no console errors${consoleErrors.length ? `: ${consoleErrors.join('; ')}` : ''}`);
} finally {
  await browser.close();
  site.close();
  fs.rmSync(work, { recursive: true, force: true });
}
console.log(failures ? `${failures} checks failed` : 'all checks passed');
process.exit(failures ? 1 : 0);
