// Chromium's service worker: the same scripts Firefox's background page lists.
importScripts("handoff.js", "scan.js", "background.js");
