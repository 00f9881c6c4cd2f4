// The stadium page: the library (quelm_module.js/.wasm) draws every frame
// into its own 8-bit picture; the page shows it through the default palette
// in a canvas the size of the window, moves the camera as quelm-viewer does,
// and shows the library's tuning dialogs as HTML.
'use strict';

(() => {
  const VIEW_IDLE = 0, VIEW_DOLLY = 1, VIEW_SPIN = 2;
  const PLAN_MEDIUM = 0x2000, PLAN_FAR = 0x4000, PLAN_FINE = 0x8000, PLAN_COARSE = 0x10000;
  // QUELM_ITEM_* and QUELM_ACTION_* of quelm_dialoghost.h.
  const ITEM_DIALOG = 0, ITEM_STATIC = 1, ITEM_BUTTON = 2, ITEM_CHECKBOX = 3, ITEM_SCROLLBAR = 4;
  const ACTION_SCROLL = 1, ACTION_OK = 2, ACTION_CANCEL = 3;
  const SB_LINEUP = 0, SB_LINEDOWN = 1, SB_THUMBPOSITION = 4, SB_THUMBTRACK = 5;
  const SBS_VERT = 1, IDOK = 1, IDCANCEL = 2;
  // Offsets into CAMERA (quelm.h; 32-bit pointers).
  const CAMERA_XTARGET = 8, CAMERA_XCAMERA = 32, CAMERA_MAGNIFICATION = 104, CAMERA_VIEW = 112;
  const SCENE_PAN_TALLY = 36, SCENE_PAN_LIMIT = 40;
  const DIALOG_UNIT = 3; // pixels per dialog unit, less where the window is narrow
  const WHEEL_NOTCH = 100; // wheel pixels per notch

  const params = new URLSearchParams(location.search);
  const canvas = document.getElementById('view');
  const context = canvas.getContext('2d', { alpha: false });
  const panel = document.getElementById('panel');
  const messageBox = document.getElementById('message');
  const help = document.getElementById('help');
  const layer = document.getElementById('dialog-layer');

  const state = {
    module: null,
    running: false,
    adapt: params.get('adapt') !== '0',
    targetMs: 10,
    spinPaused: false,
    panel: true,
    held: new Map(), // movement keys down, with whether shift was held
    dialog: null, // the open dialog's view
    dialogBusy: false,
    renderMs: 0,
    frameMs: 0,
    workMs: 0,
    lastFrameAt: 0,
    frames: 0,
    message: '',
  };

  // ---------------------------------------------------------- messages

  let messageTimer = 0;
  function say(text, lasting) {
    state.message = text;
    messageBox.textContent = text;
    messageBox.hidden = false;
    clearTimeout(messageTimer);
    if (!lasting) messageTimer = setTimeout(() => { messageBox.hidden = true; }, 4000);
  }

  function fail(text) {
    state.running = false;
    say(text, true);
  }

  // ---------------------------------------------------------- the picture

  // Gives the library a picture of the window's size, or the largest half,
  // quarter ... of it that memory allows; false when there is no room at all.
  function fitPicture(width, height) {
    const m = state.module;
    if (width === m._qw_width() && height === m._qw_height()) return true;
    let w = width, h = height;
    while (w >= 1 && h >= 1) {
      if (m._qw_resize(w, h)) break;
      w = Math.floor(w / 2);
      h = Math.floor(h / 2);
    }
    if (w < 1 || h < 1) {
      say(`No memory for a picture of ${width}×${height} pixels: the last picture stays.`, true);
      return false;
    }
    if (w !== width || h !== height) {
      say(`A ${width}×${height} picture does not fit in memory: showing ${w}×${h}, enlarged.`, true);
    } else if (state.message.startsWith('A ') || state.message.startsWith('No ')) {
      messageBox.hidden = true;
      state.message = '';
    }
    canvas.width = w;
    canvas.height = h;
    return true;
  }

  function windowSize() {
    return [Math.floor(window.innerWidth), Math.floor(window.innerHeight)];
  }

  function present() {
    const m = state.module;
    m._qw_to_rgba();
    const w = m._qw_width(), h = m._qw_height();
    // A fresh view every frame: a grown memory detaches the old one.
    const rgba = new Uint8ClampedArray(m.HEAPU8.buffer, m._qw_rgba(), w * h * 4);
    context.putImageData(new ImageData(rgba, w, h), 0, 0);
  }

  // ---------------------------------------------------------- the frame

  function applyHeldKeys() {
    if (state.dialog || state.held.size === 0) return;
    let across = 0, up = 0, rising = 0, moveIn = 0, zooming = 0, walking = false;
    for (const [key, shift] of state.held) {
      switch (key) {
        case 'arrowleft': case 'a': across -= 1; walking ||= shift; break;
        case 'arrowright': case 'd': across += 1; walking ||= shift; break;
        case 'arrowup': case 'w': up += 1; walking ||= shift; break;
        case 'arrowdown': case 's': up -= 1; walking ||= shift; break;
        case 'r': case 'pageup': rising += 1; break;
        case 'f': case 'pagedown': rising -= 1; break;
        case 'q': moveIn += 1; break;
        case 'e': moveIn -= 1; break;
        case '+': case '=': zooming += 1; break;
        case '-': zooming -= 1; break;
      }
    }
    if (!state.module._qw_held(across, up, walking ? 1 : 0, rising, moveIn, zooming)) nonDolly();
  }

  function frame(now) {
    if (!state.running) return;
    requestAnimationFrame(frame);
    const m = state.module;
    try {
      const [width, height] = windowSize();
      if (width < 1 || height < 1) {
        if (state.message !== 'The window has no room for a picture.')
          say('The window has no room for a picture.', true);
        return;
      }
      if (state.message === 'The window has no room for a picture.') {
        messageBox.hidden = true;
        state.message = '';
      }
      if (!fitPicture(width, height)) return;
      applyHeldKeys();
      const began = performance.now();
      const drawn = m._qw_render(state.spinPaused ? 0 : 1);
      const rendered = performance.now();
      if (drawn === -1) say('The library refuses this camera: the last good view stays.');
      m._qw_rate(state.adapt ? 1 : 0, state.targetMs, rendered - began);
      present();
      const ended = performance.now();
      state.renderMs = smooth(state.renderMs, rendered - began);
      state.workMs = smooth(state.workMs, ended - began);
      if (state.lastFrameAt) state.frameMs = smooth(state.frameMs, now - state.lastFrameAt);
      state.lastFrameAt = now;
      state.frames += 1;
      if (state.panel && state.frames % 10 === 1) showPanel();
    } catch (e) {
      fail(`The library stopped: ${e && e.message ? e.message : e}. Reload the page.`);
      throw e;
    }
  }

  function smooth(old, value) {
    return old === 0 ? value : old * 0.9 + value * 0.1;
  }

  function showPanel() {
    const m = state.module;
    const camera = cameraState();
    const scene = m._qw_scene();
    const lines = [
      `camera     ${m.UTF8ToString(m._qw_mode_name())}${state.spinPaused && camera.view === VIEW_SPIN ? ' (paused)' : ''}`,
      `picture    ${m._qw_width()}×${m._qw_height()}`,
      `frame      ${state.frameMs.toFixed(1)} ms  ${state.frameMs ? (1000 / state.frameMs).toFixed(0) : '-'} fps`,
      `RenderScene ${state.renderMs.toFixed(2)} ms  (with colours ${state.workMs.toFixed(2)} ms)`,
      `frames     ${m._qw_frames_of(3)}: complete ${m._qw_frames_of(0)}, rapid pans ${m._qw_frames_of(1)}, no work ${m._qw_frames_of(2)}`,
      `pans       limit ${m.HEAP32[(scene + SCENE_PAN_LIMIT) >> 2]}, since reprojection ${m.HEAP32[(scene + SCENE_PAN_TALLY) >> 2]}`,
      `surface    ${m.UTF8ToString(m._qw_surface())}`,
      `adaptation ${state.adapt ? `on, target ${state.targetMs.toFixed(2)} ms` : 'off'}`,
      `magnification ${camera.magnification.toFixed(4)}`,
    ];
    panel.textContent = lines.join('\n');
  }

  function cameraState() {
    const m = state.module;
    const c = m._qw_camera();
    const f = (offset) => m.HEAPF64[(c + offset) >> 3];
    return {
      target: [f(CAMERA_XTARGET), f(CAMERA_XTARGET + 8), f(CAMERA_XTARGET + 16)],
      eye: [f(CAMERA_XCAMERA), f(CAMERA_XCAMERA + 8), f(CAMERA_XCAMERA + 16)],
      magnification: f(CAMERA_MAGNIFICATION),
      view: m.HEAP32[(c + CAMERA_VIEW) >> 2],
    };
  }

  // ---------------------------------------------------------- camera

  function nonDolly() {
    say(cameraState().view === VIEW_SPIN ? 'The spin camera moves by itself: 2 for dolly.'
      : 'The idle camera stays put: 2 for dolly.');
  }

  function setMode(mode) {
    state.module._qw_mode(mode);
    showModeButtons();
  }

  function showModeButtons() {
    const view = cameraState().view;
    for (const b of document.querySelectorAll('#tools [data-mode]'))
      b.classList.toggle('on', Number(b.dataset.mode) === view);
  }

  function togglePlan(bit, what) {
    const on = state.module._qw_toggle_plan(bit);
    let news = `${what} ${on ? 'on' : 'off'}`;
    if ((bit === PLAN_FINE || bit === PLAN_COARSE) && state.adapt)
      news += ' (RenderRate may swap it back: T stops adapting)';
    say(news);
  }

  function downloadPng() {
    canvas.toBlob((blob) => {
      if (!blob) { say('The picture could not be made into a PNG.'); return; }
      const link = document.createElement('a');
      link.href = URL.createObjectURL(blob);
      link.download = `quelm-${canvas.width}x${canvas.height}.png`;
      document.body.appendChild(link);
      link.click();
      link.remove();
      setTimeout(() => URL.revokeObjectURL(link.href), 1000);
    }, 'image/png');
  }

  // ---------------------------------------------------------- input

  const MOVE_KEYS = new Set(['arrowleft', 'arrowright', 'arrowup', 'arrowdown', 'a', 'd', 'w',
    's', 'r', 'f', 'pageup', 'pagedown', 'q', 'e', '+', '=', '-']);

  // Shifted letters move the same way as unshifted ones.
  function keyName(e) {
    return e.key.toLowerCase();
  }

  function keyDown(e) {
    const key = keyName(e);
    if (e.target instanceof HTMLInputElement && key !== 'enter' && key !== 'escape') return;
    if (key === 'escape' && !help.hidden) { help.hidden = true; e.preventDefault(); return; }
    if (displayKey(key)) { e.preventDefault(); return; }
    if (state.dialog) {
      if (key === 'escape') state.dialog.push({ kind: ACTION_CANCEL });
      if (key === 'enter') state.dialog.push({ kind: ACTION_OK });
      return;
    }
    if (MOVE_KEYS.has(key)) {
      state.held.set(key, e.shiftKey);
      e.preventDefault();
      return;
    }
    if (e.repeat) return;
    switch (key) {
      case '1': setMode(VIEW_IDLE); break;
      case '2': setMode(VIEW_DOLLY); break;
      case '3': setMode(VIEW_SPIN); break;
      case 'home': state.module._qw_home(); showModeButtons(); say('Back to the starting view.'); break;
      case 'c': openDialog(1); break;
      case 'p': openDialog(2); break;
      default: return;
    }
    e.preventDefault();
  }

  // Keys that work whatever the camera, also while a dialog is up.
  function displayKey(key) {
    switch (key) {
      case 'h': state.panel = !state.panel; panel.hidden = !state.panel; return true;
      case 'f1': help.hidden = !help.hidden; return true;
      case 'f12': downloadPng(); return true;
      case ' ':
        state.spinPaused = !state.spinPaused;
        say(state.spinPaused ? 'Spin paused.' : 'Spin goes on.');
        return true;
      case 't':
        state.adapt = !state.adapt;
        say(state.adapt ? 'Frame-rate adaptation on.' : 'Frame-rate adaptation off.');
        return true;
      case '[': case ']':
        state.targetMs = Math.min(Math.max(state.targetMs * (key === '[' ? 0.5 : 2), 0.05), 1000);
        say(`Target frame time ${state.targetMs.toFixed(2)} ms.`);
        return true;
      case 'f5': togglePlan(PLAN_MEDIUM, 'medium marks'); return true;
      case 'f6': togglePlan(PLAN_FAR, 'far marks'); return true;
      case 'f7': togglePlan(PLAN_FINE, 'fine playing surface'); return true;
      case 'f8': togglePlan(PLAN_COARSE, 'coarse playing surface'); return true;
      default: return false;
    }
  }

  function keyUp(e) {
    state.held.delete(keyName(e));
  }

  // Pointers: one (left button, a finger) orbits; the right button or two
  // fingers turn, and two fingers pinch to zoom.
  const pointers = new Map();

  function centroid() {
    let x = 0, y = 0;
    for (const p of pointers.values()) { x += p.x; y += p.y; }
    return [x / pointers.size, y / pointers.size];
  }

  function spread() {
    const [a, b] = [...pointers.values()];
    return Math.hypot(a.x - b.x, a.y - b.y);
  }

  // Pointer moves in canvas pixels (the picture may be smaller than the window).
  function scaleX() { return canvas.width / canvas.clientWidth; }
  function scaleY() { return canvas.height / canvas.clientHeight; }

  function pointerDown(e) {
    if (state.dialog) return;
    canvas.focus();
    canvas.setPointerCapture(e.pointerId);
    pointers.set(e.pointerId, { x: e.clientX, y: e.clientY, turning: e.button === 2 });
    if (cameraState().view !== VIEW_DOLLY) nonDolly();
    e.preventDefault();
  }

  function pointerMove(e) {
    const p = pointers.get(e.pointerId);
    if (!p || state.dialog) return;
    const m = state.module;
    if (pointers.size === 1) {
      const dx = (e.clientX - p.x) * scaleX(), dy = (e.clientY - p.y) * scaleY();
      p.x = e.clientX;
      p.y = e.clientY;
      if (dx || dy) m._qw_drag(p.turning ? 1 : 0, dx, dy);
      return;
    }
    const [cx0, cy0] = centroid();
    const d0 = pointers.size === 2 ? spread() : 0;
    p.x = e.clientX;
    p.y = e.clientY;
    const [cx1, cy1] = centroid();
    m._qw_drag(1, (cx1 - cx0) * scaleX(), (cy1 - cy0) * scaleY());
    if (pointers.size === 2 && d0 > 0) {
      const d1 = spread();
      if (d1 > 0) m._qw_zoom(Math.log(d1 / d0) / Math.log(1.1));
    }
  }

  function pointerUp(e) {
    pointers.delete(e.pointerId);
  }

  function wheel(e) {
    e.preventDefault();
    if (state.dialog) return;
    const pixels = e.deltaMode === 0 ? e.deltaY : e.deltaY * 40;
    if (!state.module._qw_zoom(-pixels / WHEEL_NOTCH)) nonDolly();
  }

  // ---------------------------------------------------------- dialogs
  //
  // The library runs each dialog modally (quelm_web.cpp says why under
  // Asyncify); this is its host: it draws the dialog the library built,
  // reads texts and sliders back through the dialog host's calls, and hands
  // the user's moves to the waiting dialog one at a time.

  class DialogView {
    constructor(m, hDlg) {
      this.m = m;
      this.hDlg = hDlg;
      this.queue = [];
      this.waiting = null;
      this.controls = [];
      this.buffer = m._malloc(256);
      this.build();
    }

    item(hwnd) {
      const m = this.m, p = this.buffer;
      m._QuelmGetDialogItem(hwnd, p);
      const i = (k) => m.HEAP32[(p >> 2) + k];
      return { kind: i(0), id: i(1), style: i(2) >>> 0, x: i(3), y: i(4), cx: i(5), cy: i(6),
        pointsize: i(7) };
    }

    text(hwnd) {
      this.m._GetWindowTextA(hwnd, this.buffer, 256);
      return this.m.UTF8ToString(this.buffer);
    }

    build() {
      const m = this.m;
      const d = this.item(this.hDlg);
      const unit = Math.max(1.5, Math.min(DIALOG_UNIT, (window.innerWidth - 8) / d.cx));
      const root = document.createElement('div');
      root.className = 'dialog';
      root.setAttribute('role', 'dialog');
      const caption = document.createElement('div');
      caption.className = 'caption';
      caption.textContent = this.text(this.hDlg);
      root.setAttribute('aria-label', caption.textContent);
      const client = document.createElement('div');
      client.className = 'client';
      client.style.width = `${d.cx * unit}px`;
      client.style.height = `${d.cy * unit}px`;
      client.style.fontSize = `${d.pointsize * unit * 0.45}px`;
      root.append(caption, client);
      const count = m._QuelmDialogItemCount(this.hDlg);
      for (let index = 0; index < count; ++index) {
        const hwnd = m._QuelmDialogItemAt(this.hDlg, index);
        const it = this.item(hwnd);
        const el = this.control(hwnd, it);
        if (!el) continue;
        el.classList.add('item');
        el.style.left = `${it.x * unit}px`;
        el.style.top = `${it.y * unit}px`;
        el.style.width = `${it.cx * unit}px`;
        el.style.height = `${it.cy * unit}px`;
        client.append(el);
      }
      this.root = root;
      this.dragCaption(caption);
      layer.append(root);
      this.place();
      this.refresh();
    }

    control(hwnd, it) {
      if (it.kind === ITEM_STATIC || it.kind === ITEM_CHECKBOX) {
        const el = document.createElement('div');
        el.className = 'static';
        if (it.id !== 0xffff) el.classList.add('number');
        el.dataset.id = it.id;
        this.controls.push({ hwnd, it, refresh: () => { el.textContent = this.text(hwnd); } });
        return el;
      }
      if (it.kind === ITEM_BUTTON) {
        const el = document.createElement('button');
        el.type = 'button';
        el.textContent = this.text(hwnd);
        if (it.id === IDOK) el.addEventListener('click', () => this.push({ kind: ACTION_OK }));
        else if (it.id === IDCANCEL) el.addEventListener('click', () => this.push({ kind: ACTION_CANCEL }));
        return el;
      }
      if (it.kind === ITEM_SCROLLBAR) {
        const vertical = (it.style & SBS_VERT) !== 0;
        const el = document.createElement('div');
        el.className = vertical ? 'bar vertical' : 'bar';
        const less = document.createElement('button');
        const more = document.createElement('button');
        less.type = more.type = 'button';
        less.tabIndex = more.tabIndex = -1;
        less.textContent = vertical ? '▲' : '◀';
        more.textContent = vertical ? '▼' : '▶';
        const input = document.createElement('input');
        input.type = 'range';
        input.dataset.id = it.id;
        input.setAttribute('aria-label', `slider ${it.id}`);
        const scroll = (code, pos) => this.push({ kind: ACTION_SCROLL, id: it.id, code, pos: pos || 0 });
        // The thumb's position travels as a 16-bit word, as on Windows.
        input.addEventListener('input', () => scroll(SB_THUMBTRACK, Number(input.value) & 0xffff));
        input.addEventListener('change', () => scroll(SB_THUMBPOSITION, Number(input.value) & 0xffff));
        less.addEventListener('click', () => scroll(SB_LINEUP));
        more.addEventListener('click', () => scroll(SB_LINEDOWN));
        el.append(less, input, more);
        this.controls.push({ hwnd, it, refresh: () => this.readSlider(hwnd, input) });
        return el;
      }
      return null;
    }

    readSlider(hwnd, input) {
      const m = this.m, p = this.buffer;
      m._GetScrollRange(hwnd, 2, p, p + 4);
      input.min = m.HEAP32[p >> 2];
      input.max = m.HEAP32[(p >> 2) + 1];
      if (document.activeElement !== input || !input.matches(':active'))
        input.value = m._GetScrollPos(hwnd, 2);
    }

    refresh() {
      for (const c of this.controls) c.refresh();
    }

    place() {
      const r = this.root.getBoundingClientRect();
      this.root.style.left = `${Math.max(0, (window.innerWidth - r.width) / 2)}px`;
      this.root.style.top = `${Math.max(0, window.innerHeight - r.height - 16)}px`;
    }

    dragCaption(caption) {
      let from = null;
      caption.addEventListener('pointerdown', (e) => {
        from = { x: e.clientX - this.root.offsetLeft, y: e.clientY - this.root.offsetTop };
        caption.setPointerCapture(e.pointerId);
      });
      caption.addEventListener('pointermove', (e) => {
        if (!from) return;
        this.root.style.left = `${e.clientX - from.x}px`;
        this.root.style.top = `${e.clientY - from.y}px`;
      });
      caption.addEventListener('pointerup', () => { from = null; });
    }

    push(action) {
      if (this.waiting) {
        const resolve = this.waiting;
        this.waiting = null;
        resolve(action);
      } else {
        this.queue.push(action);
      }
    }

    next() {
      this.refresh();
      if (this.queue.length) return Promise.resolve(this.queue.shift());
      return new Promise((resolve) => { this.waiting = resolve; });
    }

    close() {
      this.root.remove();
      this.m._free(this.buffer);
    }
  }

  const dialogHost = {
    show(hDlg) {
      state.held.clear();
      state.dialog = new DialogView(state.module, hDlg);
    },
    next() {
      return state.dialog.next();
    },
    posted() {
      if (state.dialog) state.dialog.refresh();
    },
    hide() {
      if (state.dialog) state.dialog.close();
      state.dialog = null;
    },
  };

  function openDialog(which) {
    if (state.dialogBusy) return;
    state.dialogBusy = true;
    const result = state.module.ccall('qw_dialog', 'number', ['number'], [which], { async: true });
    Promise.resolve(result).then((r) => {
      state.dialogBusy = false;
      showModeButtons();
      if (r === -1) say('The dialog could not be opened.');
    }, (e) => fail(`The dialog stopped: ${e && e.message ? e.message : e}. Reload the page.`));
    showModeButtons();
  }

  // ---------------------------------------------------------- start

  function wire() {
    window.addEventListener('keydown', keyDown);
    window.addEventListener('keyup', keyUp);
    window.addEventListener('blur', () => state.held.clear());
    canvas.addEventListener('pointerdown', pointerDown);
    canvas.addEventListener('pointermove', pointerMove);
    canvas.addEventListener('pointerup', pointerUp);
    canvas.addEventListener('pointercancel', pointerUp);
    canvas.addEventListener('wheel', wheel, { passive: false });
    canvas.addEventListener('contextmenu', (e) => e.preventDefault());
    window.addEventListener('resize', () => { if (state.dialog) state.dialog.place(); });
    for (const b of document.querySelectorAll('#tools [data-mode]'))
      b.addEventListener('click', () => { if (!state.dialog) setMode(Number(b.dataset.mode)); });
    document.getElementById('open-coordinates').addEventListener('click', () => openDialog(1));
    document.getElementById('open-spin').addEventListener('click', () => openDialog(2));
    document.getElementById('home').addEventListener('click', () => {
      if (!state.dialog) { state.module._qw_home(); showModeButtons(); }
    });
    document.getElementById('png').addEventListener('click', downloadPng);
    document.getElementById('help-button').addEventListener('click', () => { help.hidden = !help.hidden; });
  }

  // For tests and the console.
  const api = {
    get module() { return state.module; },
    get frames() { return state.frames; },
    get message() { return messageBox.hidden ? '' : state.message; },
    get running() { return state.running; },
    camera: () => cameraState(),
    setView: (eye, target, magnification) =>
      state.module._qw_set_view(...eye, ...target, magnification),
    setMode,
    openDialog,
    fitPicture,
    times: () => ({ renderMs: state.renderMs, frameMs: state.frameMs }),
  };

  const ready = createQuelm({ quelmDialog: dialogHost }).then((m) => {
    state.module = m;
    const [width, height] = windowSize();
    if (!m._qw_start(Math.max(width, 1), Math.max(height, 1)))
      throw new Error('the library could not make a scene and a camera');
    canvas.width = m._qw_width();
    canvas.height = m._qw_height();
    wire();
    showModeButtons();
    state.running = true;
    requestAnimationFrame(frame);
    return api;
  }).catch((e) => {
    fail(`The stadium could not start: ${e && e.message ? e.message : e}`);
    throw e;
  });
  window.quelmPage = Object.assign(api, { ready });
})();
