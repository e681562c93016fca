#!/bin/sh
# Installs the build into a temporary DESTDIR and checks what a desktop and a
# browser need: the programs, the menu entry, the metainfo, the icons and the
# extension folders. Usage: install-check.sh BUILD_DIR
set -eu
build="$1"
dest="$(mktemp -d)"
trap 'rm -rf "$dest"' EXIT
DESTDIR="$dest" cmake --install "$build" --prefix /usr/local >/dev/null
root="$dest/usr/local"
fail() { echo "install-check: $*" >&2; exit 1; }
for f in bin/moorquill bin/mq bin/moorquill-host; do
    [ -x "$root/$f" ] || fail "$f missing or not executable"
done
app=share/applications/org.moorquill.MoorQuill.desktop
meta=share/metainfo/org.moorquill.MoorQuill.metainfo.xml
[ -f "$root/$app" ] || fail "$app missing"
[ -f "$root/$meta" ] || fail "$meta missing"
grep -qx 'Categories=Network;FileTransfer;' "$root/$app" || fail "categories"
desktop-file-validate "$root/$app" || fail "desktop-file-validate"
appstreamcli validate --no-net "$root/$meta" || fail "appstreamcli validate"
for size in 16 24 32 48 64 128 256; do
    f="share/icons/hicolor/${size}x${size}/apps/moorquill.png"
    [ -s "$root/$f" ] || fail "$f missing"
done
[ -s "$root/share/icons/hicolor/scalable/apps/moorquill.svg" ] || fail "scalable icon missing"
ext="$root/share/moorquill/browser-extension"
for f in manifest.json worker.js handoff.js scan.js background.js content.js icons/moorquill-128.png; do
    [ -f "$ext/chromium/$f" ] || fail "chromium/$f missing"
done
for f in manifest.json handoff.js scan.js background.js content.js icons/moorquill-128.png; do
    [ -f "$ext/firefox/$f" ] || fail "firefox/$f missing"
done
grep -q '"gecko"' "$ext/firefox/manifest.json" || fail "firefox manifest is not Firefox's"
grep -q '"service_worker"' "$ext/chromium/manifest.json" || fail "chromium manifest is not Chromium's"
[ ! -e "$ext/chromium/manifest-firefox.json" ] || fail "stray Firefox manifest"
# The browsers' system-wide host manifests name the installed host and only
# our extensions.
for f in etc/chromium etc/opt/chrome usr/lib/mozilla; do
    m="$dest/$f/native-messaging-hosts/moorquill.json"
    grep -q '"path": "/usr/local/bin/moorquill-host"' "$m" || fail "$m does not name the host"
done
grep -q '"chrome-extension://bhofgmeakemcjgakgckfaokekjgpdkfk/"' "$dest/etc/chromium/native-messaging-hosts/moorquill.json" ||
    fail "Chromium's manifest allows another extension"
grep -q '"handoff@moorquill"' "$dest/usr/lib/mozilla/native-messaging-hosts/moorquill.json" ||
    fail "Firefox's manifest allows another extension"
[ -s "$root/share/doc/moorquill/copyright" ] || fail "copyright missing"
[ -f "$root/share/moorquill/help.htm" ] || fail "the user guide missing"
[ ! -e "$root/bin/help.htm" ] || fail "a document in bin/"
# The movie player and Ruffle's files, when this build has them.
if [ -f "$build/src/app/moorquill/ruffle/player.html" ]; then
    [ -f "$root/share/moorquill/ruffle/player.html" ] || fail "Ruffle's player page missing"
    [ -n "$(find "$root/lib" -path '*/moorquill/libmq_player.so')" ] ||
        fail "the movie player library missing"
fi
echo "install-check: ok"
