#include "page/page_scripts.h"

#include <string_view>

namespace orlenda::iecapt {
namespace {

// Where the watch keeps its notes: on the window, out of enumeration.
constexpr const char* kNotes = "window.__orlendaChangeWatch";
// The consent rules' script name, as stack traces show it.
constexpr const char* kConsentRulesName = "orlenda-consent-rules.js";
// The probe reports at most this many timers, the soonest due.
constexpr int kTimersReported = 50;
// The consent rules are in the middle of a look while one of their timers is
// due this soon: they wait a moment between the steps of some looks.
constexpr int kRulesTimerSoonMs = 50;

// Fills in the placeholders a script's text holds.
std::string filled(std::string text, std::string_view mark, std::string_view value) {
    for (auto at = text.find(mark); at != std::string::npos; at = text.find(mark, at)) {
        text.replace(at, mark.size(), value);
    }
    return text;
}

std::string withNotes(const std::string& script) { return filled(script, "NOTES", kNotes); }

std::string boolean(bool value) { return value ? "true" : "false"; }

}  // namespace

std::string changeWatchScript() {
    return withNotes(R"((() => {
  if (NOTES) return;
  const notes = { changed: performance.now(), frameAsked: -1e9, observed: 0, scrollListeners: 0,
                  timers: new Map(),
                  requestFrame: window.requestAnimationFrame.bind(window),
                  setTimeout: window.setTimeout.bind(window) };
  Object.defineProperty(window, '__orlendaChangeWatch', { value: notes });
  window.requestAnimationFrame = function requestAnimationFrame(callback) {
    notes.frameAsked = performance.now();
    return notes.requestFrame(callback);
  };
  new MutationObserver(() => { notes.changed = performance.now(); })
    .observe(document, { subtree: true, childList: true, attributes: true, characterData: true });
  // What shows only once scrolled to: elements watched for coming into view,
  // and scripts that follow the scrolling (older lazy loaders, reveal effects).
  if (window.IntersectionObserver) {
    const observe = IntersectionObserver.prototype.observe;
    IntersectionObserver.prototype.observe = function (target) {
      ++notes.observed;
      return observe.apply(this, arguments);
    };
  }
  const listen = EventTarget.prototype.addEventListener;
  EventTarget.prototype.addEventListener = function addEventListener(type) {
    if (type === 'scroll' && (this === window || this === document)) ++notes.scrollListeners;
    return listen.apply(this, arguments);
  };
  // Timers, each with its due time, passed on to the browser's own unchanged.
  // A callback that sets itself again from inside its own run counts its
  // re-arms, so an endless chain shows. The consent rules' own timers are
  // kept apart: they are not the page's, but one about to fire means the
  // rules are in the middle of a look.
  notes.ruleTimers = new Map();
  const own = { setTimeout: window.setTimeout, clearTimeout: window.clearTimeout,
                setInterval: window.setInterval, clearInterval: window.clearInterval };
  const fromConsentRules = () => {
    if (!notes.consentRules) return false;
    const { prepareStackTrace, stackTraceLimit } = Error;
    Error.prepareStackTrace = (error, frames) => frames;
    Error.stackTraceLimit = 4;
    try {
      const frames = new Error().stack;
      return Array.isArray(frames) &&
             frames.some(f => f.getScriptNameOrSourceURL() === notes.consentRules);
    } finally {
      Error.prepareStackTrace = prepareStackTrace;
      Error.stackTraceLimit = stackTraceLimit;
    }
  };
  let running = null;
  const due = delay => performance.now() + Math.max(0, Number(delay) || 0);
  window.setTimeout = function setTimeout(handler, delay, ...rest) {
    if (typeof handler !== 'function') return own.setTimeout.apply(this, arguments);
    const timers = fromConsentRules() ? notes.ruleTimers : notes.timers;
    const timer = { due: due(delay), repeating: false, handler,
                    rearms: running && running.handler === handler ? running.rearms + 1 : 0 };
    const id = own.setTimeout.call(this, function () {
      timers.delete(id);
      const outer = running;
      running = timer;
      try { return handler.apply(this, arguments); } finally { running = outer; }
    }, delay, ...rest);
    timers.set(id, timer);
    return id;
  };
  window.setInterval = function setInterval(handler, delay) {
    const id = own.setInterval.apply(this, arguments);
    if (!fromConsentRules()) notes.timers.set(id, { due: due(delay), repeating: true, rearms: 0 });
    return id;
  };
  // The two clear either kind.
  for (const name of ['clearTimeout', 'clearInterval']) {
    window[name] = { [name](id) {
      notes.timers.delete(id);
      notes.ruleTimers.delete(id);
      return own[name].apply(this, arguments);
    } }[name];
  }
})())");
}

