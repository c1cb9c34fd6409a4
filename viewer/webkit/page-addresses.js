// Runs in every frame of the eBook's pages before their own scripts. The
// web view shows the pages under "ebook://ebook/", but WebKit's media
// player plays only http, https, blob, data and file addresses, and fetch()
// follows no redirect from "http://ebook/" to another scheme. So:
//  - media addresses (of <video>, <audio> and <source>, in the markup or set
//    from script) are given in their canonical "http://ebook/…" form, which
//    the viewer's web-process extension sends to the page scheme;
//  - fetch() and XMLHttpRequest take "http://ebook/…" in its "ebook://ebook/…"
//    form, the same origin as the pages;
//  - media is preloaded no further than its metadata ("none" stays "none"):
//    with "auto", WebKit buffers the whole file in a file under /var/tmp,
//    and nothing of the book is to reach the disk.
(() => {
  if (!/^ebook:$/i.test(location.protocol) && !/^ebook:/i.test(document.baseURI)) return;
  const served = 'ebook://ebook/', canonical = 'http://ebook/';

  // `address` resolved against the document, with its prefix `from` (in
  // any letter case) replaced by `to`; anything else unchanged.
  const swapPrefix = (address, from, to) => {
    let url;
    try { url = new URL(String(address), document.baseURI).href; } catch (e) { return address; }
    return url.slice(0, from.length).toLowerCase() === from ? to + url.slice(from.length) : address;
  };
  const mediaAddress = (address) => swapPrefix(address, served, canonical);
  const requestAddress = (address) => swapPrefix(address, canonical, served);

  const isMedia = (el) => el instanceof HTMLMediaElement;
  const carriesMediaSrc = (el) => isMedia(el) || el instanceof HTMLSourceElement;
  const setAttribute = Element.prototype.setAttribute;
  const preload = Object.getOwnPropertyDescriptor(HTMLMediaElement.prototype, 'preload');

  const keptInMemory = (value) => (String(value).toLowerCase() === 'none' ? 'none' : 'metadata');
  const keepInMemory = (el) => {
    if (isMedia(el)) setAttribute.call(el, 'preload', keptInMemory(el.getAttribute('preload') ?? 'auto'));
  };

  for (const type of [HTMLMediaElement, HTMLSourceElement]) {
    const src = Object.getOwnPropertyDescriptor(type.prototype, 'src');
    Object.defineProperty(type.prototype, 'src', {
      configurable: true, enumerable: src.enumerable, get: src.get,
      set(value) { keepInMemory(this); src.set.call(this, mediaAddress(value)); },
    });
  }
  Object.defineProperty(HTMLMediaElement.prototype, 'preload', {
    configurable: true, enumerable: preload.enumerable, get: preload.get,
    set(value) { preload.set.call(this, keptInMemory(value)); },
  });
  Element.prototype.setAttribute = function (name, value) {
    const attribute = String(name).toLowerCase();
    if (carriesMediaSrc(this) && attribute === 'src') {
      keepInMemory(this);
      value = mediaAddress(value);
    }
    if (isMedia(this) && attribute === 'preload') value = keptInMemory(value);
    return setAttribute.call(this, name, value);
  };

  // Elements the parser makes, or scripts insert with addresses set before.
  const mend = (el) => {
    if (!carriesMediaSrc(el)) return;
    keepInMemory(el);
    const src = el.getAttribute('src');
    if (src !== null && mediaAddress(src) !== src) setAttribute.call(el, 'src', mediaAddress(src));
  };
  new MutationObserver((records) => {
    for (const record of records) {
      for (const node of record.addedNodes) {
        if (node.nodeType !== Node.ELEMENT_NODE) continue;
        mend(node);
        for (const el of node.querySelectorAll('video, audio, source')) mend(el);
      }
    }
  }).observe(document, { childList: true, subtree: true });

  const NativeAudio = window.Audio;
  window.Audio = function Audio(src) {
    const audio = new NativeAudio();
    keepInMemory(audio);
    if (src !== undefined) audio.src = src;
    return audio;
  };
  window.Audio.prototype = NativeAudio.prototype;

  const nativeFetch = window.fetch;
  window.fetch = function fetch(resource, options) {
    if (resource instanceof Request) {
      const address = requestAddress(resource.url);
      if (address !== resource.url) resource = new Request(address, resource);
    } else {
      resource = requestAddress(resource);
    }
    return nativeFetch.call(this, resource, options);
  };
  const open = XMLHttpRequest.prototype.open;
  XMLHttpRequest.prototype.open = function (method, address, ...rest) {
    return open.call(this, method, requestAddress(address), ...rest);
  };
})();
