// The page scan: which tab a browser window's title names, and the OBJECT and
// EMBED elements of a page's frames, kept within fixed limits. Plain script,
// loaded like handoff.js (background, service worker, Node's test runner).
(function (root) {
  "use strict";

  const SCAN_ENTRY = "moorquill-scan";
  const SCAN_TITLE = "Scan this page for Flash movies";
  const UNREADABLE = "This page cannot be scanned.";

  // Elements per page, characters of a tag name, of an address or attribute,
  // of an element's outer HTML, and the bytes of all elements together.
  const LIMITS = { elements: 256, tag: 16, text: 2048, html: 4096, bytes: 512 * 1024 };

  // What the browsers add to the active tab's title in the window title.
  const TITLE_SUFFIXES = [" - Chromium", " - Google Chrome", " - Brave", " - Vivaldi",
    " \u2014 Mozilla Firefox", " \u2014 Firefox ESR", " - Mozilla Firefox"];

  // Waits before opening the native port again: doubling, up to a minute.
  const FIRST_DELAY = 1000;
  const LONGEST_DELAY = 60000;
  function nextDelay(previous) {
    return previous > 0 ? Math.min(previous * 2, LONGEST_DELAY) : FIRST_DELAY;
  }

  // The active tab whose title plus a browser's suffix is the window title;
  // else the first one whose title begins the window title. Focused windows
  // are tried first. `windows` as windows.getAll({populate: true}) lists them.
  function findTab(windows, windowTitle) {
    const title = String(windowTitle ?? "");
    const active = [];
    for (const w of windows || [])
      for (const t of (w && w.tabs) || [])
        if (t && t.active && typeof t.title === "string") active.push({ focused: !!w.focused, tab: t });
    active.sort((a, b) => Number(b.focused) - Number(a.focused));
    const exact = active.find(({ tab }) => TITLE_SUFFIXES.some((s) => tab.title + s === title));
    if (exact) return exact.tab;
    const begins = active.find(({ tab }) => tab.title !== "" && title.startsWith(tab.title));
    return begins ? begins.tab : null;
  }

  // Runs in every frame of the page (scripting.executeScript), so it uses
  // nothing outside itself. An OBJECT without a "movie" attribute takes its
  // PARAM "movie" (or "src") value, as the Flash control itself did, else its
  // "data" address when its type is Flash or the address ends in .swf.
  function scanFrame(limits, doc) {
    doc = doc || document;
    const cut = (value, n) => (value === null || value === undefined ? "" : String(value).slice(0, n));
    const elements = [];
    for (const element of doc.querySelectorAll("object, embed")) {
      if (elements.length >= limits.elements) break;
      const tagName = cut(element.tagName, limits.tag);
      let movie = element.getAttribute("movie");
      if (!movie && tagName.toUpperCase() === "OBJECT") {
        for (const child of Array.from(element.children || [])) {
          const name = String(child.getAttribute && child.getAttribute("name") || "").trim().toLowerCase();
          if (String(child.tagName).toUpperCase() === "PARAM" && (name === "movie" || name === "src")) {
            movie = child.getAttribute("value");
            break;
          }
        }
        const data = element.getAttribute("data");
        const type = String(element.getAttribute("type") || "");
        if (!movie && data && (/shockwave-flash|futuresplash/i.test(type) || /\.swf\s*($|[?#])/i.test(data)))
          movie = data;
      }
      elements.push({
        tagName, movie: cut(movie, limits.text), src: cut(element.getAttribute("src"), limits.text),
        outerHTML: cut(element.outerHTML, limits.html),
      });
    }
    return { url: cut(doc.URL, limits.text), elements };
  }

  function text(value, n) {
    return typeof value === "string" ? value.slice(0, n) : "";
  }

  // An address of a frame's element, absolute against the frame's own
  // document (the program resolves against the top document only).
  function absolute(value, base) {
    if (!value) return value;
    try {
      return new URL(value, base).href;
    } catch (e) {
      return value;
    }
  }

  const encoder = new TextEncoder();

  // The page from executeScript's per-frame results: the top document's
  // address, its elements, then those of the other frames; within the limits.
  function pageOf(results, limits) {
    const frames = (results || []).filter((r) => r && r.result && typeof r.result === "object");
    const top = frames.find((r) => r.frameId === 0);
    if (!top) return null;
    const elements = [];
    let bytes = 0;
    for (const frame of [top, ...frames.filter((r) => r !== top)]) {
      const base = text(frame.result.url, limits.text);
      for (const found of Array.isArray(frame.result.elements) ? frame.result.elements : []) {
        if (!found || typeof found !== "object") continue;
        const element = {
          tagName: text(found.tagName, limits.tag), movie: text(found.movie, limits.text),
          src: text(found.src, limits.text), outerHTML: text(found.outerHTML, limits.html),
        };
        if (frame !== top) {
          element.movie = text(absolute(element.movie, base), limits.text);
          element.src = text(absolute(element.src, base), limits.text);
        }
        const size = encoder.encode(JSON.stringify(element)).length;
        if (elements.length >= limits.elements || bytes + size > limits.bytes)
          return { url: text(top.result.url, limits.text), elements };
        bytes += size;
        elements.push(element);
      }
    }
    return { url: text(top.result.url, limits.text), elements };
  }

  function scanResult(id, page) {
    if (!page) return { type: "scanresult", id, found: false };
    return { type: "scanresult", id, url: page.url, elements: page.elements };
  }

  function scanPageMessage(page) {
    return { type: "scanpage", url: page.url, elements: page.elements };
  }

  const api = {
    SCAN_ENTRY, SCAN_TITLE, UNREADABLE, LIMITS, TITLE_SUFFIXES, FIRST_DELAY, LONGEST_DELAY,
    nextDelay, findTab, scanFrame, pageOf, scanResult, scanPageMessage,
  };
  if (typeof module === "object" && module.exports) module.exports = api;
  else root.MoorQuillScan = api;
})(globalThis);
