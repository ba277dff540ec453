// The page's side of the browser layer, run before the program starts: the
// queue of page events the program takes in its update passes (key presses
// and releases with the character they type, focus, and the page being hidden
// or going away as the close request), and VZGFX taken from the page's
// address (?VZGFX=GDI) into the program's environment. Under Node.js there is
// no page and nothing is set up.
(function () {
  if (typeof window === 'undefined' || typeof document === 'undefined') return;
  var MAX_QUEUED = 1024;  // a program that takes no events does not grow the queue without end
  var queue = [];
  Module['vzEvents'] = queue;
  function push(event) {
    if (queue.length >= MAX_QUEUED) queue.shift();
    queue.push(event);
  }
  // The one character a key types, as a code point; 0 for none. Enter,
  // Backspace, Tab and Escape type their control characters.
  var CONTROL_CHARACTERS = {'Enter': 13, 'Backspace': 8, 'Tab': 9, 'Escape': 27};
  function typed(key) {
    if (typeof key !== 'string' || key.length === 0) return 0;
    if (Object.prototype.hasOwnProperty.call(CONTROL_CHARACTERS, key)) return CONTROL_CHARACTERS[key];
    var point = key.codePointAt(0);
    return String.fromCodePoint(point).length === key.length ? point : 0;
  }
  // The browser keeps its own keys for reloading, its tools and its shortcuts.
  function browser_key(e) {
    return e.ctrlKey || e.metaKey || e.code === 'F5' || e.code === 'F12';
  }
  window.addEventListener('keydown', function (e) {
    push({kind: 1, code: e.code, repeat: e.repeat, character: typed(e.key)});
    if (!browser_key(e)) e.preventDefault();
  });
  window.addEventListener('keyup', function (e) {
    push({kind: 2, code: e.code, repeat: false, character: typed(e.key)});
    if (!browser_key(e)) e.preventDefault();
  });
  window.addEventListener('focus', function () { push({kind: 3}); });
  window.addEventListener('blur', function () { push({kind: 4}); });
  document.addEventListener('visibilitychange', function () {
    if (document.visibilityState === 'hidden') push({kind: 5});
  });
  window.addEventListener('pagehide', function () { push({kind: 5}); });

  var preRun = Module['preRun'] || [];
  Module['preRun'] = typeof preRun === 'function' ? [preRun] : preRun;
  // The page's address stands in for the environment: VZGFX, and the stop
  // after a number of frames of the tests' particles-held.
  Module['preRun'].push(function () {
    var query = new URLSearchParams(window.location.search);
    ['VZGFX', 'VZ_HOLD_FRAMES'].forEach(function (name) {
      var value = query.get(name);
      if (value !== null) ENV[name] = value;
    });
  });
})();
