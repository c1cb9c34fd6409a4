// Highlights the element a whole-book search result names on the page shown:
// called with the name (an element's id, else an <a name>), it marks what
// stands for that element and keeps it in view. Run in a script world of the
// viewer's own, apart from the page's scripts. The highlight is inline style
// alone (a background and an outline, neither of which moves anything), so
// the page's selection stays as it was; the element highlighted before on
// the same page gets its own style back.
(anchor) => {
  const kStyle = {
    'background-color': 'rgb(255, 236, 120)',
    'outline-style': 'solid',
    'outline-width': '2px',
    'outline-color': 'rgb(232, 150, 0)',
    'outline-offset': '1px',
  };

  const previous = window.zorbinAnchorHighlight;
  if (previous) {
    for (const [property, value, priority] of previous.saved) {
      if (value) previous.element.style.setProperty(property, value, priority);
      else previous.element.style.removeProperty(property);
    }
    if (!previous.hadStyle && !previous.element.getAttribute('style')) previous.element.removeAttribute('style');
    window.zorbinAnchorHighlight = null;
  }

  const named = document.getElementById(anchor) ||
                Array.from(document.getElementsByName(anchor)).find((e) => e.localName === 'a');
  if (!named) return;

  // A marker holds no text and takes no room.
  const isMarker = (e) => {
    const box = e.getBoundingClientRect();
    return !e.textContent.trim() && !(box.width && box.height);
  };
  // A section shows by its first heading, a list of terms by its first term.
  const leading = (e) =>
    (/^(section|div|article|aside|main|header|footer|nav)$/.test(e.localName) &&
     e.querySelector('h1, h2, h3, h4, h5, h6')) ||
    (e.localName === 'dl' && e.querySelector('dt')) || e;
  // What a marker stands for: the next element that shows something, or,
  // when text or nothing comes first, the element around it.
  const markedBy = (marker) => {
    for (let node = marker.nextSibling; node; node = node.nextSibling) {
      if (node.nodeType === Node.TEXT_NODE && node.textContent.trim()) break;
      if (node.nodeType === Node.ELEMENT_NODE && !isMarker(node)) return leading(node);
    }
    return marker.parentElement && marker.parentElement !== document.body ? marker.parentElement : marker;
  };
  const target = isMarker(named) ? markedBy(named) : leading(named);

  const hadStyle = target.hasAttribute('style');
  const saved = Object.keys(kStyle).map(
      (property) => [property, target.style.getPropertyValue(property), target.style.getPropertyPriority(property)]);
  for (const [property, value] of Object.entries(kStyle)) target.style.setProperty(property, value, 'important');
  window.zorbinAnchorHighlight = {element: target, saved, hadStyle};

  // The view scrolled to the anchor as the page opened; the page shown, sent
  // to another of its anchors, may not have yet.
  const box = target.getBoundingClientRect();
  if (box.bottom < 0 || box.top > window.innerHeight) named.scrollIntoView({block: 'start'});
}
