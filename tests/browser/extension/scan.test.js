// The extension's page scan: finding the tab a window title names, and the
// elements of a page kept within limits. Run with `node --test`.
"use strict";
const test = require("node:test");
const assert = require("node:assert/strict");
const path = require("node:path");
const S = require(path.join(__dirname, "../../../browser/extension/scan.js"));

const win = (focused, ...tabs) => ({ focused, tabs });
const tab = (id, title, active = true) => ({ id, title, active });

const windows = [
  win(false, tab(1, "Movies", false), tab(2, "News")),
  win(false, tab(3, "Movies")),
  win(true, tab(4, "Movies and more")),
];

const titles = [
  // [what, window title, tab id or null]
  ["Chromium's suffix, only the active tab counts", "Movies - Chromium", 3],
  ["Firefox's suffix", "News \u2014 Mozilla Firefox", 2],
  ["exact match beats a focused window's prefix", "Movies - Google Chrome", 3],
  ["unknown suffix: the focused window's prefix first", "Movies and more :: Other", 4],
  ["prefix fallback", "News (private)", 2],
  ["no match", "Mail - Chromium", null],
  ["empty title", "", null],
];
for (const [what, title, id] of titles) {
  test("findTab: " + what, () => {
    const found = S.findTab(windows, title);
    assert.equal(found ? found.id : null, id);
  });
}

test("findTab: hostile or missing input finds nothing", () => {
  assert.equal(S.findTab(undefined, "x"), null);
  assert.equal(S.findTab([null, { tabs: [null, { active: true, title: 5 }] }], "5"), null);
  assert.equal(S.findTab([win(true, tab(9, ""))], "anything"), null); // an empty title is no prefix
});

// A fake document: just what scanFrame touches.
function element(tagName, attributes, children = [], outerHTML = "<" + tagName + ">") {
  return {
    tagName, children, outerHTML,
    getAttribute: (name) => (name in attributes ? attributes[name] : null),
  };
}
const doc = (url, elements) => ({ URL: url, querySelectorAll: () => elements });

test("scanFrame: tag, movie (attribute, PARAM or data), src and outer HTML in page order", () => {
  const param = (name, value) => element("PARAM", { name, value });
  const page = S.scanFrame(S.LIMITS, doc("http://h/p.html", [
    element("OBJECT", {}, [param("quality", "high"), param("Movie", "a.swf")], "<object>flash</object>"),
    element("EMBED", { src: "/b.swf" }),
    element("OBJECT", { movie: "attr.swf" }, [param("movie", "param.swf")]),
    element("object", {}),
    element("OBJECT", { type: "application/x-shockwave-flash", data: "player.php?id=1" }),
    element("OBJECT", { data: "c.SWF?x=1" }, [param("flashvars", "f.swf")]),
    element("OBJECT", { type: "video/mp4", data: "clip.mp4" }),
    element("OBJECT", { data: "d.swf" }, [param("src", "e.swf")]),
  ]));
  assert.equal(page.url, "http://h/p.html");
  assert.deepEqual(page.elements.map((e) => e.movie),
    ["a.swf", "", "attr.swf", "", "player.php?id=1", "c.SWF?x=1", "", "e.swf"]);
  assert.deepEqual(page.elements.slice(0, 2), [
    { tagName: "OBJECT", movie: "a.swf", src: "", outerHTML: "<object>flash</object>" },
    { tagName: "EMBED", movie: "", src: "/b.swf", outerHTML: "<EMBED>" },
  ]);
});

test("scanFrame: caps the count and every string", () => {
  const limits = { elements: 3, tag: 4, text: 10, html: 5, bytes: 1e9 };
  const many = Array.from({ length: 50 }, () =>
    element("EMBEDDED", { src: "x".repeat(100), movie: "m".repeat(100) }, [], "<".repeat(100)));
  const page = S.scanFrame(limits, doc("http://h/" + "p".repeat(100), many));
  assert.equal(page.elements.length, 3);
  assert.equal(page.url.length, 10);
  assert.deepEqual(page.elements[0], { tagName: "EMBE", movie: "m".repeat(10), src: "x".repeat(10), outerHTML: "<<<<<" });
});

test("pageOf: top frame first, other frames' addresses made absolute", () => {
  const results = [
    { frameId: 7, result: { url: "http://f/sub/frame.html", elements: [{ tagName: "EMBED", src: "in.swf", movie: "", outerHTML: "" }] } },
    { frameId: 0, result: { url: "http://h/top.html", elements: [{ tagName: "EMBED", src: "top.swf", movie: "", outerHTML: "" }] } },
    { frameId: 9, result: null }, // a frame that could not be scripted
  ];
  const page = S.pageOf(results, S.LIMITS);
  assert.equal(page.url, "http://h/top.html");
  assert.deepEqual(page.elements.map((e) => e.src), ["top.swf", "http://f/sub/in.swf"]);
  assert.equal(S.pageOf([{ frameId: 3, result: { url: "x", elements: [] } }], S.LIMITS), null);
  assert.equal(S.pageOf(undefined, S.LIMITS), null);
});

test("pageOf: hostile results are cut to strings, the count and the byte budget", () => {
  const big = "\u00e9".repeat(1000); // two bytes each in UTF-8
  const elements = Array.from({ length: 40 }, () => ({ tagName: "EMBED", src: big, movie: 5, outerHTML: {} }));
  const limits = { elements: 30, tag: 16, text: 2048, html: 4096, bytes: 20000 };
  const page = S.pageOf([{ frameId: 0, result: { url: 42, elements: [null, "x", ...elements] } }], limits);
  assert.equal(page.url, "");
  assert.ok(page.elements.length > 0 && page.elements.length < 10, String(page.elements.length));
  assert.ok(Buffer.byteLength(JSON.stringify(page.elements)) <= 20000 + 100);
  assert.deepEqual(page.elements[0], { tagName: "EMBED", movie: "", src: big, outerHTML: "" });
  const counted = S.pageOf([{ frameId: 0, result: { url: "u", elements } }], { ...limits, bytes: 1e9 });
  assert.equal(counted.elements.length, 30);
});

test("messages: scan results by id, the menu's page once", () => {
  const page = { url: "http://h/", elements: [] };
  assert.deepEqual(S.scanResult(7, page), { type: "scanresult", id: 7, url: "http://h/", elements: [] });
  assert.deepEqual(S.scanResult(8, null), { type: "scanresult", id: 8, found: false });
  assert.deepEqual(S.scanPageMessage(page), { type: "scanpage", url: "http://h/", elements: [] });
  assert.equal(S.SCAN_TITLE, "Scan this page for Flash movies");
});

test("reconnect waits double up to a minute", () => {
  const waits = [];
  let delay = 0;
  for (let i = 0; i < 9; ++i) waits.push(delay = S.nextDelay(delay));
  assert.deepEqual(waits, [1000, 2000, 4000, 8000, 16000, 32000, 60000, 60000, 60000]);
});
