// A clip of what the page shows, where the browser can record a canvas: each new picture drawn
// at twice the size on a canvas of the clip's own (so that video's 4:2:0 colour, one colour per
// 2 x 2 block, keeps each console pixel's colour) and taken as one frame of a stream, encoded at
// a set bit rate; offered through the share sheet on a touch screen, else as a download. Where
// the browser cannot record, the Record control stays hidden.
(function () {
  'use strict';
  var WIDTH = 320, HEIGHT = 240, SCALE = 2;
  var BITS_PER_SECOND = 4000000;
  // The first the browser records, in this order: MP4 plays nearly everywhere a clip is sent.
  var TYPES = ['video/mp4;codecs=avc1', 'video/webm;codecs=vp9', 'video/webm;codecs=vp8',
               'video/webm'];

  var page = Module.pbPage;
  var button = document.getElementById('record');
  var screen = document.getElementById('screen');
  var clip = document.createElement('canvas');
  if (typeof MediaRecorder === 'undefined' || !MediaRecorder.isTypeSupported ||
      !clip.captureStream) {
    return;
  }
  var type = TYPES.filter(function (name) { return MediaRecorder.isTypeSupported(name); })[0];
  if (!type) return;
  clip.width = WIDTH * SCALE;
  clip.height = HEIGHT * SCALE;
  var context = clip.getContext('2d', { alpha: false });
  var recorder = null, track = null, chunks = [];
  var shown = 0, started = 0, last = 0;  // pulses: on show, and the clip's first and last

  function draw() {
    context.imageSmoothingEnabled = false;
    context.drawImage(screen, 0, 0, clip.width, clip.height);
    if (track.requestFrame) track.requestFrame();
  }

  // A picture seen again (the page shows the display at every animation frame) adds no frame.
  page.onPicture = function (pulse) {
    shown = pulse;
    if (!recorder || pulse === last) return;
    last = pulse;
    draw();
  };

  function start() {
    // No frame unless asked for: one per picture, none while the picture stays.
    var stream = clip.captureStream(0);
    track = stream.getVideoTracks()[0];
    if (!track.requestFrame) {
      track.stop();
      stream = clip.captureStream(60);
      track = stream.getVideoTracks()[0];
    }
    recorder = new MediaRecorder(stream, { mimeType: type, videoBitsPerSecond: BITS_PER_SECOND });
    chunks = [];
    recorder.ondataavailable = function (event) {
      if (event.data.size) chunks.push(event.data);
    };
    recorder.onstop = function () {
      stream.getTracks().forEach(function (each) { each.stop(); });
      offer();
    };
    recorder.start(1000);
    started = last = shown;
    draw();
    button.textContent = 'Stop recording';
    button.setAttribute('aria-pressed', 'true');
    page.notice('Recording a clip of the picture.');
  }

  function offer() {
    var kind = type.split(';')[0];
    var name = 'plasmaballs-' + document.body.dataset.seed + '-' + started + '-' + last +
               (kind === 'video/mp4' ? '.mp4' : '.webm');
    var blob = new Blob(chunks, { type: kind });
    chunks = [];
    var size = (blob.size / 1e6).toFixed(1) + ' MB';
    var file = typeof File === 'function' ? new File([blob], name, { type: kind }) : null;
    if (page.coarsePointer() && file && navigator.canShare &&
        navigator.canShare({ files: [file] })) {
      navigator.share({ files: [file] }).then(function () {
        page.notice('The clip (' + size + ') went to the share sheet.');
      }, function (error) {
        if (error && error.name === 'AbortError') {
          page.notice('The clip was not shared.');
        } else {
          page.download(blob, name);
          page.notice('The clip is saved as ' + name + ' (' + size + ').');
        }
      });
    } else {
      page.download(blob, name);
      page.notice('The clip is saved as ' + name + ' (' + size + ').');
    }
  }

  function stop() {
    recorder.stop();
    recorder = null;
    button.textContent = 'Record';
    button.setAttribute('aria-pressed', 'false');
  }

  button.addEventListener('click', function () {
    if (recorder) stop();
    else start();
    page.focusPicture();
  });
  button.hidden = false;
})();
