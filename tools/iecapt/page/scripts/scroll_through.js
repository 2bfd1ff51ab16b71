// Scrolls instantly, whatever the page's scroll-behavior, a screen at a time
// down to the limit so that content loaded on scrolling is asked for (when
// scrollThrough), then back to the top, checking it got there; then waits
// for web fonts. Gives up on all that after budgetMs. Resolves to scrollY.
(async function scrollThrough(params) {
  'use strict';
  const giveUp = performance.now() + params.budgetMs;
  // Not the consent rules' timers, which count as their being busy.
  const setTimeout = globalThis.orlendaWorld ? globalThis.orlendaWorld.setTimeout : window.setTimeout;
  // Guards against frames that never come.
  const nextFrame = () => new Promise((resolve) => {
    requestAnimationFrame(() => setTimeout(resolve, 0));
    setTimeout(resolve, 100);
  });
  const scrollTo = (y) => window.scrollTo({ left: 0, top: y, behavior: 'instant' });
  if (params.scrollThrough) {
    const step = Math.max(window.innerHeight, 1);
    const height = () => Math.min(params.limit, Math.max(document.documentElement.scrollHeight,
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
    await Promise.race([document.fonts.ready, new Promise((resolve) => setTimeout(resolve, left))]);
  }
  return window.scrollY;
})
