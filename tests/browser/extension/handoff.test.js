// The extension's hand-off text and message, run with `node --test`.
"use strict";
const test = require("node:test");
const assert = require("node:assert/strict");
const path = require("node:path");
const H = require(path.join(__dirname, "../../../browser/extension/handoff.js"));

const SEP = "||**QTRVAN**||";
const page = "http://127.0.0.1/dir/page.html";

test("text: command word, then URL, info and referrer each closed by the separator", () => {
  assert.equal(H.handOffText("down", "http://h/a.swf", "A movie", page),
    "downmy_qtr_Url:=http://h/a.swf" + SEP + "my_qtr_Info:=A movie" + SEP + "my_qtr_Ref:=" + page + SEP);
  assert.equal(H.handOffText("all", "", undefined, null),
    "allmy_qtr_Url:=" + SEP + "my_qtr_Info:=" + SEP + "my_qtr_Ref:=" + SEP);
});

test("text: values stay on one line and cannot end their field early", () => {
  const text = H.handOffText("down", "http://h/x", "two\r\nlines " + SEP + "tail", page);
  assert.equal(text.split(SEP).length, 4);
  assert.ok(!/[\r\n]/.test(text));
  assert.ok(text.includes("my_qtr_Info:=two lines  tail" + SEP));
});

const clicks = [
  // [what, click data, page answer, command, url, info, ref]
  ["download a link (Chromium: text from the content script)",
    { menuItemId: H.DOWNLOAD_ENTRY, linkUrl: "http://h/a.swf", pageUrl: page },
    { linkText: "A movie" }, "down", "http://h/a.swf", "A movie", page],
  ["download a link (Firefox gives the text)",
    { menuItemId: H.DOWNLOAD_ENTRY, linkUrl: "http://h/a.swf", linkText: "Firefox's", pageUrl: page },
    { linkText: "ignored" }, "down", "http://h/a.swf", "Firefox's", page],
  ["download an image",
    { menuItemId: H.DOWNLOAD_ENTRY, srcUrl: "http://h/i.png", pageUrl: page },
    { linkText: "alt text" }, "down", "http://h/i.png", "alt text", page],
  ["download a linked image takes the link",
    { menuItemId: H.DOWNLOAD_ENTRY, linkUrl: "http://h/big.png", srcUrl: "http://h/small.png", pageUrl: page },
    null, "down", "http://h/big.png", "", page],
  ["a link in a frame has the frame as referrer",
    { menuItemId: H.DOWNLOAD_ENTRY, linkUrl: "http://h/f", pageUrl: page, frameUrl: "http://h/frame.html" },
    { linkText: "f" }, "down", "http://h/f", "f", "http://h/frame.html"],
  ["search a link",
    { menuItemId: H.SEARCH_ENTRY, linkUrl: "http://h/sub/", pageUrl: page },
    { linkText: "Sub" }, "search", "http://h/sub/", "Sub", page],
  ["search a selection",
    { menuItemId: H.SEARCH_ENTRY, selectionText: "  http://h/typed  ", pageUrl: page },
    { linkText: "" }, "search", "http://h/typed", "", page],
  ["search on the page itself is all",
    { menuItemId: H.SEARCH_ENTRY, pageUrl: page },
    { linkText: "", title: "The page" }, "all", page, "The page", page],
  ["a blank selection is the page",
    { menuItemId: H.SEARCH_ENTRY, selectionText: "   ", pageUrl: page },
    null, "all", page, "", page],
];

for (const [what, click, answer, command, url, info, ref] of clicks) {
  test("click: " + what, () => {
    assert.equal(H.commandFor(click), command);
    assert.deepEqual(H.fieldsFor(command, click, answer, null), { url, info, ref });
  });
}

test("click: another extension entry is no command", () => {
  assert.equal(H.commandFor({ menuItemId: "other" }), "");
});

test("message: links only for all; cookies as one header value", () => {
  const links = [{ url: "http://h/1", text: "one" }];
  const fields = { url: "http://h/1", info: "one", ref: page };
  const all = H.message("all", fields, links, H.cookieHeader([{ name: "s", value: "1" }, { name: "t", value: "a=b" }]), "UA");
  assert.deepEqual(all, {
    type: "handoff", text: H.handOffText("all", "http://h/1", "one", page),
    links, cookies: "s=1; t=a=b", userAgent: "UA",
  });
  assert.deepEqual(H.message("down", fields, links, "", "").links, []);
  assert.equal(H.cookieHeader(undefined), "");
});

test("failure text says how to get the program", () => {
  const text = H.failureText("Specified native messaging host not found.");
  assert.match(text, /not found/);
  assert.match(text, /^Install MoorQuill and start it once/);
  assert.equal(H.failureText(""), "Install MoorQuill and start it once, so that the browser finds it.");
});
