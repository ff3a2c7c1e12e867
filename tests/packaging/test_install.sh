#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks it the way distributions do: the desktop entry,
# the metainfo, and the autostart entry and systemd user units of --check-sync validate, the installed
# program runs against the emulator and keeps its data in the per-user data directory, never in the
# prefix, and lintian finds no error in the Debian package.
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
         share/man/man1/kinetrax.1.gz share/man/man1/pedometer-sim.1.gz \
         share/bash-completion/completions/kinetrax; do
  [ -e "$prefix/$f" ] || fail "not installed: $f"
done

# The udev rule, evaluated the way udev matches it against a hidraw node and its parents: it must tag
# the pedometer's node for uaccess and nothing else. A key this check does not know fails it.
# Usage: rule_tags <rule file> <subsystem> <idVendor> <idProduct>; prints the tags the rule adds.
rule_tags() {
  local file=$1 subsystem=$2 vendor=$3 product=$4 line key op value actual matched tags
  while IFS= read -r line; do
    [[ $line =~ ^[[:space:]]*(#|$) ]] && continue
    matched=1 tags=()
    while [[ $line =~ ^[[:space:],]*([A-Za-z]+(\{[A-Za-z_]+\})?)(==|!=|\+=|=)\"([^\"]*)\"(.*)$ ]]; do
      key=${BASH_REMATCH[1]} op=${BASH_REMATCH[3]} value=${BASH_REMATCH[4]} line=${BASH_REMATCH[5]}
      case $key in
        SUBSYSTEM) actual=$subsystem ;;
        'ATTRS{idVendor}') actual=$vendor ;;
        'ATTRS{idProduct}') actual=$product ;;
        TAG) [ "$op" = "+=" ] || fail "udev rule: TAG$op"; tags+=("$value"); continue ;;
        *) fail "udev rule: key this check does not know: $key" ;;
      esac
      # shellcheck disable=SC2053 # udev's values are glob patterns
      case $op in
        ==) [[ $actual == $value ]] || matched=0 ;;
        !=) [[ $actual != $value ]] || matched=0 ;;
        *) fail "udev rule: $key$op" ;;
      esac
    done
    [[ $line =~ ^[[:space:]]*$ ]] || fail "udev rule: cannot read '$line'"
    [ "$matched" = 1 ] && echo "${tags[@]}"
  done <"$file"
  return 0
}
rule=$prefix/lib/udev/rules.d/70-kinetrax-pedometer.rules
[ "$(rule_tags "$rule" hidraw 0c45 70c1)" = uaccess ] || fail "udev rule does not tag the pedometer's node for uaccess"
[ -z "$(rule_tags "$rule" hidraw 0c45 6366)" ] || fail "udev rule also matches another product of the vendor"
[ -z "$(rule_tags "$rule" hidraw 046d 70c1)" ] || fail "udev rule also matches another vendor"
[ -z "$(rule_tags "$rule" usb 0c45 70c1)" ] || fail "udev rule matches outside hidraw"

# The metainfo's modalias: software centres offer Kinetrax when the pedometer is plugged in.
modalias=$(sed -n 's|.*<modalias>\(.*\)</modalias>.*|\1|p' "$prefix/share/metainfo/$id.metainfo.xml")
[ "$modalias" = 'usb:v0C45p70C1d*' ] || fail "metainfo modalias is '$modalias'"

# Both man pages format without a warning.
for page in kinetrax pedometer-sim; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$prefix/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$page.1: $warnings"
done

desktop-file-validate "$prefix/share/applications/$id.desktop"

