// Sharing what the page shows: a link that replays the run so far (through the system's share
// sheet on a touch screen, else the clipboard, else shown selected), the run saved as a run file,
// a run file opened from a picker or dropped on the page, and a replay skipped to its end. The
// run itself comes from the compiled demo (pb_web_link, pb_web_file: see main.cpp).
(function () {
  'use strict';
  // Files are kept in the tab's storage across the reload that starts the page afresh; browsers
  // keep about 5 MB there.
  var LARGEST_FILE = 4 << 20;
  var OPENED_KEY = 'plasmaballs-opened-run';

  var page = Module.pbPage;
  var body = document.body;
  var share = document.getElementById('share');
  var save = document.getElementById('save');
  var open = document.getElementById('open');
  var picker = document.getElementById('picker');
  var skip = document.getElementById('skip');
  var link = document.getElementById('link');

  // The run file this page was opened with, { name, text }, taken out of storage so that a
  // reload starts afresh.
  var opened = null;
  try {
    opened = JSON.parse(sessionStorage.getItem(OPENED_KEY));
    sessionStorage.removeItem(OPENED_KEY);
  } catch (error) {
    opened = null;  // no storage here, or nothing readable in it
  }
  page.opened = function (part) {
    return opened === null ? null : part ? opened.text : opened.name;
  };

  page.download = function (blob, name) {
    var anchor = document.createElement('a');
    anchor.href = URL.createObjectURL(blob);
    anchor.download = name;
    body.appendChild(anchor);
    anchor.click();
    anchor.remove();
    setTimeout(function () { URL.revokeObjectURL(anchor.href); }, 60000);
  };

  // Shown selected, so that a copy takes it (the focus goes back to the picture, and a copy still
  // takes the selection).
  function showLink(address, selected) {
    link.href = address;
    link.textContent = address;
    link.hidden = false;
    if (selected) {
      var range = document.createRange();
      range.selectNodeContents(link);
      var selection = window.getSelection();
      selection.removeAllRanges();
      selection.addRange(range);
    }
  }

  function showSelected(address) {
    showLink(address, true);
    page.notice('No clipboard here: the link is selected, ready to copy.');
  }

  function copy(address) {
    if (!navigator.clipboard || !navigator.clipboard.writeText) {
      showSelected(address);
      return;
    }
    navigator.clipboard.writeText(address).then(function () {
      showLink(address, false);
      page.notice('The link is copied to the clipboard.');
    }, function () { showSelected(address); });
  }

  function shareLink() {
    var run = UTF8ToString(Module._pb_web_link());
    if (!run) return;
    var address = page.base() + '?run=' + run;
    if (address.length > page.longestAddress) {
      page.notice('Too long a run for a link: Save this run keeps it as a file.');
    } else if (navigator.share && page.coarsePointer()) {
      navigator.share({ title: 'plasmaballs', url: address }).then(function () {
        page.notice('The link went to the share sheet.');
      }, function (error) {
        if (error && error.name === 'AbortError') page.notice('The link was not shared.');
        else copy(address);
      });
    } else {
      copy(address);
    }
  }

  function saveRun() {
    var text = UTF8ToString(Module._pb_web_file(1));
    if (!text) return;
    page.download(new Blob([text], { type: 'text/plain' }), UTF8ToString(Module._pb_web_file(0)));
  }

  // A good file starts the page afresh with it; a bad one is named and the run goes on.
  function openFile(file) {
    if (!file) return;
    if (file.size > LARGEST_FILE) {
      page.notice('Cannot open ' + file.name + ': larger than 4 MiB.');
      return;
    }
    file.text().then(function (text) {
      var before = opened;
      opened = { name: file.name, text: text };
      var error = UTF8ToString(Module._pb_web_check_opened());
      var kept = opened;
      opened = before;
      if (error) {
        page.notice('Cannot open ' + error + '.');
        return;
      }
      try {
        sessionStorage.setItem(OPENED_KEY, JSON.stringify(kept));
      } catch (storage) {
        page.notice('Cannot open ' + file.name + ': this browser keeps no file for the page.');
        return;
      }
      location.assign(page.base());
    }, function () { page.notice('Cannot open ' + file.name + ': it cannot be read.'); });
  }

  function control(element, action) {
    element.addEventListener('click', function () {
      action();
      page.focusPicture();
    });
  }
  control(share, shareLink);
  control(save, saveRun);
  control(skip, function () { Module._pb_web_press(2); });
  control(open, function () { picker.click(); });
  picker.addEventListener('change', function () {
    openFile(picker.files[0]);
    picker.value = '';
  });
  document.addEventListener('dragover', function (event) {
    event.preventDefault();
    event.dataTransfer.dropEffect = 'copy';
  });
  document.addEventListener('drop', function (event) {
    event.preventDefault();
    openFile(event.dataTransfer.files[0]);
  });

  // The run can be shared and saved from its first pulse, and after a hand-over.
  page.onState = function (state) {
    share.hidden = save.hidden = false;
    skip.hidden = state !== 'replaying';
  };
  page.onEnded = function (handedOver) {
    share.hidden = save.hidden = !handedOver;
    skip.hidden = true;
  };
})();
