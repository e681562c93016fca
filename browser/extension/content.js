// Remembers the element of the last right click (Chromium's menu click data
// has no link text) and answers the background's questions about the page.
"use strict";

(function () {
  const ext = globalThis.browser ?? globalThis.chrome;
  let lastTarget = null;

  document.addEventListener("contextmenu", (event) => { lastTarget = event.target; }, true);

  function textOf(element) {
    return (element.innerText || element.textContent || "").replace(/\s+/g, " ").trim();
  }

  function linkText(target) {
    if (!target || !target.closest) return "";
    const link = target.closest("a");
    if (link) return textOf(link) || (link.querySelector("img") || {}).alt || "";
    return target.alt || target.title || "";
  }

  function pageLinks() {
    return Array.from(document.querySelectorAll("a[href]"), (a) => ({ url: a.href, text: textOf(a) }));
  }

  ext.runtime.onMessage.addListener((request, sender, sendResponse) => {
    if (!request || request.type !== "context") return false;
    sendResponse({
      linkText: linkText(lastTarget),
      title: document.title,
      links: request.wantLinks ? pageLinks() : [],
    });
    return false;
  });
})();
