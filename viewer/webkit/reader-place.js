// Tells the viewer where its reader is on the page, once the page has
// opened and after each pause in their scrolling, and takes them back there.
// Runs in a script world of the viewer's own, in the top frame, once the
// document is parsed.
//
// A place is an element at the top of the view and how far down that
// element the line it was met on stands, so it holds through a zoom or a
// window of another width. The element is written as a path of child
// positions from the nearest ancestor with an id ("id|2/0/5|0.4137|17": then
// the view's top as a share of the whole page, for a page whose elements
// changed, and the line, in CSS pixels from the view's top); the path alone
// starts at the body. The page's very top is the empty spot.
(() => {
  const kPause = 300;  // ms of quiet scrolling before the place is told

  const post = (message) => {
    try {
      window.webkit.messageHandlers.zorbinReaderPlace.postMessage(message);
    } catch (e) {
    }
  };

  // Whether the element stays put as the page scrolls (a pinned header or
  // toolbar of the page's own): it tells nothing of the reader's place.
  const pinned = (element) => {
    for (let e = element; e && e !== document.body; e = e.parentElement) {
      const position = getComputedStyle(e).position;
      if (position === 'fixed' || position === 'sticky') return true;
    }
    return false;
  };

  // The first element of the page's flow met from the view's top down (past
  // what is pinned there, and the body showing between paragraphs), and the
  // line it was met on; else the body at the top.
  const placeAtTop = () => {
    for (let y = 1; y < innerHeight / 2; y += 8) {
      for (const share of [0.5, 0.25, 0.75, 0.1]) {
        const element = document.elementFromPoint(innerWidth * share, y);
        if (element && element !== document.documentElement && element !== document.body && !pinned(element))
          return {element, y};
      }
    }
    return {element: document.body, y: 0};
  };

  const pathOf = (element) => {
    const steps = [];
    let node = element;
    while (node && node !== document.body && node !== document.documentElement && !node.id) {
      const parent = node.parentElement;
      if (!parent) break;
      steps.unshift(Array.prototype.indexOf.call(parent.children, node));
      node = parent;
    }
    const root = node && node.id && node !== document.body ? node.id : '';
    return encodeURIComponent(root) + '|' + steps.join('/');
  };

  const pageShare = () => {
    const height = document.documentElement.scrollHeight - innerHeight;
    return height > 0 ? Math.min(1, Math.max(0, scrollY / height)) : 0;
  };

  const tell = () => {
    if (!document.body) return;
    if (scrollY <= 0) return post('\n0');
    const {element, y} = placeAtTop();
    const box = element.getBoundingClientRect();
    const fraction = box.height > 0 ? Math.min(1, Math.max(0, (y - box.top) / box.height)) : 0;
    post(pathOf(element) + '|' + pageShare().toFixed(6) + '|' + y + '\n' + fraction.toFixed(6));
  };

  let timer = 0;
  const later = () => {
    clearTimeout(timer);
    timer = setTimeout(tell, kPause);
  };
  // The scroll that shows a place told before is not the reader's move.
  let showing = false;
  addEventListener('scroll', () => {
    if (showing) {
      showing = false;
      return;
    }
    later();
  }, {passive: true});
  later();

  const resolve = (spot) => {
    const [root, path] = spot.split('|');
    let element;
    try {
      element = root ? document.getElementById(decodeURIComponent(root)) : document.body;
    } catch (e) {
      return null;
    }
    for (const step of path ? path.split('/') : []) {
      element = element && element.children[Number(step)];
    }
    return element || null;
  };

  // Scrolls to a place told before; a place whose element is gone goes to
  // the same share of the page.
  window.zorbinShowPlace = (spot, fraction) => {
    clearTimeout(timer);
    const before = scrollY;
    showAt(spot, fraction);
    showing = scrollY !== before;
  };

  const showAt = (spot, fraction) => {
    if (!spot) return scrollTo(scrollX, 0);
    const [, , share, line] = spot.split('|');
    const element = resolve(spot);
    if (element) {
      const box = element.getBoundingClientRect();
      scrollTo(scrollX, scrollY + box.top + fraction * box.height - (Number(line) || 0));
    } else {
      scrollTo(scrollX, (Number(share) || 0) * (document.documentElement.scrollHeight - innerHeight));
    }
  };
})();
