// The page around the demo: canvas and scaling, keyboard and gamepads, pause and a pulse at a
// time, the query parameters, the clock standing still while the page is hidden, the address that
// replays a run after the hand-over, and the line shown while waiting, running, replaying, paused,
// after the hand-over or when the run cannot start. The compiled demo reaches all of it through
// Module.pbPage (see web_frontend.cpp and main.cpp); touch.js, share.js and clip.js add the touch
// controls, sharing, run files and clips through the same object.
(function () {
  'use strict';
  var WIDTH = 320, HEIGHT = 240;
  // Control bits, as web_frontend.cpp reads them.
  var UP = 1, DOWN = 2, LEFT = 4, RIGHT = 8, START = 16, SELECT = 32;
  var KEYS = {
    ArrowUp: UP, ArrowDown: DOWN, ArrowLeft: LEFT, ArrowRight: RIGHT,
    Enter: START, NumpadEnter: START, Space: SELECT, ShiftLeft: SELECT, ShiftRight: SELECT,
  };
  // The page's own keys: pause or resume, and one pulse on while paused (pb_web_press's codes).
  var PAGE_KEYS = { KeyP: 0, KeyN: 1 };
  // Keys that would scroll the page; they do nothing else here.
  var SCROLLING = { PageUp: 1, PageDown: 1, Home: 1, End: 1 };
  // The left stick: a push shorter than this counts as centred; beyond it, eight equal sectors.
  var DEAD_ZONE = 0.3;
  var SECTOR = Math.sin(Math.PI / 8);
  // Runs with more change lines than the page reads from an address (1 MiB), or an address
  // longer than browsers open, are offered as a file only.
  var LONGEST_SCRIPT = 1 << 20;
  var LONGEST_ADDRESS = 2000000;

  var body = document.body;
  var stage = document.getElementById('stage');
  var canvas = document.getElementById('screen');
  var line = document.getElementById('line');
  var restart = document.getElementById('restart');
  var fullscreen = document.getElementById('fullscreen');
  var toggle = document.getElementById('toggle');
  var notice = document.getElementById('notice');
  var replay = document.getElementById('replay');
  var context = canvas.getContext('2d', { alpha: false });
  var image = context.createImageData(WIDTH, HEIGHT);
  var rgba = new Uint32Array(image.data.buffer);  // one pixel per word, bytes R G B A
  var lookup = new Uint32Array(256);
  var keys = {};  // codes of the keys held down
  var startRun = null;  // wakes a run that waits for the first key, click or gamepad button
  var starting = false;  // that run starts at the next animation frame
  var parkedFrame = null;  // a frame the demo waits for, held back while the page is hidden
  var clockStopped = false;  // the page was hidden since the demo last looked

  function show(state, text) {
    body.dataset.state = state;
    line.textContent = text;
  }

  function demoHasFocus() {
    var active = document.activeElement;
    return active === canvas || active === body || active === null;
  }

  function keyControls() {
    var bits = 0;
    for (var code in keys) bits |= KEYS[code];
    return bits;
  }

  function gamepadControls() {
    var bits = 0;
    var pads = navigator.getGamepads ? navigator.getGamepads() : [];
    for (var i = 0; i < pads.length; i++) {
      var pad = pads[i];
      if (!pad || !pad.connected) continue;
      if (pad.mapping === 'standard') {
        var pressed = function (n) { return pad.buttons[n] && pad.buttons[n].pressed; };
        if (pressed(12)) bits |= UP;
        if (pressed(13)) bits |= DOWN;
        if (pressed(14)) bits |= LEFT;
        if (pressed(15)) bits |= RIGHT;
        if (pressed(9)) bits |= START;
        if (pressed(8)) bits |= SELECT;
      }
      var x = pad.axes[0] || 0, y = pad.axes[1] || 0;
      var length = Math.sqrt(x * x + y * y);
      if (length > DEAD_ZONE) {
        if (x < -length * SECTOR) bits |= LEFT;
        if (x > length * SECTOR) bits |= RIGHT;
        if (y < -length * SECTOR) bits |= UP;
        if (y > length * SECTOR) bits |= DOWN;
      }
    }
    return bits;
  }

  // A waiting run starts at the next animation frame rather than inside the event, so that
  // everything pressed together (two fingers landing at once) counts from the first pulse.
  function wake() {
    if (!startRun || starting) return;
    starting = true;
    requestAnimationFrame(function () {
      var wakeUp = startRun;
      startRun = null;
      starting = false;
      wakeUp();
    });
  }

  function pressPageKey(key) {
    if (body.dataset.state !== 'loading') Module._pb_web_press(key);
    wake();
  }

  function watchGamepadsForStart() {
    if (!startRun) return;
    if (gamepadControls()) wake();
    else requestAnimationFrame(watchGamepadsForStart);
  }

  // The largest factor up to `most` whose size the browser lays out exactly, in 64ths of a CSS
  // pixel: at any other the picture is resampled (at a device pixel ratio of 3, a factor of 4 is
  // 426.67 CSS pixels). `most` itself where none is.
  function laidOutExactly(most, ratio) {
    for (var factor = most; factor >= 1; factor--) {
      var width = WIDTH * factor / ratio * 64, height = HEIGHT * factor / ratio * 64;
      if (Math.abs(width - Math.round(width)) < 1e-6 &&
          Math.abs(height - Math.round(height)) < 1e-6) {
        return factor;
      }
    }
    return most;
  }

  function rescale() {
    // Whole device pixels per console pixel where the screen fits at least once, so that every
    // pixel is drawn the same size; where it does not, scaled down smoothly to fit.
    var ratio = window.devicePixelRatio || 1;
    var fit = Math.min(stage.clientWidth * ratio / WIDTH, stage.clientHeight * ratio / HEIGHT);
    var factor = fit >= 1 ? laidOutExactly(Math.floor(fit), ratio) : Math.max(fit, 0.01);
    canvas.style.width = WIDTH * factor / ratio + 'px';
    canvas.style.height = HEIGHT * factor / ratio + 'px';
    canvas.style.imageRendering = fit >= 1 ? '' : 'auto';
    body.dataset.scale = fit >= 1 ? factor : 'fit';
  }

  function showControls(shown) {
    body.dataset.controls = shown ? 'shown' : 'hidden';
    toggle.setAttribute('aria-pressed', shown ? 'true' : 'false');
    rescale();
  }

  window.addEventListener('keydown', function (event) {
    if (!demoHasFocus()) return;
    if (KEYS[event.code]) {
      event.preventDefault();
      keys[event.code] = true;
      wake();
    } else if (event.code in PAGE_KEYS && !event.repeat && !event.ctrlKey && !event.metaKey &&
               !event.altKey) {
      event.preventDefault();
      pressPageKey(PAGE_KEYS[event.code]);
    } else if (SCROLLING[event.code]) {
      event.preventDefault();
    }
  });
  window.addEventListener('keyup', function (event) {
    if (KEYS[event.code] && keys[event.code]) {
      delete keys[event.code];
      event.preventDefault();
    }
  });
  // Keys released while the page had no focus never report it.
  window.addEventListener('blur', function () { keys = {}; });
  // A hidden page holds nothing and its clock stands still: the demo waits until it is shown.
  document.addEventListener('visibilitychange', function () {
    if (document.hidden) {
      keys = {};
      page.touch.release();
      clockStopped = true;
    } else if (parkedFrame) {
      var wakeUp = parkedFrame;
      parkedFrame = null;
      Module.pbPage.nextFrame(wakeUp);
    }
  });
  canvas.addEventListener('pointerdown', function () { canvas.focus(); wake(); });
  if (window.ResizeObserver) new ResizeObserver(rescale).observe(stage);
  window.addEventListener('resize', rescale);
  document.addEventListener('fullscreenchange', rescale);
  // Fullscreen shows the picture alone, or with the touch controls when they are shown.
  fullscreen.addEventListener('click', function () {
    var element = body.dataset.controls === 'shown' ? document.documentElement : stage;
    if (document.fullscreenElement) document.exitFullscreen();
    else if (element.requestFullscreen) element.requestFullscreen();
    canvas.focus();
  });
  toggle.addEventListener('click', function () {
    showControls(body.dataset.controls !== 'shown');
    canvas.focus();
  });
  restart.addEventListener('click', function () { location.reload(); });
  showControls(coarsePointer());
  canvas.focus();

  // After one visit the page runs without a network; browsers offer this on secure origins only.
  if ('serviceWorker' in navigator) {
    window.addEventListener('load', function () {
      navigator.serviceWorker.register('sw.js').catch(function () {});
    });
  }

  Module.arguments = [];
  new URLSearchParams(location.search).forEach(function (value, name) {
    Module.arguments.push(name + '=' + value);
  });
  Module.onAbort = function (what) {
    show('error', 'The demo stopped: ' + what);
  };

  function offerAddress(seed, lines) {
    var address = page.base() + '?seed=' + seed + '&script=' + encodeURIComponent(lines);
    if (lines.length <= LONGEST_SCRIPT && address.length <= LONGEST_ADDRESS) {
      replay.href = address;
      replay.textContent = address;
      replay.title = 'The address that replays this run';
      replay.hidden = false;
    } else {
      line.textContent += ' Too long a run for an address: the saved script replays it.';
    }
  }

  // Draws the display: palette indices at `pixels` in the heap through the 256 colours at
  // `palette` (three bytes each); no pixels means a display showing nothing. `pulse` is the
  // picture's, for whoever watches the pictures (onPicture).
  function present(heap, pixels, palette, pulse) {
    if (!pixels) {
      rgba.fill(0xFF000000);
    } else {
      for (var i = 0; i < 256; i++) {
        var p = palette + 3 * i;
        lookup[i] = 0xFF000000 | heap[p + 2] << 16 | heap[p + 1] << 8 | heap[p];
      }
      var source = heap.subarray(pixels, pixels + WIDTH * HEIGHT);
      for (var j = 0; j < source.length; j++) rgba[j] = lookup[source[j]];
    }
    context.putImageData(image, 0, 0);
    if (page.onPicture) page.onPicture(pulse);
  }

  function nextFrame(wakeUp) {
    requestAnimationFrame(function (time) {
      // Some browsers still bring frames to a hidden page; the demo waits all the same.
      if (document.hidden) {
        parkedFrame = wakeUp;
        return;
      }
      Module.pbPage.frameTime = time;
      wakeUp();
    });
  }

  function ended(handedOver, pulse, status, seed, lines) {
    keys = {};
    page.touch.release();
    body.dataset.pulse = pulse;
    show('ended', handedOver ? 'Handed over to the console menu at pulse ' + pulse + '.'
                             : 'The demo ended with status ' + status + '.');
    if (handedOver && lines !== null) offerAddress(seed, lines);
    if (page.onEnded) page.onEnded(handedOver);
    restart.hidden = false;
    restart.focus();
  }

  // The main pointer is a finger: a phone or a tablet.
  function coarsePointer() {
    return Boolean(window.matchMedia && matchMedia('(pointer: coarse)').matches);
  }

  function usingTouch() {
    return body.dataset.controls === 'shown';
  }

  // The run's state, as web_frontend.cpp tells it: running, replaying, paused, or paused where a
  // replayed run ends.
  function state(kind, pulse) {
    var names = usingTouch() ? { pause: 'PAUSE', step: 'STEP' } : { pause: 'P', step: 'N' };
    body.dataset.pulse = pulse;
    document.getElementById('pause').classList.toggle('pressed', kind >= 2);
    if (kind === 0) {
      page.running(Number(body.dataset.seed));
    } else if (kind === 1) {
      show('replaying', 'Replaying a run of seed ' + body.dataset.seed + ': its buttons count ' +
           'until it ends, then yours.');
    } else if (kind === 2) {
      show('paused', 'Paused at pulse ' + pulse + ' \u2014 ' + names.pause + ' resumes, ' +
           names.step + ' steps one pulse.');
    } else {
      show('paused', 'Paused at pulse ' + pulse + ', where the run ends: the buttons are ' +
           'yours from here \u2014 ' + names.pause + ' resumes.');
    }
    if (page.onState) page.onState(body.dataset.state);
  }

  var page = Module.pbPage = {
    frameTime: 0,
    controls: function () { return keyControls() | gamepadControls() | page.touch.bits(); },
    present: present,
    nextFrame: nextFrame,
    takeStop: function () {
      var stopped = clockStopped;
      clockStopped = false;
      return stopped;
    },
    waitForStart: function (wakeUp) {
      show('waiting', 'Press a key, touch the controls, click the screen or press a gamepad ' +
           'button to start.');
      startRun = wakeUp;
      watchGamepadsForStart();
    },
    running: function (seed) {
      body.dataset.seed = seed;
      show('running', 'Seed ' + seed + ' \u2014 ' + (body.dataset.controls === 'shown'
          ? 'the pad pushes the balls, SELECT slows them, START ends.'
          : 'arrows push the balls, Shift or Space slows them, Enter ends.'));
    },
    refuse: function (message) {
      show('error', 'Cannot start: ' + message + '.');
    },
    ended: ended,
    state: state,
    // A line beside the run's: what became of a share, a file or a clip.
    notice: function (text) {
      notice.textContent = text;
      notice.hidden = !text;
    },
    // The page's address without its parameters.
    base: function () { return location.href.split(/[?#]/)[0]; },
    focusPicture: function () { canvas.focus(); },
    usingTouch: usingTouch,
    coarsePointer: coarsePointer,
    longestAddress: LONGEST_ADDRESS,
    bits: { UP: UP, DOWN: DOWN, LEFT: LEFT, RIGHT: RIGHT, START: START, SELECT: SELECT },
    wake: wake,
    pressPageKey: pressPageKey,
  };
})();
