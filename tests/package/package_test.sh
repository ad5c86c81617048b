#!/usr/bin/env bash
# The .deb as a user gets it: packed from this build, its files and control fields, the
# udev rule, the menu entry and metainfo validated, then unpacked into a temporary root and
# run with a temporary HOME: the runs land in the XDG data folder and the shipped pages
# are served from PREFIX/share/dorvath.
# Usage: package_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
work=$(mktemp -d)
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
id=org.dorvath.Dorvath

cpack -G DEB -B "$work/pkg" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack"; }
deb="$work/pkg/dorvath_${version}_amd64.deb"
[ -f "$deb" ] || fail "no $(basename "$deb"): $(ls "$work/pkg")"

# Control fields; the dependencies come from the binary's libraries.
[ "$(dpkg-deb -f "$deb" Package)" = dorvath ] || fail "Package"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "Version"
[ "$(dpkg-deb -f "$deb" Architecture)" = amd64 ] || fail "Architecture"
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libc6 libsqlite3-0 libhidapi-hidraw0 libwebkit2gtk-4.1-0 libgtk-3-0 libcurl4; do
  [[ "$depends" == *"$lib "* || "$depends" == *"$lib," || "$depends" == *"$lib" ]] ||
    fail "Depends lacks $lib: $depends"
done

# The file list: everything under /usr, nothing writable by others.
dpkg-deb -c "$deb" >"$work/list"
files=$(awk '{print $6}' "$work/list")
for f in usr/bin/dorvath usr/share/dorvath/Html/load.html \
         usr/share/dorvath/Html/maps.html usr/share/dorvath/Html/leaflet/leaflet.js \
         usr/share/dorvath/Html/uplot/uPlot.iife.min.js usr/share/dorvath/images/car.png \
         usr/share/dorvath/help/index.html usr/share/applications/$id.desktop \
         usr/share/metainfo/$id.metainfo.xml usr/share/icons/hicolor/scalable/apps/$id.svg \
         usr/share/icons/hicolor/48x48/apps/$id.png usr/lib/udev/rules.d/60-dorvath-watch.rules; do
  grep -qx "\./$f" <<<"$files" || fail "missing /$f"
done
grep -v '^\./usr/' <<<"$files" | grep -vx '\./' && fail "files outside /usr"
awk '$1 ~ /^-.......w/' "$work/list" | grep . && fail "world-writable files"
dpkg-deb -e "$deb" "$work/control"
grep -q 'udevadm trigger' "$work/control/postinst" || fail "postinst does not apply the rule"

dpkg-deb -x "$deb" "$work/root"
rule="$work/root/usr/lib/udev/rules.d/60-dorvath-watch.rules"
grep -v '^#' "$rule" | grep -q 'SUBSYSTEM=="hidraw".*ATTRS{idVendor}=="0483".*ATTRS{idProduct}=="5750".*MODE="0660".*TAG+="uaccess"' ||
  fail "udev rule: $(cat "$rule")"
grep -q 'MODE="0666"' "$rule" && fail "world-writable udev rule"

desktop-file-validate "$work/root/usr/share/applications/$id.desktop" || fail "desktop entry"
grep -q '^Exec=dorvath$' "$work/root/usr/share/applications/$id.desktop" || fail "Exec"
grep -q '^Name\[ja\]=' "$work/root/usr/share/applications/$id.desktop" || fail "Name[ja]"
grep -q '^Comment\[ja\]=' "$work/root/usr/share/applications/$id.desktop" || fail "Comment[ja]"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/$id.metainfo.xml" >"$work/as.log" ||
  { cat "$work/as.log" >&2; fail "metainfo"; }

# The unpacked program keeps its files in the XDG data folder, created on first use.
exe="$work/root/usr/bin/dorvath"
[ "$("$exe" --version)" = "dorvath $version" ] || fail "--version"
"$exe" --help | grep -q 'watch-settings' || fail "--help lists no commands"
mkdir "$work/home"
export HOME="$work/home"
unset XDG_DATA_HOME XDG_CACHE_HOME
"$exe" --simulate-watch download >"$work/dl.out" 2>&1 || { cat "$work/dl.out" >&2; fail "download"; }
data="$HOME/.local/share/dorvath"
[ -f "$data/velcan.db" ] || fail "velcan.db not in $data"
[ "$(stat -c %a "$data")" = 700 ] || fail "data folder mode $(stat -c %a "$data")"
[ -n "$("$exe" runs)" ] || fail "the downloaded runs are not listed"
ls "$work/root/usr/bin" | grep -vx dorvath && fail "files written beside the program"
XDG_DATA_HOME="$work/xdg" "$exe" runs >/dev/null
[ -f "$work/xdg/dorvath/velcan.db" ] || fail "XDG_DATA_HOME not used"

# The shipped pages come from PREFIX/share/dorvath.
# (no map tiles from the network in a test: a tile server on a closed local port)
"$exe" --serve --tile-server "http://127.0.0.1:9/{z}/{x}/{y}.png" >"$work/serve.out" \
  2>"$work/serve.err" &
app_pid=$!
url=""
for _ in $(seq 100); do
  url=$(sed -n 's/^Open //p' "$work/serve.out")
  [ -n "$url" ] && break
  kill -0 "$app_pid" 2>/dev/null || { cat "$work/serve.err" >&2; fail "--serve ended"; }
  sleep 0.1
done
[ -n "$url" ] || fail "no address printed"
python3 - "$url" <<'PY' || fail "shipped pages not served"
import sys, urllib.request
base, token = sys.argv[1].split("/?t=")
for path in ("Html/load.html", "Html/maps.html", "Html/leaflet/leaflet.js", "help/index.html",
             "Html/uplot/uPlot.iife.min.js", "images/car.png"):
    with urllib.request.urlopen(f"{base}/{path}?t={token}") as r:
        assert r.status == 200 and r.read(), path
PY
kill "$app_pid"
wait "$app_pid" 2>/dev/null || true
app_pid=""
echo "package: $(basename "$deb") checked"
