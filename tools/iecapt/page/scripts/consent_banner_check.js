// After the consent rules say they answered a banner: is it still (or again)
// on screen? Then it is hidden where the rules name what to hide, and looked
// at once more. Resolves to { shown, hidden }: shown, the banner is in the
// picture; hidden, it was hidden here. Gives up looking after timeoutMs.
(async function checkConsentBanner(params) {
  'use strict';
  const consent = window.autoconsentStandalone;
  const instance = consent && consent.instance;
  const cmp = instance && instance.foundCmp;
  if (!cmp) return { shown: false, hidden: false };
  const world = globalThis.orlendaWorld;
  const setTimeout = world ? world.setTimeout : window.setTimeout;
  const onScreen = (element) => {
    if (!element || !element.isConnected ||
        !element.checkVisibility({ opacityProperty: true, visibilityProperty: true })) {
      return false;
    }
    const box = element.getBoundingClientRect();
    return box.width > 0 && box.height > 0 && box.bottom > 0 && box.right > 0 &&
           box.top < window.innerHeight && box.left < window.innerWidth;
  };
  const shown = async () => {
    if (Array.isArray(cmp.popups)) return cmp.popups.some((popup) => onScreen(popup.element));
    const timedOut = new Promise((resolve) => setTimeout(() => resolve(false), params.timeoutMs));
    return Boolean(await Promise.race([cmp.detectPopup().catch(() => false), timedOut]));
  };
  if (!(await shown())) return { shown: false, hidden: false };
  const selectors = Array.isArray(cmp.prehideSelectors) ? cmp.prehideSelectors : [];
  if (selectors.length === 0 || !instance.domActions.hide(selectors.join(','), 'display')) {
    return { shown: true, hidden: false };
  }
  await new Promise((resolve) => requestAnimationFrame(() => setTimeout(resolve, 0)));
  const stillShown = await shown();
  return { shown: stillShown, hidden: !stillShown };
})
