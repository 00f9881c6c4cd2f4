// Frame times of the page's WebAssembly module under node against the
// native build's, on the fixed views every timing of quelm uses:
//
//   node --no-experimental-fetch web/bench.mjs MODULE_JS QUELM_TOOL [WxH] [FRAMES]
//
// MODULE_JS is <wasm build>/web/site/quelm_module.js, QUELM_TOOL the native
// `quelm` command line, whose `bench --json` gives the native figures.  Both
// time RenderScene alone, with the same moves: a camera step (a complete
// reprojection), nothing moved, a target step (a rapid pan).
import { execFileSync } from 'node:child_process';
import { createRequire } from 'node:module';
import path from 'node:path';

const [moduleJs, quelmTool, size = '1280x800', framesText = '50'] = process.argv.slice(2);
if (!moduleJs || !quelmTool) {
  console.error('usage: bench.mjs MODULE_JS QUELM_TOOL [WxH] [FRAMES]');
  process.exit(2);
}
const [width, height] = size.split('x').map(Number);
const frames = Number(framesText);
const VIEWS = ['spin', 'sideline', 'endzone', 'overhead', 'far'];

function median(values) {
  const v = [...values].sort((a, b) => a - b);
  const n = v.length;
  return n % 2 ? v[(n - 1) / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

const createQuelm = createRequire(import.meta.url)(path.resolve(moduleJs));
const m = await createQuelm({ quelmDialog: {} });
if (!m._qw_start(width, height)) throw new Error(`no ${size} picture`);

function measure(view) {
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
}

// Warm up the engine's tiers before timing.
for (const view of VIEWS) measure(view);
const wasm = Object.fromEntries(VIEWS.map((view) => [view, measure(view)]));

const native = JSON.parse(execFileSync(quelmTool, ['bench', '--size', size, '--loader',
  'edge-driven', '--frames', String(frames), '--json'], { encoding: 'utf8' }));

console.log(`${size}, median of ${frames} frames each, RenderScene milliseconds; ` +
  'ratio: WebAssembly / native');
console.log('view       kind       wasm     native   ratio');
let worst = 0;
for (const r of native.results) {
  const w = wasm[r.view];
  if (!w) continue;
  for (const [kind, ms] of [['complete', r.complete_ms], ['still', r.still_ms], ['pan', r.pan_ms]]) {
    const ratio = w[kind] / ms;
    if (kind === 'complete') worst = Math.max(worst, ratio);
    console.log(`${r.view.padEnd(10)} ${kind.padEnd(8)} ${w[kind].toFixed(3).padStart(8)} ` +
      `${ms.toFixed(3).padStart(8)} ${ratio.toFixed(2).padStart(7)}`);
  }
}
console.log(`worst complete-frame ratio ${worst.toFixed(2)} (${worst <= 2 ? 'within' : 'beyond'} 2x)`);
