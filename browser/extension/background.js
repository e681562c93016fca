// The context-menu entries and what a click sends to the native host; the
// long-lived port over which the program asks for scans of pages.
"use strict";

const ext = globalThis.browser ?? globalThis.chrome;
const H = globalThis.MoorQuillHandOff;
const S = globalThis.MoorQuillScan;

async function setupMenus() {
  await ext.contextMenus.removeAll();
  ext.contextMenus.create({
    id: H.DOWNLOAD_ENTRY, title: "Using Moorquill to download", contexts: ["link", "image"],
  });
  ext.contextMenus.create({
    id: H.SEARCH_ENTRY, title: "Using Moorquill to search",
    contexts: ["page", "link", "selection"],
  });
  ext.contextMenus.create({ id: S.SCAN_ENTRY, title: S.SCAN_TITLE, contexts: ["page", "frame"] });
}

ext.runtime.onInstalled.addListener(setupMenus);
ext.runtime.onStartup.addListener(setupMenus);

function notify(text) {
  ext.notifications.create({
    type: "basic", iconUrl: "icons/moorquill-128.png", title: H.FAILURE_TITLE, message: text,
  });
}

// What the content script of the clicked frame knows: the text of the link
// under the last right click, the title and, on request, the page's links.
async function askPage(tab, frameId, wantLinks) {
  if (!tab || tab.id === undefined || tab.id < 0) return null;
  try {
    return await ext.tabs.sendMessage(tab.id, { type: "context", wantLinks },
                                      { frameId: frameId ?? 0 });
  } catch (e) {
    return null; // a page without our content script (the browser's own pages)
  }
}

async function cookiesFor(url) {
  try {
    return H.cookieHeader(await ext.cookies.getAll({ url }));
  } catch (e) {
    return ""; // not a web address, or no access to its site
  }
}

async function handOff(click, tab) {
  const command = H.commandFor(click);
  if (!command) return;
  const page = await askPage(tab, click.frameId, command === "all");
  const fields = H.fieldsFor(command, click, page, tab);
  const message = H.message(command, fields, page && page.links, await cookiesFor(fields.url),
                            navigator.userAgent);
  let reply;
  try {
    reply = await ext.runtime.sendNativeMessage(H.HOST, message);
  } catch (e) {
    notify(H.failureText(e && e.message));
    return;
  }
  if (!reply || reply.type !== "ok") notify(H.failureText(reply && reply.message));
}

ext.contextMenus.onClicked.addListener((click, tab) => {
  handOff(click, tab).catch((e) => notify(H.failureText(e && e.message)));
});

// The OBJECT and EMBED elements of every frame of a tab; null when the tab
// cannot be scripted (the browser's own pages, a closed tab).
async function scanTab(tabId) {
  try {
    const results = await ext.scripting.executeScript({
      target: { tabId, allFrames: true }, func: S.scanFrame, args: [S.LIMITS],
    });
    return S.pageOf(results, S.LIMITS);
  } catch (e) {
    return null;
  }
}

// "Scan this page for Flash movies": the page goes to the program once, like
// a hand-off, and its movies open the program's save dialog.
async function scanThisPage(tab) {
  const page = tab && tab.id !== undefined && tab.id >= 0 ? await scanTab(tab.id) : null;
  if (!page) {
    notify(S.UNREADABLE);
    return;
  }
  let reply;
  try {
    reply = await ext.runtime.sendNativeMessage(H.HOST, S.scanPageMessage(page));
  } catch (e) {
    notify(H.failureText(e && e.message));
    return;
  }
  if (!reply || reply.type !== "ok") notify(H.failureText(reply && reply.message));
}

ext.contextMenus.onClicked.addListener((click, tab) => {
  if (click.menuItemId !== S.SCAN_ENTRY) return;
  scanThisPage(tab).catch((e) => notify(H.failureText(e && e.message)));
});

// The long-lived port: its host stays connected to the program, which asks
// through it for the page of the window under its picker. Opened again after
// it closes (no host installed, the browser restarted it), waiting longer each
// time. While the port is open its host says "ok" now and then: messages on
// an open native port keep Chromium's service worker running.
let port = null;
let delay = 0;
let retry = null;

async function answerScan(from, request) {
  let page = null;
  try {
    const windows = await ext.windows.getAll({ populate: true, windowTypes: ["normal"] });
    const tab = S.findTab(windows, request.title);
    if (tab) page = await scanTab(tab.id);
  } catch (e) {
    page = null;
  }
  try {
    from.postMessage(S.scanResult(request.id, page));
  } catch (e) {
    // the port closed meanwhile: nobody waits for the answer
  }
}

function portClosed() {
  void ext.runtime.lastError; // read, so that the browser does not report it
  if (retry !== null) return;
  delay = S.nextDelay(delay);
  retry = setTimeout(openPort, delay);
}

function openPort() {
  retry = null;
  let opened;
  try {
    opened = ext.runtime.connectNative(H.HOST);
  } catch (e) {
    portClosed();
    return;
  }
  port = opened;
  const since = Date.now();
  opened.onMessage.addListener((message) => {
    delay = 0; // a host that talks works: the next loss is retried soon
    if (message && message.type === "scan" && Number.isSafeInteger(message.id))
      answerScan(opened, message);
  });
  opened.onDisconnect.addListener(() => {
    if (port === opened) port = null;
    if (Date.now() - since > S.FIRST_DELAY * 10) delay = 0; // it worked for a while
    portClosed();
  });
  opened.postMessage({ type: "listen" });
}

openPort();
