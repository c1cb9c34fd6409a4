// Runs in every frame of the eBook's pages before their own scripts. The
// web view shows the pages under "ebook://ebook/", and fetch() follows no
// redirect from the canonical "http://ebook/…" to another scheme: so
// fetch() and XMLHttpRequest take "http://ebook/…" in its "ebook://ebook/…"
// form, the same origin as the pages. (Every other request for
// "http://ebook/…" is sent there by the viewer's web-process extension.)
(() => {
  if (!/^ebook:$/i.test(location.protocol) && !/^ebook:/i.test(document.baseURI)) return;
  const served = 'ebook://ebook/', canonical = 'http://ebook/';

  // `address` resolved against the document, in its served form when it is
  // a canonical one (in any letter case); anything else unchanged.
  const requestAddress = (address) => {
    let url;
    try { url = new URL(String(address), document.baseURI).href; } catch (e) { return address; }
    return url.slice(0, canonical.length).toLowerCase() === canonical ? served + url.slice(canonical.length) : address;
  };

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
