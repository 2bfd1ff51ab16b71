// The one script of ours in the page's own world, run before the first
// script of every document of the page, its frames' too: it sees what only
// the page's own calls show (its timers and intervals, delayed and idle
// tasks, animation frames, observers, scroll listeners and workers) and tells
// the tool's world when asked. Everything else of ours lives in that world.
//
// The page can redefine any built-in once it runs, so the watch takes what it
// needs now and calls only those: no prototype method, iterator or getter is
// looked up later, no Error is made, and numbers become text by `+ ''`. Its
// replacements answer toString, name and length as the browser's own do, in
// every frame of the page's origin, which share one list of them. None of it
// runs under the page's own callbacks, so no stack trace shows it: a handler
// runs as the page gave it, and a timer of ours, due with it and so run
// right after it, notes that it ran.
(function installActivityWatch(params) {
  'use strict';
  const apply = Reflect.apply;
  const construct = Reflect.construct;
  const ProxyOf = Proxy;
  const WeakMapOf = WeakMap;
  const MapOf = Map;
  const toNumber = Number;
  const larger = Math.max;
  const now = Performance.prototype.now.bind(performance);
  const createObject = Object.create;
  const describe = Object.getOwnPropertyDescriptor;
  const weakGet = WeakMap.prototype.get;
  const weakSet = WeakMap.prototype.set;
  const mapGet = Map.prototype.get;
  const mapSet = Map.prototype.set;
  const mapDelete = Map.prototype.delete;
  const promiseThen = Promise.prototype.then;
  const addListener = EventTarget.prototype.addEventListener;
  const dispatch = EventTarget.prototype.dispatchEvent;
  const setText = describe(Node.prototype, 'textContent').set;
  const relatedTargetOf = describe(MouseEvent.prototype, 'relatedTarget').get;
  const win = window;
  const doc = document;
  // The tool's world asks here, not on the window: document.open() takes
  // every listener of the window away.
  const perf = performance;
  const nativeSetTimeout = win.setTimeout;
  const nativeSetInterval = win.setInterval;
  const nativeClearTimeout = win.clearTimeout;
  const nativeIdle = win.requestIdleCallback;

  // Replacements and what they stand for, so toString answers for the
  // original: the list of the frame above where it is of the same origin,
  // so that one frame's toString answers for another's replacements too.
  const registryEvent = params.channel + '-registry';
  let originals = null;
  try {
    const above = win.parent;
    if (above !== win) {
      const holder = { registry: null };
      apply(dispatch, above.performance, [new CustomEvent(registryEvent, { detail: holder })]);
      originals = holder.registry;
    }
  } catch (otherOrigin) {
    originals = null;
  }
  if (originals === null) originals = new WeakMapOf();
  const detailOf = describe(CustomEvent.prototype, 'detail').get;
  apply(addListener, perf, [registryEvent, (event) => {
    apply(detailOf, event, []).registry = originals;
  }]);

  const disguise = (replacement, original) => {
    apply(weakSet, originals, [replacement, original]);
    return replacement;
  };
  const nativeToString = Function.prototype.toString;
  Function.prototype.toString = disguise(new ProxyOf(nativeToString, {
    apply(target, self, args) {
      const original = apply(weakGet, originals, [self]);
      return apply(target, original === undefined ? self : original, args);
    },
  }), nativeToString);
  const wrapCall = (owner, name, trap) => {
    const original = owner[name];
    owner[name] = disguise(new ProxyOf(original, { apply: trap }), original);
    return original;
  };
  const wrapConstructor = (name, made) => {
    const original = win[name];
    if (typeof original !== 'function') return;
    const replacement = disguise(new ProxyOf(original, {
      construct(target, args, newTarget) {
        const object = construct(target, args, newTarget === replacement ? target : newTarget);
        made(object);
        return object;
      },
    }), original);
    original.prototype.constructor = replacement;
    win[name] = replacement;
  };
  const has = (args, index) => args.length > index;

  const watch = {
    frameAsked: -1e9,
    observed: 0,
    scrollListeners: 0,
    workersAwaited: 0,
    lastWorkerMessage: -1e9,
    untracked: 0,          // timers past the few kept, counted only
    untrackedLatest: -1e9, // when the last of them is due
    idlePending: 0,        // idle callbacks asked for and not run yet
  };

  // Timers and intervals: the soonest few are kept with their due time, the
  // rest only counted, so a page that sets a million costs little more than
  // it would. A handler set again while its own run is under way (its timer
  // due and not yet noted as run) counts its re-arms, so a chain shows; an
  // interval, or a chain, says when its last run began, so the tool can tell
  // whether its runs still change the document.
  const keep = params.keep;
  const kept = createObject(null);  // by the page's id
  const lastOf = new MapOf();        // each handler's latest timer
  let keptCount = 0;
  let keptLatest = -1e9;
  const count = (due) => {
    ++watch.untracked;
    if (due > watch.untrackedLatest) watch.untrackedLatest = due;
  };
  const forget = (timer) => {
    if (kept[timer.id] !== timer) return;
    delete kept[timer.id];
    --keptCount;
    if (apply(mapGet, lastOf, [timer.handler]) === timer) apply(mapDelete, lastOf, [timer.handler]);
  };
  const ran = (timer) => forget(timer);
  const ranAgain = (timer) => {
    timer.lastRun = timer.due;
    timer.due += timer.every;
    if (timer.due < now()) timer.due = now() + timer.every;
  };
  const evictLatest = () => {
    let latest = null;
    for (const id in kept) if (latest === null || kept[id].due > latest.due) latest = kept[id];
    apply(nativeClearTimeout, win, [latest.marker]);
    forget(latest);
    count(latest.due);
    keptLatest = -1e9;
    for (const id in kept) if (kept[id].due > keptLatest) keptLatest = kept[id].due;
  };
  // The delay as the browser reads it, where that needs none of the page's
  // code (an object's valueOf would run again); undefined where it does.
  const delayOf = (args) => {
    if (!has(args, 1)) return 0;
    const given = args[1];
    const type = typeof given;
    if (type !== 'number' && type !== 'string' && type !== 'boolean' && type !== 'undefined' &&
        given !== null) {
      return undefined;
    }
    const delay = toNumber(given);
    return delay > 0 ? delay : 0;
  };
  const track = (id, handler, delay, interval) => {
    const at = now();
    const due = at + (delay > 2147483647 ? 1 : delay);
    if (keptCount >= keep && due >= keptLatest) {
      count(due);
      return;
    }
    const previous = apply(mapGet, lastOf, [handler]);
    const running = previous !== undefined && kept[previous.id] === previous && previous.due <= at &&
                    !previous.interval;
    const timer = {
      id,
      handler,
      due,
      every: interval ? larger(delay, 1) : delay,
      interval,
      rearms: running ? previous.rearms + 1 : 0,
      lastRun: running ? previous.due : -1e9,
      marker: 0,
    };
    // Due with the page's timer and set right after it: run right after it.
    timer.marker = interval ? apply(nativeSetInterval, win, [ranAgain, delay, timer])
                            : apply(nativeSetTimeout, win, [ran, delay, timer]);
    if (keptCount >= keep) evictLatest();
    kept[id] = timer;
    ++keptCount;
    apply(mapSet, lastOf, [handler, timer]);
    if (due > keptLatest) keptLatest = due;
  };
  const setTimer = (interval) => (target, self, args) => {
    const id = apply(target, self, args);
    const delay = delayOf(args);
    if (delay !== undefined && typeof id === 'number' && id > 0) {
      track(id, has(args, 0) ? args[0] : undefined, delay, interval);
    }
    return id;
  };
  const clearTimer = (target, self, args) => {
    if (has(args, 0) && typeof args[0] === 'number' && kept[args[0]] !== undefined) {
      apply(nativeClearTimeout, win, [kept[args[0]].marker]);
      forget(kept[args[0]]);
    }
    return apply(target, self, args);
  };
  wrapCall(win, 'setTimeout', setTimer(false));
  wrapCall(win, 'setInterval', setTimer(true));
  wrapCall(win, 'clearTimeout', clearTimer);
  wrapCall(win, 'clearInterval', clearTimer);

  // Tasks posted to the page's scheduler with a delay, due like timers.
  const tasks = createObject(null);
  let taskCount = 0;
  const scheduler = win.Scheduler;
  if (typeof scheduler === 'function' && typeof scheduler.prototype.postTask === 'function') {
    wrapCall(scheduler.prototype, 'postTask', (target, self, args) => {
      const promise = apply(target, self, args);
      const options = has(args, 1) ? args[1] : undefined;
      const given = options !== null && typeof options === 'object' ? describe(options, 'delay') : undefined;
      if (given && typeof given.value === 'number' && given.value > 0) {
        const key = ++taskCount;
        tasks[key] = now() + given.value;
        const done = () => { delete tasks[key]; };
        apply(promiseThen, promise, [done, done]);
      }
      return promise;
    });
  }

  // Idle callbacks run in the order asked for: one of ours asked right after
  // the page's runs right after it.
  if (typeof nativeIdle === 'function') {
    const idle = createObject(null);
    const settled = (id, entry) => {
      if (idle[id] !== entry) return;
      delete idle[id];
      --watch.idlePending;
    };
    wrapCall(win, 'requestIdleCallback', (target, self, args) => {
      const id = apply(target, self, args);
      const entry = {};
      idle[id] = entry;
      ++watch.idlePending;
      apply(nativeIdle, win, [() => settled(id, entry)]);
      return id;
    });
    wrapCall(win, 'cancelIdleCallback', (target, self, args) => {
      if (has(args, 0)) settled(args[0], idle[args[0]]);
      return apply(target, self, args);
    });
  }

  // Animation frames: how canvas charts and other scripted animations draw.
  wrapCall(win, 'requestAnimationFrame', (target, self, args) => {
    watch.frameAsked = now();
    return apply(target, self, args);
  });

  // What shows only once scrolled to: elements watched for coming into view,
  // and scripts that follow the scrolling (older lazy loaders, reveal effects).
  if (typeof win.IntersectionObserver === 'function') {
    wrapCall(win.IntersectionObserver.prototype, 'observe', (target, self, args) => {
      ++watch.observed;
      return apply(target, self, args);
    });
  }
  wrapCall(EventTarget.prototype, 'addEventListener', (target, self, args) => {
    if (has(args, 0) && args[0] === 'scroll' && (self === win || self === doc)) {
      ++watch.scrollListeners;
    }
    return apply(target, self, args);
  });
  const onscroll = describe(Object.getPrototypeOf(win), 'onscroll') || describe(win, 'onscroll');
  const scrollHandler = onscroll && onscroll.get;

  // Workers: work handed to one is pending until the page hears back from it
  // (or it fails or is ended), as a request is until it is answered.
  const workers = new WeakMapOf();
  const awaitReply = (record) => {
    if (record === undefined || record.awaited) return;
    record.awaited = true;
    ++watch.workersAwaited;
  };
  const heard = (record) => {
    watch.lastWorkerMessage = now();
    if (!record.awaited) return;
    record.awaited = false;
    --watch.workersAwaited;
  };
  const watchWorker = (worker, messages) => {
    const record = { awaited: false };
    apply(weakSet, workers, [worker, record]);
    if (messages !== worker) apply(weakSet, workers, [messages, record]);
    awaitReply(record);  // starting: its first word is awaited
    const answered = () => heard(record);
    apply(addListener, messages, ['message', answered]);
    apply(addListener, messages, ['messageerror', answered]);
    apply(addListener, worker, ['error', answered]);
  };
  const postedTo = (target, self, args) => {
    awaitReply(apply(weakGet, workers, [self]));
    return apply(target, self, args);
  };
  if (typeof win.Worker === 'function') {
    wrapCall(win.Worker.prototype, 'postMessage', postedTo);
    wrapCall(win.Worker.prototype, 'terminate', (target, self, args) => {
      const record = apply(weakGet, workers, [self]);
      if (record !== undefined) heard(record);
      return apply(target, self, args);
    });
    wrapConstructor('Worker', (worker) => watchWorker(worker, worker));
  }
  if (typeof win.SharedWorker === 'function' && typeof win.MessagePort === 'function') {
    const portOf = describe(win.SharedWorker.prototype, 'port').get;
    wrapCall(win.MessagePort.prototype, 'postMessage', postedTo);
    wrapConstructor('SharedWorker', (worker) => watchWorker(worker, apply(portOf, worker, [])));
  }

  // The tool's world asks by an event of a name only it knows, carrying a
  // detached element to write the answer into: numbers as text, timers after
  // a bar (due, re-arms, delay, whether an interval, last run), nothing the
  // page's own listeners or observers see.
  const report = () => {
    const scrollListeners = watch.scrollListeners + (scrollHandler && apply(scrollHandler, win, []) ? 1 : 0);
    let text = watch.frameAsked + ' ' + watch.observed + ' ' + scrollListeners + ' ' +
               watch.workersAwaited + ' ' + watch.lastWorkerMessage + ' ' + watch.untracked + ' ' +
               watch.untrackedLatest + ' ' + watch.idlePending + '|';
    for (const id in kept) {
      const timer = kept[id];
      text += timer.due + ' ' + timer.rearms + ' ' + timer.every + ' ' + (timer.interval ? 1 : 0) +
              ' ' + timer.lastRun + ';';
    }
    for (const key in tasks) text += tasks[key] + ' 0 0 0 -1000000000;';
    return text;
  };
  apply(addListener, perf, [params.channel, (event) => {
    const box = apply(relatedTargetOf, event, []);
    if (box) apply(setText, box, [report()]);
  }]);
})
