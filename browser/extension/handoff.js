// The hand-off text and message the MoorQuill program reads. Plain script:
// loaded by the background page (Firefox), the service worker (Chromium,
// through importScripts) and by Node's test runner (as a CommonJS module).
(function (root) {
  "use strict";

  const HOST = "moorquill";
  const SEPARATOR = "||**QTRVAN**||";
  const DOWNLOAD_ENTRY = "moorquill-download";
  const SEARCH_ENTRY = "moorquill-search";

  // One line, and no separator inside a value that would cut it short.
  function clean(value) {
    return String(value ?? "").split(SEPARATOR).join(" ").replace(/[\r\n]+/g, " ");
  }

  function handOffText(command, url, info, ref) {
    return command +
      "my_qtr_Url:=" + clean(url) + SEPARATOR +
      "my_qtr_Info:=" + clean(info) + SEPARATOR +
      "my_qtr_Ref:=" + clean(ref) + SEPARATOR;
  }

  // "down" for the download entry; for the search entry "search" on a link
  // or a selection and "all" when the click was on the page itself.
  function commandFor(click) {
    if (click.menuItemId === DOWNLOAD_ENTRY) return "down";
    if (click.menuItemId !== SEARCH_ENTRY) return "";
    return click.linkUrl || (click.selectionText || "").trim() ? "search" : "all";
  }

  // URL, info and referrer of a click. `page` is what the content script of
  // the clicked frame reported (link text, title), or null.
  function fieldsFor(command, click, page, tab) {
    const where = click.frameUrl || click.pageUrl || (tab && tab.url) || "";
    const linkText = click.linkText ?? (page && page.linkText) ?? "";
    if (command === "down")
      return { url: click.linkUrl || click.srcUrl || "", info: linkText, ref: where };
    if (command === "search") {
      if (click.linkUrl) return { url: click.linkUrl, info: linkText, ref: where };
      return { url: (click.selectionText || "").trim(), info: "", ref: where };
    }
    return { url: where, info: (page && page.title) || (tab && tab.title) || "", ref: where };
  }

  // The Cookie header value of cookies as the cookies API lists them.
  function cookieHeader(cookies) {
    return (cookies || []).map((c) => c.name + "=" + c.value).join("; ");
  }

  function message(command, fields, links, cookies, userAgent) {
    return {
      type: "handoff",
      text: handOffText(command, fields.url, fields.info, fields.ref),
      links: command === "all" ? (links || []) : [],
      cookies: cookies || "",
      userAgent: userAgent || "",
    };
  }

  // What the user reads when the program cannot take the link: the remedy
  // first (a notification shows only a few lines), then the reason.
  const FAILURE_TITLE = "MoorQuill could not take the link";
  function failureText(reason) {
    return "Install MoorQuill and start it once, so that the browser finds it." +
      (reason ? " (" + reason + ")" : "");
  }

  const api = {
    HOST, SEPARATOR, DOWNLOAD_ENTRY, SEARCH_ENTRY,
    FAILURE_TITLE, handOffText, commandFor, fieldsFor, cookieHeader, message, failureText,
  };
  if (typeof module === "object" && module.exports) module.exports = api;
  else root.MoorQuillHandOff = api;
})(globalThis);
