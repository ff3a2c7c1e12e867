#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks it the way distributions do: the desktop entry
# and the metainfo validate, the installed program runs against the emulator and keeps its data in the
# per-user data directory, never in the prefix, and lintian finds no error in the Debian package.
# Usage: test_install.sh <build dir> <application id>
set -euo pipefail
build=$1
id=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/kinetrax-install.XXXXXX")
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; wait "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
sleep 1
touch "$work/installed"
for f in bin/kinetrax bin/pedometer-sim lib/udev/rules.d/70-kinetrax-pedometer.rules \
         share/icons/hicolor/scalable/apps/$id.svg share/icons/hicolor/128x128/apps/$id.png \
         share/man/man1/kinetrax.1.gz; do
  [ -e "$prefix/$f" ] || fail "not installed: $f"
done
grep -q 'TAG+="uaccess"' "$prefix/lib/udev/rules.d/70-kinetrax-pedometer.rules" || fail "udev rule without uaccess"

desktop-file-validate "$prefix/share/applications/$id.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml"
echo "validators: pass"

# The installed program, with nothing but a home directory, against the emulator.
bus=$work/bus
home=$work/home
mkdir -p "$bus" "$home" "$work/run"
chmod 700 "$work/run"
"$prefix/bin/pedometer-sim" --bus "$bus" --seed 4 &
pids+=($!)
for _ in $(seq 100); do
  compgen -G "$bus/*.hid" >/dev/null && break
  sleep 0.05
done
compgen -G "$bus/*.hid" >/dev/null || fail "pedometer-sim did not start"

env -u KINETRAX_DATA_DIR -u XDG_DATA_HOME HOME="$home" XDG_RUNTIME_DIR="$work/run" KINETRAX_HID_BUS="$bus" \
  KINETRAX_PROMPTS=stderr QT_QPA_PLATFORM=offscreen "$prefix/bin/kinetrax" 2>"$work/stderr" &
pids+=($!)
# The settings window greets a first user once it is painted.
for _ in $(seq 300); do
  grep -q 'Please create your user profile' "$work/stderr" && break
  kill -0 "${pids[1]}" 2>/dev/null || { cat "$work/stderr" >&2; fail "kinetrax ended early"; }
  sleep 0.1
done
grep -q 'Please create your user profile' "$work/stderr" || { cat "$work/stderr" >&2; fail "no settings window"; }
data=$home/.local/share/Kinetrax
[ -f "$data/Kinetrax.dat" ] || fail "no user list in $data"
[ -f "$data/Step.ini" ] || fail "no catalog in $data"
if find "$prefix" -newer "$work/installed" | grep -q .; then
  find "$prefix" -newer "$work/installed" >&2
  fail "the installed program wrote into its prefix"
fi
echo "installed program: data in $data"

# The Debian package of the same build.
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb" >/dev/null
deb=$(compgen -G "$work/deb/*.deb")
dpkg-deb -f "$deb" Depends | grep -q 'xdg-utils' || fail "package does not depend on xdg-utils"
lintian --fail-on error --suppress-tags initial-upload-closes-no-bugs "$deb"
echo "lintian: no errors"
