// Both manifests of the extension are valid and describe the same extension.
"use strict";
const test = require("node:test");
const assert = require("node:assert/strict");
const fs = require("node:fs");
const path = require("node:path");
const crypto = require("node:crypto");

const dir = path.join(__dirname, "../../../browser/extension");
const read = (name) => JSON.parse(fs.readFileSync(path.join(dir, name), "utf8"));
const chromium = read("manifest.json");
const firefox = read("manifest-firefox.json");

test("both are MV3 with the same permissions, content scripts and icons", () => {
  for (const m of [chromium, firefox]) {
    assert.equal(m.manifest_version, 3);
    for (const key of ["name", "version", "permissions", "host_permissions", "background", "content_scripts"])
      assert.ok(key in m, key);
  }
  for (const key of ["name", "version", "permissions", "host_permissions", "content_scripts", "icons"])
    assert.deepEqual(chromium[key], firefox[key], key);
  assert.ok(chromium.permissions.includes("nativeMessaging"));
});

test("the service worker imports exactly the scripts Firefox's background lists", () => {
  assert.equal(chromium.background.service_worker, "worker.js");
  const worker = fs.readFileSync(path.join(dir, "worker.js"), "utf8");
  const imported = [...worker.matchAll(/importScripts\(([^)]*)\)/g)]
    .flatMap((m) => m[1].split(",").map((s) => s.trim().replace(/^"|"$/g, "")));
  assert.deepEqual(imported, firefox.background.scripts);
});

test("every file a manifest names exists", () => {
  const files = [chromium.background.service_worker, ...firefox.background.scripts,
    ...chromium.content_scripts.flatMap((c) => c.js), ...Object.values(chromium.icons)];
  for (const file of files) assert.ok(fs.existsSync(path.join(dir, file)), file);
});

test("Chromium's key fixes the id the host manifests allow; Firefox has its id", () => {
  const der = Buffer.from(chromium.key, "base64");
  const hex = crypto.createHash("sha256").update(der).digest("hex").slice(0, 32);
  const id = [...hex].map((c) => String.fromCharCode(97 + parseInt(c, 16))).join("");
  assert.equal(id, "bhofgmeakemcjgakgckfaokekjgpdkfk");
  assert.equal(firefox.browser_specific_settings.gecko.id, "handoff@moorquill");
  assert.ok(!("key" in firefox));
  assert.ok(!("browser_specific_settings" in chromium));
});

test("menu captions are the program's own", () => {
  const background = fs.readFileSync(path.join(dir, "background.js"), "utf8");
  assert.ok(background.includes('title: "Using Moorquill to download", contexts: ["link", "image"]'));
  assert.ok(background.includes('"Using Moorquill to search"'));
  assert.ok(background.includes('contexts: ["page", "link", "selection"]'));
});
