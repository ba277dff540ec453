// The particle page in headless Chromium, served on localhost by serve.js:
//
//   node page_test.js --bin BUILD/bin --reference-bench NATIVE_BENCH --out DIR
//
// - the canvas is 800 x 600 and shows the particles (screenshot in DIR);
// - a key ends the program: the seed is shown in the top-left text cells,
//   nothing else is left on the canvas, the program ends with code 0;
// - a reload starts the program again;
// - after 1, 10 and 100 frames (particles-held) the canvas's pixels equal
//   the x86-64 bench's frame dump after as many frames;
// - without a canvas no driver starts and the console fallback prints the
//   seed to the browser's console; an unknown VZGFX starts the drivers as on
//   the desktop; VZGFX=null draws nothing into the canvas; a hidden page is
//   a close request.
// Prints one line per check and exits 1 when any failed.
'use strict';
const { execFileSync } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const { serve } = require('./serve.js');

let chromium;
try {
  ({ chromium } = require('playwright-core'));
} catch (error) {
  console.error('playwright-core is missing: run `npm ci --prefix tests/web` first');
  process.exit(1);
}

const WIDTH = 800;
const HEIGHT = 600;
const CHROMIUM_ARGS = ['--headless', '--no-sandbox', '--disable-gpu', '--disable-background-networking',
  '--disable-quic', '--no-first-run', '--disable-component-update', '--disable-sync'];
const SEED_TEXT = ' 52231.78';
const CELL_WIDTH = 8;
const CELL_HEIGHT = 16;

function options() {
  const args = process.argv.slice(2);
  const value = (name) => {
    const i = args.indexOf(name);
    return i >= 0 && i + 1 < args.length ? args[i + 1] : null;
  };
  const bin = value('--bin');
  const reference = value('--reference-bench');
  const out = value('--out') || fs.mkdtempSync(path.join(os.tmpdir(), 'vz-web-'));
  if (!bin || !reference) {
    console.error('usage: node page_test.js --bin BUILD/bin --reference-bench NATIVE_BENCH [--out DIR]');
    process.exit(2);
  }
  return { bin, reference, out };
}

// The RGB bytes of a binary PPM (P6, maxval 255).
function readPpm(file) {
  const data = fs.readFileSync(file);
  const header = data.subarray(0, 64).toString('latin1').match(/^P6\s+(\d+)\s+(\d+)\s+255\s/);
  if (!header) throw new Error(`${file} is not a binary PPM`);
  return { width: Number(header[1]), height: Number(header[2]), rgb: data.subarray(header[0].length) };
}

// The canvas's pixels as RGBA bytes.
async function canvasPixels(page) {
  const bytes = await page.evaluate(() => {
    const canvas = document.getElementById('canvas');
    const data = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
    return { width: canvas.width, height: canvas.height, data: Array.from(data) };
  });
  return bytes;
}

function countLit(pixels, inside = () => true) {
  let lit = 0;
  for (let y = 0; y < pixels.height; ++y) {
    for (let x = 0; x < pixels.width; ++x) {
      const i = (y * pixels.width + x) * 4;
      if ((pixels.data[i] | pixels.data[i + 1] | pixels.data[i + 2]) !== 0 && inside(x, y)) ++lit;
    }
  }
  return lit;
}

