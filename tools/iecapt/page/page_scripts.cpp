#include "page/page_scripts.h"

namespace orlenda::iecapt {
namespace {

// Where the watch keeps its notes: on the window, out of enumeration.
constexpr const char* kNotes = "window.__orlendaChangeWatch";

std::string withNotes(const char* script) {
    std::string text = script;
    for (auto at = text.find("NOTES"); at != std::string::npos; at = text.find("NOTES", at)) {
        text.replace(at, 5, kNotes);
    }
    return text;
}

std::string boolean(bool value) { return value ? "true" : "false"; }

}  // namespace

std::string changeWatchScript() {
    return withNotes(R"((() => {
  if (NOTES) return;
  const notes = { changed: performance.now(), frameAsked: -1e9,
                  requestFrame: window.requestAnimationFrame.bind(window) };
  Object.defineProperty(window, '__orlendaChangeWatch', { value: notes });
  window.requestAnimationFrame = function requestAnimationFrame(callback) {
    notes.frameAsked = performance.now();
    return notes.requestFrame(callback);
  };
  new MutationObserver(() => { notes.changed = performance.now(); })
    .observe(document, { subtree: true, childList: true, attributes: true, characterData: true });
})())");
}

std::string scrollScript(bool scrollThrough, int limit, int budgetMs) {
    return withNotes(R"((async (scrollThrough, limit, budget) => {
  const giveUp = performance.now() + budget;
  const requestFrame = NOTES ? NOTES.requestFrame : window.requestAnimationFrame.bind(window);
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
    return withNotes(R"(((budget, backToTop) => {
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
  return { domQuietMs: notes ? now - notes.changed : 1e9,
           framesQuietMs: notes ? now - notes.frameAsked : 1e9,
           animating };
}))") + "(" +
           std::to_string(budgetMs) + ", " + boolean(backToTop) + ")";
}

}  // namespace orlenda::iecapt
