// Frame times of the page's WebAssembly module under node against the
// native build's, on the fixed views every timing of quelm uses:
//
//   node web/bench.mjs MODULE_JS QUELM_TOOL [WxH] [FRAMES] [SITE_DIR]
//
// MODULE_JS is <wasm build>/web/site/quelm_module.js, QUELM_TOOL the native
// `quelm` command line, whose `bench --json` gives the native figures; with
// SITE_DIR (<wasm build>/web/site) the page is timed in headless Chromium too.  Both
// time RenderScene alone, with the same moves: a camera step (a complete
// reprojection), nothing moved, a target step (a rapid pan).
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import { createRequire } from 'node:module';
import path from 'node:path';

const [moduleJs, quelmTool, size = '1280x800', framesText = '50', siteDir] = process.argv.slice(2);
if (!moduleJs || !quelmTool) {
  console.error('usage: bench.mjs MODULE_JS QUELM_TOOL [WxH] [FRAMES] [SITE_DIR]');
  process.exit(2);
}
const [width, height] = size.split('x').map(Number);
const frames = Number(framesText);
const VIEWS = ['spin', 'sideline', 'endzone', 'overhead', 'far'];

// Median RenderScene times of each view on a started module, frame by
// frame with the same moves as `quelm bench`: the same function runs under
// node and, as text, in the page (served cross-origin isolated, which gives
// it a clock fine enough for a frame).
function measureViews(m, views, frames) {
  const median = (values) => {
    const v = [...values].sort((a, b) => a - b);
    const n = v.length;
    return n % 2 ? v[(n - 1) / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
  };
  const measure = (view) => {
    if (!m.ccall('qw_bench_view', 'number', ['string'], [view])) throw new Error(`no view ${view}`);
    m._qw_bench_frame();
    const complete = [], still = [], pan = [];
    for (let i = 0; i < frames; ++i) {
      m._qw_bench_move(0);
      complete.push(m._qw_bench_frame());
      still.push(m._qw_bench_frame());
      m._qw_bench_move(1);
      pan.push(m._qw_bench_frame());
    }
    return { complete: median(complete), still: median(still), pan: median(pan) };
  };
  // Warm up the engine's tiers before timing.
  for (const view of views) measure(view);
  return Object.fromEntries(views.map((view) => [view, measure(view)]));
}

// The fastest of each figure over several runs.
function fastest(a, b) {
  if (!a) return b;
  const out = {};
  for (const view of Object.keys(b))
    out[view] = Object.fromEntries(Object.keys(b[view]).map((k) => [k, Math.min(a[view][k], b[view][k])]));
  return out;
}

const createQuelm = createRequire(import.meta.url)(path.resolve(moduleJs));
// The module gets its code from here: its own loader would try node's fetch
// on a file path.
const wasmBinary = fs.readFileSync(path.join(path.dirname(moduleJs), 'quelm_module.wasm'));
const m = await createQuelm({ quelmDialog: {}, wasmBinary });
if (!m._qw_start(width, height)) throw new Error(`no ${size} picture`);

// The same in headless Chromium, on the page at the picture's size.
let page = null, close = async () => {};
if (siteDir) {
  const { chromium } = await import('playwright-core');
  const { serve } = await import('./test/site_server.mjs');
  const site = await serve(siteDir, { isolated: true });
  const browser = await chromium.launch({ executablePath: process.env.QUELM_CHROMIUM || '/usr/bin/chromium',
    args: ['--no-sandbox'] });
  close = async () => { await browser.close(); site.close(); };
  page = await browser.newPage({ viewport: { width, height } });
  await page.goto(`${site.url}?adapt=0`);
  if (!await page.evaluate(() => window.quelmPage.ready.then(() => window.crossOriginIsolated)))
    throw new Error('the page is not cross-origin isolated: its clock is too coarse');
}

// Native and WebAssembly take turns, so that a busy spell of the machine
// cannot favour one of them; each figure is the fastest of its runs.
const ROUNDS = 3;
const runs = {};
let native = null;
try {
  for (let round = 0; round < ROUNDS; ++round) {
    const results = JSON.parse(execFileSync(quelmTool, ['bench', '--size', size, '--loader',
      'edge-driven', '--frames', String(frames), '--json'], { encoding: 'utf8' })).results;
    native = fastest(native, Object.fromEntries(results.map((r) =>
      [r.view, { complete: r.complete_ms, still: r.still_ms, pan: r.pan_ms }])));
    runs.node = fastest(runs.node, measureViews(m, VIEWS, frames));
    if (page) {
      runs.chromium = fastest(runs.chromium, await page.evaluate(({ code, views, n }) =>
        // eslint-disable-next-line no-new-func
        new Function(`return (${code})`)()(window.quelmPage.module, views, n),
      { code: measureViews.toString(), views: VIEWS, n: frames }));
    }
  }
} finally {
  await close();
}

const kinds = Object.keys(runs);
console.log(`${size}, RenderScene milliseconds, median of ${frames} frames, the fastest of ` +
  `${ROUNDS} runs; ratios: WebAssembly / native`);
console.log(`view       kind       native ${kinds.map((k) => `${k.padStart(8)}   ratio`).join(' ')}`);
const worst = Object.fromEntries(kinds.map((k) => [k, 0]));
for (const view of VIEWS) {
  for (const kind of ['complete', 'still', 'pan']) {
    const ms = native[view][kind];
    let line = `${view.padEnd(10)} ${kind.padEnd(8)} ${ms.toFixed(3).padStart(8)}`;
    for (const k of kinds) {
      const ratio = runs[k][view][kind] / ms;
      if (kind === 'complete') worst[k] = Math.max(worst[k], ratio);
      line += ` ${runs[k][view][kind].toFixed(3).padStart(8)} ${ratio.toFixed(2).padStart(7)}`;
    }
    console.log(line);
  }
}
for (const k of kinds)
  console.log(`${k}: worst complete-frame ratio ${worst[k].toFixed(2)} (${worst[k] <= 2 ? 'within' : 'beyond'} 2x)`);
