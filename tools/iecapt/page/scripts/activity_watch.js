// The one script of ours in the page's own world, run before the page's
// first script: it sees what only the page's own calls show (its timers,
// animation frames, observers, scroll listeners and workers) and tells the
// tool's world when asked. Everything else of ours lives in that other world.
//
// The page can redefine any built-in once it runs, so the watch takes what it
// needs now and calls only those: no prototype method, iterator or getter is
// looked up later, no Error is made, and numbers become text by `+ ''`. Its
// replacements answer toString, name and length as the browser's own do.
(function installActivityWatch(params) {
  'use strict';
  const apply = Reflect.apply;
  const construct = Reflect.construct;
  const ProxyOf = Proxy;
  const now = Performance.prototype.now.bind(performance);
  const createObject = Object.create;
  const describe = Object.getOwnPropertyDescriptor;
  const weakGet = WeakMap.prototype.get;
  const weakSet = WeakMap.prototype.set;
  const addListener = EventTarget.prototype.addEventListener;
  const setText = describe(Node.prototype, 'textContent').set;
  const relatedTargetOf = describe(MouseEvent.prototype, 'relatedTarget').get;
  const win = window;
  const doc = document;

  // Replacements and what they stand for, so toString answers for the original.
  const originals = new WeakMap();
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
  };

  // Timers: the soonest few are kept with their due time, the rest only
  // counted, so a page that sets a million costs little more than it would.
  // A callback that sets itself again from inside its own run counts its
  // re-arms, so an endless chain shows; how late each ran tells how busy the
  // page's thread is.
  const keep = params.keep;
  const kept = createObject(null);  // by id
  let keptCount = 0;
  let keptLatest = -1e9;
  let running = null;
  const lateness = createObject(null);
  let latenessNext = 0;
  const latenessKept = 8;
  const count = (due) => {
    ++watch.untracked;
    if (due > watch.untrackedLatest) watch.untrackedLatest = due;
  };
  const forget = (timer) => {
    if (kept[timer.id] !== timer) return;
    delete kept[timer.id];
    --keptCount;
  };
  const evictLatest = () => {
    let latest = null;
    for (const id in kept) if (latest === null || kept[id].due > latest.due) latest = kept[id];
    forget(latest);
    count(latest.due);
    keptLatest = -1e9;
    for (const id in kept) if (kept[id].due > keptLatest) keptLatest = kept[id].due;
  };
  wrapCall(win, 'setTimeout', (target, self, args) => {
    const handler = has(args, 0) ? args[0] : undefined;
    if (typeof handler !== 'function') return apply(target, self, args);
    const delay = has(args, 1) && typeof args[1] === 'number' && args[1] > 0 ? args[1] : 0;
    const due = now() + delay;
    if (keptCount >= keep && due >= keptLatest) {
      count(due);
      return apply(target, self, args);
    }
    const timer = {
      id: 0,
      due,
      handler,
      rearms: running !== null && running.handler === handler ? running.rearms + 1 : 0,
    };
    args[0] = function () {
      forget(timer);
      lateness[latenessNext] = now() - timer.due;
      latenessNext = (latenessNext + 1) % latenessKept;
      const outer = running;
      running = timer;
      try {
        return apply(handler, this, arguments);
      } finally {
        running = outer;
      }
    };
    const id = apply(target, self, args);
    if (keptCount >= keep) evictLatest();
    timer.id = id;
    kept[id] = timer;
    ++keptCount;
    if (due > keptLatest) keptLatest = due;
    return id;
  });
  wrapCall(win, 'clearTimeout', (target, self, args) => {
    if (has(args, 0) && typeof args[0] === 'number' && kept[args[0]] !== undefined) {
      forget(kept[args[0]]);
    }
    return apply(target, self, args);
  });

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
  const workers = new WeakMap();
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
  // a bar, nothing the page's own listeners or observers see.
  const report = () => {
    let latest = 0;
    for (const slot in lateness) if (lateness[slot] > latest) latest = lateness[slot];
    const scrollListeners = watch.scrollListeners + (scrollHandler && apply(scrollHandler, win, []) ? 1 : 0);
    let text = watch.frameAsked + ' ' + watch.observed + ' ' + scrollListeners + ' ' +
               watch.workersAwaited + ' ' + watch.lastWorkerMessage + ' ' + watch.untracked + ' ' +
               watch.untrackedLatest + ' ' + latest + '|';
    for (const id in kept) text += kept[id].due + ' ' + kept[id].rearms + ';';
    return text;
  };
  apply(addListener, win, [params.channel, (event) => {
    const box = apply(relatedTargetOf, event, []);
    if (box) apply(setText, box, [report()]);
  }]);
})