std::string consentScript(const std::string& rules) {
    // The name lets the timer watch tell the rules' own timers from the page's.
    return withNotes("NOTES && (NOTES.consentRules = '" + std::string(kConsentRulesName) +
                     "');\n") +
           rules + "\n//# sourceURL=" + kConsentRulesName + "\n";
}

std::string scrollScript(bool scrollThrough, int limit, int budgetMs) {
    return withNotes(R"((async (scrollThrough, limit, budget) => {
  const giveUp = performance.now() + budget;
  // The browser's own, which the page's watch does not count.
  const requestFrame = NOTES ? NOTES.requestFrame : window.requestAnimationFrame.bind(window);
  const setTimeout = NOTES ? NOTES.setTimeout : window.setTimeout.bind(window);
  // Guards against frames that never come.
  const nextFrame = () => new Promise(resolve => {
    requestFrame(() => setTimeout(resolve, 0));
    setTimeout(resolve, 100);
  });
  const scrollTo = y => window.scrollTo({ left: 0, top: y, behavior: 'instant' });
  if (scrollThrough) {
    const step = Math.max(window.innerHeight, 1);
    const height = () => Math.min(limit, Math.max(document.documentElement.scrollHeight,
                                                  document.body ? document.body.scrollHeight : 0));
    for (let y = step; y < height() && performance.now() < giveUp; y += step) {
      scrollTo(y);
      await nextFrame();
    }
  }
  for (let tries = 0; tries < 10 && (window.scrollY !== 0 || window.scrollX !== 0); ++tries) {
    scrollTo(0);
    await nextFrame();
  }
  if (document.fonts) {
    const left = Math.max(0, Math.min(2000, giveUp - performance.now()));
    await Promise.race([document.fonts.ready, new Promise(resolve => setTimeout(resolve, left))]);
  }
  return window.scrollY;
}))") + "(" +
           boolean(scrollThrough) + ", " + std::to_string(limit) + ", " + std::to_string(budgetMs) +
           ")";
}

std::string settleProbeScript(int budgetMs, bool backToTop) {
    return filled(filled(withNotes(R"(((budget, backToTop) => {
  const now = performance.now();
  let animating = 0;
  for (const animation of document.getAnimations()) {
    if (animation.playState !== 'running' || animation.timeline !== document.timeline ||
        !animation.effect) {
      continue;
    }
    const rate = Math.abs(animation.playbackRate);
    const end = animation.effect.getComputedTiming().endTime;
    const left = (end - animation.currentTime) / rate;
    if (animation.pending || animation.currentTime === null) {
      ++animating;
    } else if (Number.isFinite(left) && left <= budget) {
      try { animation.finish(); ++animating; } catch (e) {}
    }
  }
  if (backToTop && (window.scrollY !== 0 || window.scrollX !== 0)) {
    window.scrollTo({ left: 0, top: 0, behavior: 'instant' });
    ++animating;
  }
  const notes = NOTES;
  const timers = notes ? [...notes.timers.values()].sort((a, b) => a.due - b.due)
                             .slice(0, TIMERS)
                             .map(t => ({ inMs: t.due - now, repeating: t.repeating, rearms: t.rearms }))
                       : [];
  const consent = window.autoconsentStandalone;
  const state = consent && consent.instance && consent.instance.state;
  const closed = consent ? consent.messages.find(m => m.type === 'autoconsentDone') : undefined;
  const found = state ? [...(state.detectedPopups || []), ...(state.detectedCmps || [])] : [];
  const root = document.documentElement;
  return { domQuietMs: notes ? now - notes.changed : 1e9,
           framesQuietMs: notes ? now - notes.frameAsked : 1e9,
           animating, timers,
           consent: state ? { lifecycle: String(state.lifecycle), looks: state.findCmpAttempts | 0,
                              cookieWords: (state.heuristicPatterns || []).length > 0,
                              busy: !!notes && [...notes.ruleTimers.values()].some(t => t.due - now <= SOON),
                              name: String(closed ? closed.cmp : found[0] || '') }
                          : {},
           lazy: document.querySelectorAll(
               '[loading=lazy], img[data-src], img[data-srcset], .lazyload').length,
           observed: notes ? notes.observed : 0,
           scrollListeners: notes ? notes.scrollListeners + (window.onscroll ? 1 : 0) : 0,
           height: Math.max(root ? root.scrollHeight : 0, document.body ? document.body.scrollHeight : 0),
           viewport: window.innerHeight };
}))"),
                         "TIMERS", std::to_string(kTimersReported)),
                  "SOON", std::to_string(kRulesTimerSoonMs)) +
           "(" + std::to_string(budgetMs) + ", " + boolean(backToTop) + ")";
}

}  // namespace orlenda::iecapt
