// What a picture of the whole page would lack, from the tool's world.
//
// How far to the right the page paints something a reader would miss if it
// were cut off (only asked for where the page is wider than the window):
// text, an image or other replaced content (of an image that did not load,
// its alternative text), and a box of its own, bordered or filled otherwise
// than the page, that runs past the window by more than a sliver. What an
// ancestor clips stays inside it. The page's scroll width counts more: empty
// boxes, margins, transparent overflow, a white box on a white page, none of
// which shows anything.
//
// The frames of other sites outside the window: the browser does not draw
// them while they are out of view, and the picture shows them blank.
(function checkPicture(params) {
  'use strict';
  const width = params.width;
  const left = -window.scrollX;
  let right = 0;
  const clips = new Map();  // element → the right edge it clips its content at
  const clipOf = (element) => {
    if (clips.has(element)) return clips.get(element);
    let clip = Infinity;
    const style = getComputedStyle(element);
    if (style.position !== 'fixed' && element.parentElement) clip = clipOf(element.parentElement);
    if (style.overflowX !== 'visible' && element !== document.documentElement) {
      clip = Math.min(clip, element.getBoundingClientRect().right - left);
    }
    clips.set(element, clip);
    return clip;
  };
  const shown = (colour) => !/^(transparent|rgba\(.*, 0\))$/.test(colour);
  const root = document.documentElement;
  const rootFill = getComputedStyle(root).backgroundColor;
  const pageFill = shown(rootFill) || !document.body ? rootFill : getComputedStyle(document.body).backgroundColor;
  const canvas = shown(pageFill) ? pageFill : 'rgb(255, 255, 255)';
  const measure = document.createElement('canvas').getContext('2d');
  // How far a picture paints: all of it, or of one that did not load its
  // alternative text, after the browser's sign for a missing picture.
  const imageRight = (image, style, box) => {
    if (!image.complete || image.naturalWidth > 0) return box.right - left;
    measure.font = style.font;
    return Math.min(box.right, box.left + 20 + measure.measureText(image.alt).width) - left;
  };
  const painted = (element, style, box) => {
    if (/^(SVG|svg|CANVAS|VIDEO|IFRAME|EMBED|OBJECT|INPUT|TEXTAREA|SELECT|BUTTON)$/.test(element.tagName)) {
      return true;
    }
    const filled = (shown(style.backgroundColor) && style.backgroundColor !== canvas) ||
                   style.backgroundImage !== 'none';
    const bordered = ['Top', 'Right', 'Bottom', 'Left'].some((side) =>
      parseFloat(style[`border${side}Width`]) > 0 && style[`border${side}Style`] !== 'none' &&
      style[`border${side}Style`] !== 'hidden' && shown(style[`border${side}Color`]));
    return (filled || bordered) && box.right - left > width + params.sliver;
  };
  const textRight = (element) => {
    let far = 0;
    for (const node of element.childNodes) {
      if (node.nodeType !== Node.TEXT_NODE || !node.data.trim()) continue;
      const range = document.createRange();
      range.selectNodeContents(node);
      for (const rect of range.getClientRects()) far = Math.max(far, rect.right - left);
    }
    return far;
  };
  const elsewhere = [];
  for (const frame of document.querySelectorAll('iframe')) {
    const box = frame.getBoundingClientRect();
    if (frame.contentDocument === null && box.width > 2 && box.height > 2 &&
        (box.top >= window.innerHeight || box.left >= window.innerWidth) &&
        frame.checkVisibility({ opacityProperty: true, visibilityProperty: true })) {
      try { elsewhere.push(new URL(frame.src).hostname); } catch (notAnAddress) {}
    }
  }
  if (params.width <= 0) return { width: 0, blankFrames: [...new Set(elsewhere)] };
  for (const element of document.querySelectorAll('body *')) {
    const box = element.getBoundingClientRect();
    // Text may run past a box of its own that ends inside the window.
    const reach = Math.max(box.right, box.left + element.scrollWidth) - left;
    if (reach <= width || box.width === 0 || box.height === 0) continue;
    if (!element.checkVisibility({ opacityProperty: true, visibilityProperty: true })) continue;
    const style = getComputedStyle(element);
    let far = shown(style.color) ? textRight(element) : 0;
    if (element.tagName === 'IMG') far = Math.max(far, imageRight(element, style, box));
    if (painted(element, style, box)) far = Math.max(far, box.right - left);
    if (far > width) right = Math.max(right, Math.min(far, clipOf(element)));
  }
  return { width: Math.floor(right), blankFrames: [...new Set(elsewhere)] };
})
