// Sets up the tool's own world in a document: it shares the page's DOM but
// none of its JavaScript, so nothing here can be replaced, read or broken by
// the page. The probes and the consent rules run here; only the activity
// watch runs in the page's world, and this world asks it for its notes.
(function setUpToolWorld(params) {
  'use strict';
  if (globalThis.orlendaWorld) return;
  const world = {
    changed: performance.now(),
    lateness: [],          // how late our own heartbeat ran, most recent last
    rulesClicked: -1e9,    // when the consent rules last clicked
    leftFor: '',           // where a click of theirs would have taken the page
  };
  globalThis.orlendaWorld = world;

  new MutationObserver(() => { world.changed = performance.now(); })
    .observe(document, { subtree: true, childList: true, attributes: true, characterData: true });

  // The consent rules' own timers: one due soon means they are in the
  // middle of a look.
  const ownSetTimeout = setTimeout;
  const ownClearTimeout = clearTimeout;
  world.ruleTimers = new Map();
  world.setTimeout = ownSetTimeout;
  globalThis.setTimeout = function setTimeout(handler, delay, ...rest) {
    const due = performance.now() + Math.max(0, Number(delay) || 0);
    const id = ownSetTimeout(function () {
      world.ruleTimers.delete(id);
      if (typeof handler === 'function') return handler.apply(this, arguments);
    }, delay, ...rest);
    world.ruleTimers.set(id, due);
    return id;
  };
  globalThis.clearTimeout = function clearTimeout(id) {
    world.ruleTimers.delete(id);
    return ownClearTimeout(id);
  };

  // A heartbeat: how late it runs is how busy the page's thread is.
  const beat = 100;
  const heartbeat = (due) => ownSetTimeout(() => {
    const ran = performance.now();
    world.lateness.push(Math.max(0, ran - due));
    if (world.lateness.length > 8) world.lateness.shift();
    heartbeat(ran + beat);
  }, beat);
  heartbeat(performance.now() + beat);

  // A click of the consent rules that would leave the page (a link, a form,
  // a script of the page moving on) is stopped: the picture is of the address
  // asked for, and the tool says the banner stayed.
  const click = HTMLElement.prototype.click;
  HTMLElement.prototype.click = function () {
    world.rulesClicked = performance.now();
    return click.apply(this, arguments);
  };
  const clickLeavesWithin = 1000;
  if (window.navigation && window === window.top) {
    navigation.addEventListener('navigate', (event) => {
      if (performance.now() - world.rulesClicked > clickLeavesWithin || !event.cancelable ||
          event.destination.sameDocument) {
        return;
      }
      event.preventDefault();
      world.leftFor = String(event.destination.url);
    });
  }

  // The activity watch's notes, or null where it is not running (a document
  // it could not reach).
  const box = document.createElement('span');
  world.pageActivity = () => {
    box.textContent = '';
    performance.dispatchEvent(new MouseEvent(params.channel, { relatedTarget: box }));
    const [head, timerText] = box.textContent.split('|');
    if (timerText === undefined) return null;
    const [frameAsked, observed, scrollListeners, workersAwaited, lastWorkerMessage, untracked,
           untrackedLatest, idlePending] = head.split(' ').map(Number);
    const timers = timerText.split(';').filter(Boolean).map((timer) => {
      const [due, rearms, every, interval, lastRun] = timer.split(' ').map(Number);
      return { due, rearms, every, interval: interval === 1, lastRun };
    });
    return { frameAsked, observed, scrollListeners, workersAwaited, lastWorkerMessage, untracked,
             untrackedLatest, idlePending, timers };
  };
})
