// One look at whether a document of the page still changes, from its tool's
// world (of the page itself, or of one of its frames). Finite
// animations that would end within the budget are moved to their end on the
// way, as a person who waited that long would see them; endless and longer
// ones are left running and not counted. A page that scrolled itself away
// from the top is scrolled back (when backToTop), and counts as animating.
// Times are in milliseconds before now (quiet for) or after it (due in).
(function probeSettle(params) {
  'use strict';
  const world = globalThis.orlendaWorld;
  if (!world) return { world: false };
  const now = performance.now();
  let animating = 0;
  for (const animation of document.getAnimations()) {
    if (animation.playState !== 'running' || animation.timeline !== document.timeline ||
        !animation.effect) {
      continue;
    }
    const rate = Math.abs(animation.playbackRate);
    const left = (animation.effect.getComputedTiming().endTime - animation.currentTime) / rate;
    if (animation.pending || animation.currentTime === null) {
      ++animating;
    } else if (Number.isFinite(left) && left <= params.budgetMs) {
      try { animation.finish(); ++animating; } catch (e) {}
    }
  }
  if (params.backToTop && (window.scrollY !== 0 || window.scrollX !== 0)) {
    window.scrollTo({ left: 0, top: 0, behavior: 'instant' });
    ++animating;
  }
  const activity = world.pageActivity();
  const root = document.documentElement;
  const answer = {
    world: true,
    shown: window.innerWidth > 2 && window.innerHeight > 2,
    domQuietMs: now - world.changed,
    animating,
    videosLoading: videosLoading(),
    lateness: Math.max(0, ...world.lateness),
    consent: consentReport(now),
    leftFor: world.leftFor,
    lazy: document.querySelectorAll('[loading=lazy], img[data-src], img[data-srcset], .lazyload').length,
    height: Math.max(root ? root.scrollHeight : 0, document.body ? document.body.scrollHeight : 0),
    viewport: window.innerHeight,
  };
  if (activity) {
    Object.assign(answer, {
      framesQuietMs: now - activity.frameAsked,
      timers: activity.timers.sort((a, b) => a.due - b.due).slice(0, params.timersReported)
        .map((timer) => ({ inMs: timer.due - now, rearms: timer.rearms, everyMs: timer.every,
                           interval: timer.interval, changedSinceRun: world.changed >= timer.lastRun })),
      idleCallbacks: activity.idlePending,
      untrackedTimers: activity.untracked,
      untrackedDueInMs: activity.untrackedLatest - now,
      workersAwaited: activity.workersAwaited,
      workersQuietMs: now - activity.lastWorkerMessage,
      observed: activity.observed,
      scrollListeners: activity.scrollListeners,
    });
  }
  return answer;

  // Videos in the picture still loading their first frame, over which the
  // browser draws its spinner.
  function videosLoading() {
    const bottom = params.backToTop ? Infinity : window.innerHeight;
    let loading = 0;
    for (const video of document.getElementsByTagName('video')) {
      const box = video.getBoundingClientRect();
      if (box.width > 0 && box.height > 0 && box.top < bottom && box.left < window.innerWidth &&
          box.bottom > 0 && box.right > 0 && video.readyState < HTMLMediaElement.HAVE_CURRENT_DATA &&
          video.networkState === HTMLMediaElement.NETWORK_LOADING && !video.error) {
        ++loading;
      }
    }
    return loading;
  }

  function consentReport(now) {
    const consent = window.autoconsentStandalone;
    const state = consent && consent.instance && consent.instance.state;
    if (!state) return {};
    const closed = consent.messages.find((message) => message.type === 'autoconsentDone');
    const found = [...(state.detectedPopups || []), ...(state.detectedCmps || [])];
    return {
      lifecycle: String(state.lifecycle),
      looks: state.findCmpAttempts | 0,
      cookieWords: (state.heuristicPatterns || []).length > 0,
      busy: [...world.ruleTimers.values()].some((due) => due - now <= params.rulesTimerSoonMs),
      name: String(closed ? closed.cmp : found[0] || ''),
    };
  }
})
