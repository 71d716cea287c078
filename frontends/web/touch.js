// The touch controls: the round pad, SELECT and START held by fingers (or the mouse), and PAUSE
// and STEP pressed. page.js reads what they hold through Module.pbPage.touch.
(function () {
  'use strict';
  var page = Module.pbPage;
  var UP = page.bits.UP, DOWN = page.bits.DOWN, LEFT = page.bits.LEFT, RIGHT = page.bits.RIGHT;
  // The touch pad: a finger nearer its centre than this part of its radius holds nothing;
  // elsewhere the eighth of the circle it is in picks the direction, clockwise from right.
  var PAD_DEAD_ZONE = 0.25;
  var PAD_SECTORS = [RIGHT, DOWN | RIGHT, DOWN, DOWN | LEFT, LEFT, UP | LEFT, UP, UP | RIGHT];
  var pad = document.getElementById('pad');
  var knob = document.getElementById('knob');

  // A control held by pointers: each finger (or the mouse) on it holds what bitsOf says for it
  // until it lifts, even when it slides off; on the pad it follows the finger across sectors.
  function TouchControl(element, bitsOf, shown) {
    var self = this;
    this.fingers = {};  // pointer id -> control bits
    this.shown = shown || function (bits) { element.classList.toggle('pressed', bits !== 0); };
    element.addEventListener('pointerdown', function (event) {
      event.preventDefault();  // keeps the focus where the keys work
      if (element.setPointerCapture) element.setPointerCapture(event.pointerId);
      self.fingers[event.pointerId] = bitsOf(event);
      self.shown(self.bits());
      page.wake();
    });
    element.addEventListener('pointermove', function (event) {
      if (!(event.pointerId in self.fingers)) return;
      self.fingers[event.pointerId] = bitsOf(event);
      self.shown(self.bits());
    });
    var lift = function (event) {
      if (!(event.pointerId in self.fingers)) return;
      delete self.fingers[event.pointerId];
      self.shown(self.bits());
    };
    element.addEventListener('pointerup', lift);
    element.addEventListener('pointercancel', lift);
    element.addEventListener('lostpointercapture', lift);
    element.addEventListener('contextmenu', function (event) { event.preventDefault(); });
  }
  TouchControl.prototype.bits = function () {
    var bits = 0;
    for (var id in this.fingers) bits |= this.fingers[id];
    return bits;
  };
  TouchControl.prototype.release = function () {
    this.fingers = {};
    this.shown(0);
  };

  function padDirection(event) {
    var rect = pad.getBoundingClientRect();
    var x = event.clientX - (rect.left + rect.width / 2);
    var y = event.clientY - (rect.top + rect.height / 2);
    if (Math.sqrt(x * x + y * y) < rect.width / 2 * PAD_DEAD_ZONE) return 0;
    return PAD_SECTORS[Math.round(Math.atan2(y, x) / (Math.PI / 4)) & 7];
  }

  // The knob leans the way the pad pushes.
  function showPad(bits) {
    var dx = (bits & RIGHT ? 1 : 0) - (bits & LEFT ? 1 : 0);
    var dy = (bits & DOWN ? 1 : 0) - (bits & UP ? 1 : 0);
    var reach = dx && dy ? 36 : 50;
    knob.style.transform = 'translate(' + dx * reach + 'px,' + dy * reach + 'px)';
    pad.classList.toggle('pressed', bits !== 0);
  }

  // PAUSE and STEP are presses, not held buttons; like the others they keep the focus, and start
  // a waiting run (the press itself counts once it runs).
  ['pause', 'step'].forEach(function (id, key) {
    document.getElementById(id).addEventListener('pointerdown', function (event) {
      event.preventDefault();
      page.pressPageKey(key);
    });
  });

  var touchControls = [
    new TouchControl(pad, padDirection, showPad),
    new TouchControl(document.getElementById('select'), function () { return page.bits.SELECT; }),
    new TouchControl(document.getElementById('start'), function () { return page.bits.START; }),
  ];

  function touchBits() {
    var bits = 0;
    touchControls.forEach(function (control) { bits |= control.bits(); });
    return bits;
  }

  function releaseTouches() {
    touchControls.forEach(function (control) { control.release(); });
  }

  page.touch = { bits: touchBits, release: releaseTouches };
})();