# The bash completion, as bash-completion loads it: commands, options and the listed users' names.
# Usage: complete_words <word>...; prints the candidates for the last word, one per line.
complete_words() {
  COMPLETION_DATA=$work/completion-data PATH=$prefix/bin:$PATH bash --norc --noprofile -c '
    source /usr/share/bash-completion/bash_completion
    source "$1"; shift
    KINETRAX_DATA_DIR=$COMPLETION_DATA; export KINETRAX_DATA_DIR
    COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
    _kinetrax kinetrax "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"
    printf "%s\n" "${COMPREPLY[@]}"' complete "$prefix/share/bash-completion/completions/kinetrax" "$@"
}
mkdir -p "$work/completion-data"
printf 'SoftName:Kinetrax\r\n[Client]\r\n2\r\nAnna Berg,1,30,170,60,65,8000,1,1\r\nAmir,2,40,180,80,75,9000,1,1\r\n' \
  >"$work/completion-data/Kinetrax.dat"
[ "$(complete_words kinetrax ex)" = export ] || fail "completion of a command: '$(complete_words kinetrax ex)'"
[ "$(complete_words kinetrax export --f)" = $'--from\n--format' ] || fail "completion of export's options"
[ "$(complete_words kinetrax export --format '')" = $'csv\njson' ] || fail "completion of --format"
[ "$(complete_words kinetrax import --user A)" = $'Anna\\ Berg\nAmir' ] \
  || fail "completion of user names: '$(complete_words kinetrax import --user A)'"
echo "bash completion: pass"

# kinetrax --check-sync at login and once a day, both naming the installed program.
autostart=$prefix/etc/xdg/autostart/$id.check-sync.desktop
units=$prefix/lib/systemd/user
for f in "$autostart" "$units/kinetrax-check-sync.service" "$units/kinetrax-check-sync.timer"; do
  [ -f "$f" ] || fail "not installed: ${f#"$prefix"/}"
done
desktop-file-validate "$autostart"
grep -qx "Exec=$prefix/bin/kinetrax --check-sync" "$autostart" || fail "autostart entry does not run the installed --check-sync"
grep -qx "ExecStart=$prefix/bin/kinetrax --check-sync" "$units/kinetrax-check-sync.service" \
  || fail "service does not run the installed --check-sync"
grep -qx 'Persistent=true' "$units/kinetrax-check-sync.timer" || fail "timer is not persistent"
[ "$(readlink "$units/timers.target.wants/kinetrax-check-sync.timer")" = ../kinetrax-check-sync.timer ] \
  || fail "timer is not wanted by timers.target"
if command -v systemd-analyze >/dev/null; then
  # Offline: the man page it documents is the installed one; no user manager is asked.
  mkdir -p "$work/runtime" && chmod 700 "$work/runtime"
  (cd "$units" && MANPATH=$prefix/share/man XDG_RUNTIME_DIR=$work/runtime \
    systemd-analyze --user verify ./kinetrax-check-sync.timer ./kinetrax-check-sync.service) \
    || fail "systemd-analyze verify"
  echo "systemd units: verified"
else
  echo "systemd units: systemd-analyze not installed, not verified"
fi
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
dpkg-deb -f "$deb" Depends | grep -q 'libarchive13' || fail "package does not depend on libarchive13 (backup, restore)"
contents=$(dpkg-deb -c "$deb")
for f in ./etc/xdg/autostart/$id.check-sync.desktop ./usr/lib/systemd/user/kinetrax-check-sync.service \
         ./usr/lib/systemd/user/kinetrax-check-sync.timer ./usr/share/bash-completion/completions/kinetrax \
         './usr/lib/systemd/user/timers.target.wants/kinetrax-check-sync.timer -> ../kinetrax-check-sync.timer'; do
  grep -qF -- "$f" <<<"$contents" || fail "package lacks $f"
done
dpkg-deb -I "$deb" conffiles | grep -qx "/etc/xdg/autostart/$id.check-sync.desktop" \
  || fail "autostart entry is not a conffile"
dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/lib/systemd/user/kinetrax-check-sync.service \
  | grep -qx 'ExecStart=/usr/bin/kinetrax --check-sync' || fail "packaged service does not run /usr/bin/kinetrax"
lintian --fail-on error --suppress-tags initial-upload-closes-no-bugs "$deb"
echo "lintian: no errors"
