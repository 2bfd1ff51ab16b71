// The activity watch in a stand-in for the page's world: a window whose
// timers run on a clock the test moves, and a tool's world that asks over
// the channel as the real one does.
'use strict';
const { test } = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const vm = require('node:vm');

const watchSource = fs.readFileSync(process.env.ACTIVITY_WATCH_JS, 'utf8');

// A window with the built-ins the watch takes, its timers due on a clock of
// the test's.
function pageWorld() {
  const page = vm.createContext({});
  vm.runInContext(`
    var clock = 0, nextId = 1, due = new Map();
    var EventTarget = class {
      addEventListener(type, listener) { (this.listeners ??= []).push([type, listener]); }
      dispatchEvent(event) {
        for (const [type, listener] of this.listeners ?? []) if (type === event.type) listener(event);
      }
    }
    var Node = class extends EventTarget {
      set textContent(text) { this.text = text; }
      get textContent() { return this.text ?? ''; }
    }
    var MouseEvent = class { constructor(type, init) { this.type = type; this.target = init.relatedTarget; }
                       get relatedTarget() { return this.target; } }
    var Performance = class { now() { return clock; } }
    var performance = new Performance();
    var window = globalThis;
    Object.setPrototypeOf(window, EventTarget.prototype);
    var document = new Node();
    function setTimeout(handler, delay) {
      if (typeof handler === 'function') due.set(nextId, { at: clock + (Number(delay) || 0), handler });
      return nextId++;
    }
    function clearTimeout(id) { due.delete(id); }
    function requestAnimationFrame(callback) { return 1; }
    var Worker = class extends EventTarget { postMessage(message) {} terminate() {} }
    // Runs what is due by then, in order, as the browser would; in the
    // page's world, so without what a hostile page may break.
    function advance(ms) {
      const end = clock + ms;
      for (;;) {
        let soonestId = 0, soonest = Infinity;
        due.forEach((timer, id) => { if (timer.at < soonest) { soonest = timer.at; soonestId = id; } });
        if (soonest > end) break;
        const timer = due.get(soonestId);
        due.delete(soonestId);
        clock = Math.max(clock, soonest);
        timer.handler();
      }
      clock = end;
    }
  `, page);
  return page;
}

const channel = 'orlenda-test';
function watched() {
  const page = pageWorld();
  vm.runInContext(watchSource, page)({ channel, keep: 5 });
  // What the tool's world hears.
  const notes = () => {
    const box = new page.Node();
    page.window.dispatchEvent(new page.MouseEvent(channel, { relatedTarget: box }));
    const [head, timers] = box.textContent.split('|');
    const [frameAsked, observed, scrollListeners, workersAwaited, lastWorkerMessage, untracked,
           untrackedLatest, lateness] = head.split(' ').map(Number);
    return { frameAsked, observed, scrollListeners, workersAwaited, lastWorkerMessage, untracked,
             untrackedLatest, lateness,
             timers: timers.split(';').filter(Boolean).map((t) => t.split(' ').map(Number)) };
  };
  return { page, run: (code) => vm.runInContext(code, page), notes };
}

test('what the watch replaced looks like what it replaced', () => {
  const page = pageWorld();
  const names = ['setTimeout', 'clearTimeout', 'requestAnimationFrame'];
  const before = names.map((name) => [String(page[name]), page[name].name, page[name].length]);
  const addBefore = vm.runInContext('Function.prototype.toString.call(EventTarget.prototype.addEventListener)', page);
  vm.runInContext(watchSource, page)({ channel, keep: 5 });
  assert.deepStrictEqual(names.map((name) => [String(page[name]), page[name].name, page[name].length]), before);
  const toString = vm.runInContext('Function.prototype.toString', page);
  assert.strictEqual(toString.call(page.EventTarget.prototype.addEventListener), addBefore);
  assert.match(toString.call(toString), /^function toString\(\) \{ \[native code\] \}$/);
  assert.strictEqual(page.Worker.prototype.constructor, page.Worker);
  assert.deepStrictEqual(Object.keys(page).filter((key) => /orlenda/i.test(key)), []);
});

test('the page redefining built-ins after the watch started changes nothing', () => {
  const { run, notes } = watched();
  run(`
    performance.now = () => NaN;
    Performance.prototype.now = () => 'x';
    Object.defineProperty(Error, 'prepareStackTrace', { get() { throw 1; }, set() { throw 1; } });
    Reflect.apply = () => { throw new Error('no'); };
    WeakMap.prototype.get = () => { throw new Error('no'); };
    Object.defineProperty(Array.prototype, '0', { get() { throw 1; }, set() { throw 1; } });
    Object.prototype.toJSON = () => 'lies';
    window.fired = 0;
    setTimeout(() => ++fired, 100);
    setTimeout();
  `);
  assert.deepStrictEqual(notes().timers, [[100, 0]]);
  run('advance(100)');
  assert.strictEqual(run('fired'), 1);
  assert.deepStrictEqual(notes().timers, []);
});

test('timers are reported as the page sets, clears and runs them', () => {
  const cases = [
    { name: 'a timer due later', code: 'setTimeout(() => {}, 250)', timers: [[250, 0]] },
    { name: 'cleared', code: 'clearTimeout(setTimeout(() => {}, 250))', timers: [] },
    { name: 'code in a string is not followed', code: 'setTimeout("1", 10)', timers: [] },
    { name: 'a delay the watch does not convert, as the page may see it done, reads as due now',
      code: 'setTimeout(() => {}, "250")', timers: [[0, 0]] },
    { name: 'a chain counts its re-arms',
      code: '(function poll() { setTimeout(poll, 100); })(); advance(200)', timers: [[300, 2]] },
    { name: 'beyond the few kept, the rest are counted, the soonest kept',
      code: 'for (let i = 20; i > 0; --i) setTimeout(() => {}, i * 10)',
      timers: [[10, 0], [20, 0], [30, 0], [40, 0], [50, 0]], untracked: 15, untrackedLatest: 200 },
  ];
  for (const row of cases) {
    const { run, notes } = watched();
    run(row.code);
    const seen = notes();
    assert.deepStrictEqual(seen.timers.sort((a, b) => a[0] - b[0]), row.timers, row.name);
    assert.strictEqual(seen.untracked, row.untracked ?? 0, row.name);
    if (row.untrackedLatest) assert.strictEqual(seen.untrackedLatest, row.untrackedLatest, row.name);
  }
});

test('a timer run late says how busy the page is', () => {
  const { run, notes } = watched();
  run('setTimeout(() => {}, 100); clock = 180; advance(0)');
  assert.strictEqual(notes().lateness, 80);
});

test('work handed to a worker is awaited until the page hears back', () => {
  const { run, notes } = watched();
  run('window.worker = new Worker("w.js")');
  assert.strictEqual(notes().workersAwaited, 1, 'starting');
  run('clock = 40; worker.dispatchEvent({ type: "message" })');
  assert.deepStrictEqual([notes().workersAwaited, notes().lastWorkerMessage], [0, 40]);
  run('worker.postMessage("parse this")');
  assert.strictEqual(notes().workersAwaited, 1, 'working');
  run('worker.terminate()');
  assert.strictEqual(notes().workersAwaited, 0, 'ended');
});