async function main() {
  const { bin, reference, out } = options();
  fs.mkdirSync(out, { recursive: true });
  const server = await serve(bin);
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'vz-chromium-'));
  const browser = await chromium.launchPersistentContext(profile, {
    executablePath: '/usr/bin/chromium', headless: true, args: CHROMIUM_ARGS,
  });
  let failures = 0;
  const check = (ok, what) => {
    console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}`);
    if (!ok) ++failures;
  };

  // A fresh page with its console lines collected.
  async function open(query, prepare) {
    const page = await browser.newPage();
    const lines = [];
    page.on('console', (message) => lines.push(message.text()));
    page.on('pageerror', (error) => lines.push(`page error: ${error.message}`));
    if (prepare) await page.addInitScript(prepare);
    await page.goto(`${server.url}particles.html${query}`);
    return { page, lines };
  }
  const status = (page) => page.textContent('#status');
  const waitStatus = (page, text, timeout = 60000) =>
    page.waitForFunction((t) => document.getElementById('status').textContent.startsWith(t), text, { timeout });
  // Particles drawn: many lit pixels all over the canvas.
  const waitParticles = (page) => page.waitForFunction(() => {
    const c = document.getElementById('canvas');
    const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
    let lit = 0;
    for (let i = 0; i < d.length; i += 4) if (d[i] | d[i + 1] | d[i + 2]) ++lit;
    return lit > 2000;
  }, null, { timeout: 60000 });

  try {
    // The program in the page: particles, a key, the seed, a reload.
    {
      const { page, lines } = await open('');
      await waitStatus(page, 'running');
      await waitParticles(page);
      const size = await page.evaluate(() => [document.getElementById('canvas').width, document.getElementById('canvas').height]);
      check(size[0] === WIDTH && size[1] === HEIGHT, `the canvas is ${size[0]} x ${size[1]}`);
      const shown = await canvasPixels(page);
      check(countLit(shown) > 2000, `the canvas shows particles (${countLit(shown)} lit pixels)`);
      await page.locator('#canvas').screenshot({ path: path.join(out, 'particles.png') });

      await page.keyboard.press('KeyQ');
      await waitStatus(page, 'ended');
      check((await status(page)) === 'ended with code 0', `a key ends the program: "${await status(page)}"`);
      const end = await canvasPixels(page);
      const textCells = (x, y) => x < SEED_TEXT.length * CELL_WIDTH && y < CELL_HEIGHT;
      const inText = countLit(end, textCells);
      const outside = countLit(end, (x, y) => !textCells(x, y));
      check(inText > 40 && outside === 0,
        `the seed is shown in the top-left text cells (${inText} lit pixels there, ${outside} elsewhere)`);
      await page.locator('#canvas').screenshot({ path: path.join(out, 'seed.png') });
      check(!lines.some((l) => l.startsWith('page error')), 'no page error');

      await page.reload();
      await waitStatus(page, 'running');
      await waitParticles(page);
      check(countLit(await canvasPixels(page)) > 2000, 'a reload starts the program again');
      await page.close();
    }

    // The canvas after N frames against the x86-64 bench's frame dump.
    for (const frames of [1, 10, 100]) {
      const dumpFile = path.join(out, `reference-${frames}.ppm`);
      execFileSync(reference, ['--frames', String(frames), '--dump', dumpFile], { stdio: 'ignore' });
      const dump = readPpm(dumpFile);
      const { page, lines } = await open(`?program=particles-held&VZ_HOLD_FRAMES=${frames}`);
      const held = `held after ${frames} frames`;
      await page.waitForFunction(() => true);
      const deadline = Date.now() + 120000;
      while (!lines.includes(held) && Date.now() < deadline) await page.waitForTimeout(50);
      // The pass that shows frame N ran in the frame's wait; one more
      // interval settles it either way.
      await page.waitForTimeout(100);
      const pixels = await canvasPixels(page);
      let differing = 0;
      let first = null;
      for (let i = 0; i < WIDTH * HEIGHT; ++i) {
        for (let c = 0; c < 3; ++c) {
          if (pixels.data[i * 4 + c] !== dump.rgb[i * 3 + c]) {
            ++differing;
            if (first === null) first = `(${i % WIDTH}, ${Math.floor(i / WIDTH)})`;
            break;
          }
        }
      }
      check(lines.includes(held) && dump.width === WIDTH && dump.height === HEIGHT && differing === 0,
        `after ${frames} frames the canvas equals the native frame dump (${differing} pixels differ` +
        `${first ? `, first at ${first}` : ''})`);
      await page.keyboard.press('Enter');
      await waitStatus(page, 'ended');
      await page.close();
    }

    // No canvas: no driver starts, and the console fallback prints the seed
    // to the browser's console.
    {
      const { page, lines } = await open('', () => { delete HTMLCanvasElement.prototype.getContext; });
      await waitStatus(page, 'running');
      await page.waitForTimeout(500);
      await page.keyboard.press('KeyQ');
      await waitStatus(page, 'ended');
      check(lines.includes(SEED_TEXT) && (await status(page)) === 'ended with code 0',
        `without a canvas the console prints "${SEED_TEXT}" (console: ${JSON.stringify(lines.slice(-3))})`);
      await page.close();
    }

    // An unknown VZGFX: the drivers are tried in their usual order.
    {
      const { page } = await open('?VZGFX=Bogus');
      await waitStatus(page, 'running');
      await waitParticles(page);
      const lit = countLit(await canvasPixels(page));
      check(lit > 2000, `an unknown VZGFX draws the particles as the default choice does (${lit} lit pixels)`);
      await page.close();
    }

    // VZGFX=null: the Null driver keeps the screen in memory only.
    {
      const { page } = await open('?VZGFX=null');
      await waitStatus(page, 'running');
      await page.waitForTimeout(1500);
      check(countLit(await canvasPixels(page)) === 0, 'VZGFX=null draws nothing into the canvas');
      await page.close();
    }

    // A hidden page is a close request.
    {
      const { page } = await open('');
      await waitStatus(page, 'running');
      await waitParticles(page);
      await page.evaluate(() => {
        Object.defineProperty(document, 'visibilityState', { value: 'hidden', configurable: true });
        document.dispatchEvent(new Event('visibilitychange'));
      });
      await waitStatus(page, 'ended');
      check((await status(page)) === 'ended with code 0', 'a hidden page ends the program as a close request');
      await page.close();
    }
  } catch (error) {
    check(false, `the test stopped: ${error.message}`);
  } finally {
    await browser.close();
    await server.close();
    fs.rmSync(profile, { recursive: true, force: true });
  }
  console.log(`${failures === 0 ? 'all checks passed' : `${failures} check(s) failed`}; screenshots in ${out}`);
  process.exit(failures === 0 ? 0 : 1);
}

main();
