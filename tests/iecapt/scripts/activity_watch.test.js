// The activity watch in a stand-in for the page's world: a window whose
// timers run on a clock the test moves, and a tool's world that asks over
// the channel as the real one does.
'use strict';
const { test } = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const vm = require('node:vm');

const watchSource = fs.readFileSync(process.env.ACTIVITY_WATCH_JS, 'utf8');

// A window with the built-ins the watch takes, its timers, intervals and
// idle callbacks due on a clock of the test's.
function pageWorld() {
  const page = vm.createContext({});
  vm.runInContext(`
    var clock = 0, nextId = 1, due = new Map(), idle = [], dueGet = Map.prototype.get;
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
    var CustomEvent = class { constructor(type, init) { this.type = type; this.info = init.detail; }
                        get detail() { return this.info; } }
    var Performance = class extends EventTarget { now() { return clock; } }
    var performance = new Performance();
    var window = globalThis;
    Object.setPrototypeOf(window, EventTarget.prototype);
    window.parent = window;
    var document = new Node();
    function schedule(handler, delay, args, every) {
      due.set(nextId, { at: clock + (Number(delay) || 0), handler, args, every });
      return nextId++;
    }
    function setTimeout(handler, delay, ...args) { return schedule(handler, delay, args, 0); }
    function setInterval(handler, delay, ...args) { return schedule(handler, delay, args, Number(delay) || 1); }
    function clearTimeout(id) { due.delete(id); }
    var clearInterval = clearTimeout;
    function requestIdleCallback(callback) { idle.push(callback); return idle.length; }
    function cancelIdleCallback(id) { idle[id - 1] = null; }
    function requestAnimationFrame(callback) { return 1; }
    var Worker = class extends EventTarget { postMessage(message) {} terminate() {} }
    var Scheduler = class { postTask(callback, options) { return new Promise((done) => schedule(() => done(callback()), options?.delay, [], 0)); } }
    var scheduler = new Scheduler();
    // Runs what is due by then, in order, as the browser would; in the
    // page's world, so without what a hostile page may break.
    function advance(ms) {
      const end = clock + ms;
      for (;;) {
        let soonestId = 0, soonest = Infinity;
        due.forEach((timer, id) => { if (timer.at < soonest) { soonest = timer.at; soonestId = id; } });
        if (soonest > end) break;
        const timer = dueGet.call(due, soonestId);
        if (timer.every) timer.at += timer.every; else due.delete(soonestId);
        clock = Math.max(clock, soonest);
        if (typeof timer.handler === 'function') timer.handler(...timer.args);
        else (0, eval)(timer.handler);
      }
      clock = end;
    }
    function idlePeriod() { const now = idle.splice(0); for (const callback of now) callback?.({}); }
  `, page);
  return page;
}

const channel = 'orlenda-test';
const install = (page) => vm.runInContext(watchSource, page)({ channel, keep: 5 });
function watched() {
  const page = pageWorld();
  install(page);
  // What the tool's world hears.
  const notes = () => {
    const box = new page.Node();
    page.performance.dispatchEvent(new page.MouseEvent(channel, { relatedTarget: box }));
    const [head, timers] = box.textContent.split('|');
    const [frameAsked, observed, scrollListeners, workersAwaited, lastWorkerMessage, untracked,
           untrackedLatest, idlePending] = head.split(' ').map(Number);
    return { frameAsked, observed, scrollListeners, workersAwaited, lastWorkerMessage, untracked,
             untrackedLatest, idlePending,
             timers: timers.split(';').filter(Boolean).map((t) => t.split(' ').map(Number)) };
  };
  return { page, run: (code) => vm.runInContext(code, page), notes };
}

test('what the watch replaced looks like what it replaced', () => {
  const page = pageWorld();
  const names = ['setTimeout', 'clearTimeout', 'setInterval', 'requestAnimationFrame', 'requestIdleCallback'];
  const before = names.map((name) => [String(page[name]), page[name].name, page[name].length]);
  const addBefore = vm.runInContext('Function.prototype.toString.call(EventTarget.prototype.addEventListener)', page);
  install(page);
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
    Map.prototype.get = () => { throw new Error('no'); };
    Object.defineProperty(Array.prototype, '0', { get() { throw 1; }, set() { throw 1; } });
    Object.prototype.toJSON = () => 'lies';
    window.fired = 0;
    setTimeout(() => ++fired, 100);
  `);
  assert.deepStrictEqual(notes().timers, [[100, 0, 100, 0, -1e9]]);
  run('advance(100)');
  assert.strictEqual(run('fired'), 1);
  assert.deepStrictEqual(notes().timers, []);
});

test('timers are reported as the page sets, clears and runs them', () => {
  const cases = [
    { name: 'a timer due later', code: 'setTimeout(() => {}, 250)', timers: [[250, 0, 250, 0, -1e9]] },
    { name: 'cleared', code: 'clearTimeout(setTimeout(() => {}, 250))', timers: [] },
    { name: 'code in a string, waited for', code: 'setTimeout("1", 10)', timers: [[10, 0, 10, 0, -1e9]] },
    { name: 'a delay given as text is read as the browser reads it',
      code: 'setTimeout(() => {}, "250")', timers: [[250, 0, 250, 0, -1e9]] },
    { name: 'one whose delay would run the page\'s code is not followed',
      code: 'setTimeout(() => {}, { valueOf() { return 5; } })', timers: [] },
    { name: 'a chain counts its re-arms and when its last run began',
      code: '(function poll() { setTimeout(poll, 100); })(); advance(200)', timers: [[300, 2, 100, 0, 200]] },
    { name: 'a chain of code in a string too',
      code: 'window.poll = () => setTimeout("poll()", 100); poll(); advance(200)',
      timers: [[300, 2, 100, 0, 200]] },
    { name: 'a timer set by another timer\'s run is no re-arm',
      code: 'setTimeout(() => setTimeout(() => {}, 100), 100); advance(100)', timers: [[200, 0, 100, 0, -1e9]] },
    { name: 'an interval, with its next run and its last',
      code: 'setInterval(() => {}, 100); advance(250)', timers: [[300, 0, 100, 1, 200]] },
    { name: 'a delayed task of the scheduler', code: 'scheduler.postTask(() => {}, { delay: 400 })',
      timers: [[400, 0, 0, 0, -1e9]] },
    { name: 'beyond the few kept, the rest are counted, the soonest kept',
      code: 'for (let i = 20; i > 0; --i) setTimeout(() => {}, i * 10)',
      timers: [10, 20, 30, 40, 50].map((at) => [at, 0, at, 0, -1e9]), untracked: 15, untrackedLatest: 200 },
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

test('idle callbacks are awaited until they ran or were called off', () => {
  const { run, notes } = watched();
  run('requestIdleCallback(() => {}); cancelIdleCallback(requestIdleCallback(() => {}))');
  assert.strictEqual(notes().idlePending, 1);
  run('idlePeriod()');
  assert.strictEqual(notes().idlePending, 0);
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
