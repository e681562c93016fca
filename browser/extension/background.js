// The two context-menu entries and what a click sends to the native host.
"use strict";

const ext = globalThis.browser ?? globalThis.chrome;
const H = globalThis.MoorQuillHandOff;

async function setupMenus() {
  await ext.contextMenus.removeAll();
  ext.contextMenus.create({
    id: H.DOWNLOAD_ENTRY, title: "Using Moorquill to download", contexts: ["link", "image"],
  });
  ext.contextMenus.create({
    id: H.SEARCH_ENTRY, title: "Using Moorquill to search",
    contexts: ["page", "link", "selection"],
  });
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
