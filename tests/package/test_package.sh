#!/usr/bin/env bash
# Builds the Debian package, installs it on this machine with apt, uses and
# checks what it installed, removes it again and checks that nothing is left.
#
#   tests/package/test_package.sh [WORK]     (WORK defaults to build-package-test/)
#
# It changes the machine, so it needs root, refuses to touch a vantile
# package that was installed before it, waits for any other run of itself,
# and removes what it installed however it ends. Exit status 77: skipped.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
work=$(realpath -m "${1:-$top/build-package-test}")
mkdir -p "$work"

if [ "$(id -u)" -ne 0 ]; then
  echo "SKIP: installs a package system-wide, which needs root"
  exit 77
fi
missing=()
for tool in dpkg-buildpackage dh lintian desktop-file-validate appstreamcli man gio apt-get flock; do
  command -v "$tool" >/dev/null || missing+=("$tool")
done
if [ ${#missing[@]} -ne 0 ]; then
  echo "FAIL: missing ${missing[*]} (scripts/setup-debian.sh installs them)"
  exit 1
fi

# One run at a time on a machine: the package is machine-wide.
mkdir -p /run/lock
exec 9>/run/lock/vantile-package-test.lock
flock -w 3600 9

apt_quiet() {
  DEBIAN_FRONTEND=noninteractive apt-get -y -q -o DPkg::Lock::Timeout=900 "$@" >>"$work/apt.log" 2>&1
}
on_machine() {  # installed, or half so, or its configuration left
  local status
  status=$(dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null) && [ -n "$status" ] && [ "$status" != not-installed ]
}
# A run that was killed (a timeout) cannot clean up; its mark names the
# packages it installed, and the next run removes them.
mark=/run/vantile-package-test.installed
if [ -e "$mark" ]; then
  left=()
  for name in vantile $(cat "$mark"); do on_machine "$name" && left+=("$name"); done
  if [ ${#left[@]} -ne 0 ]; then
    echo "removing what a killed run left installed: ${left[*]}"
    apt_quiet purge "${left[@]}"
  fi
  rm -f "$mark"
fi
if on_machine vantile; then
  echo "SKIP: a vantile package is already on this machine; this test installs and removes its own"
  exit 77
fi

passed=0
failures=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
    echo "ok    $what"
  else
    failures=$((failures + 1))
    echo "FAIL  $what"
  fi
}
elapsed() { echo "$(($(date +%s) - $1)) s"; }

# What apt installs with the package (its dependencies not yet on the
# machine); named before the install, so that packages others install
# meanwhile on a shared machine are never taken for ours.
brought="$work/brought-along.txt"
: >"$brought"
still_installed() {  # the packages of this test that are still on the machine
  local name
  for name in vantile $(cat "$brought"); do
    if on_machine "$name"; then echo "$name"; fi
  done
}
remove_what_we_installed() {
  local left
  left=$(still_installed)
  # shellcheck disable=SC2086
  if [ -n "$left" ]; then apt_quiet purge $left || return 1; fi
  rm -f "$mark"
}
cleanup() {
  local status=$?
  remove_what_we_installed || echo "cleanup: could not remove everything this test installed, see $work/apt.log"
  exit "$status"
}
trap cleanup EXIT
trap 'echo "FAIL  stopped by a failed command at line $LINENO"' ERR
trap 'exit 130' INT TERM

# -- build ---------------------------------------------------------------
start=$(date +%s)
echo "building the package (log: $work/build.log)"
# The unit tests ran already where this test runs; the package build skips them.
if ! DEB_BUILD_OPTIONS="nocheck ${DEB_BUILD_OPTIONS:-}" "$top/scripts/build-deb.sh" "$work/deb" >"$work/build.log" 2>&1; then
  tail -n 40 "$work/build.log"
  echo "FAIL  the package did not build"
  exit 1
fi
echo "built in $(elapsed "$start")"
deb=$(ls "$work"/deb/vantile_*.deb)
version=$(dpkg-deb -f "$deb" Version)

start=$(date +%s)
lintian_status=0
lintian --display-info --fail-on error "$deb" >"$work/lintian.txt" 2>&1 || lintian_status=$?
grep -v "running with root privileges" "$work/lintian.txt" || true
check "lintian reports no errors ($(elapsed "$start"))" test "$lintian_status" -eq 0
check "dependencies were found by dpkg-shlibdeps" \
  bash -c "dpkg-deb -f '$deb' Depends | grep -q libwebkit2gtk-4.1-0"

# -- install and use -----------------------------------------------------
start=$(date +%s)
apt-get -s -o Debug::NoLocking=1 install --no-install-recommends "$deb" 2>/dev/null |
  awk '$1 == "Inst" && $2 != "vantile" {print $2}' >"$brought"
cp "$brought" "$mark"
if ! apt_quiet install --no-install-recommends "$deb"; then
  tail -n 20 "$work/apt.log"
  echo "FAIL  apt-get install $deb"
  exit 1
fi
echo "installed in $(elapsed "$start")"
dpkg-query -L vantile | sort >"$work/files.txt"

home=$(mktemp -d "$work/home.XXXXXX")
as_user() {  # a clean session without a display, in a home of its own
  env -i PATH=/usr/bin:/bin HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$home/run" \
    LC_ALL=C.UTF-8 "$@"
}
check "vantile --version prints the package's version" \
  test "$(as_user vantile --version | head -n 1)" = "vantile $version"
check "the version asked nothing of the home folder" test -z "$(ls -A "$home")"
check "the links in /usr/bin lead into /usr/lib/vantile" \
  test "$(readlink -f /usr/bin/vantile)" = /usr/lib/vantile/vantile -a \
  "$(readlink -f /usr/bin/vantile-image-helper)" = /usr/lib/vantile/vantile-image-helper
check "Demos/, help/ and the helper's toolkit side are beside the programs" \
  test -f /usr/lib/vantile/Demos/Welcome/index.html -a -f /usr/lib/vantile/help/index.html \
  -a -x /usr/lib/vantile/vantile-image-helper-gtk

png_header() {  # width height depth colour-type of a PNG, or nothing
  [ "$(head -c 8 "$1" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || return 0
  local b
  read -ra b <<<"$(od -An -tu1 -j16 -N10 "$1")"
  echo "$(((b[0] << 24) + (b[1] << 16) + (b[2] << 8) + b[3])) $(((b[4] << 24) + (b[5] << 16) + (b[6] << 8) + b[7])) ${b[8]} ${b[9]}"
}
convert_icon() {  # convert_icon SOURCE: the installed helper makes a 32x32 palette PNG of it
  local out="$home/$(basename "$1").png"
  as_user vantile-image-helper "$1" "$out" && test "$(png_header "$out")" = "32 32 8 3"
}
check "vantile-image-helper converts an .ico file" convert_icon "$top/tests/data/ico/adwaita_folder.ico"
check "vantile-image-helper converts a Windows program" convert_icon "$top/tests/data/pe/icons.exe"
# The toolkit side, reading the installed icon through the installed entry.
check "vantile-image-helper converts its own desktop entry's icon from hicolor" \
  convert_icon /usr/share/applications/org.quorel.VantileImageHelper.desktop

desktop_entries=(/usr/share/applications/org.quorel.Vantile.desktop
                 /usr/share/applications/org.quorel.VantileImageHelper.desktop)
check "desktop-file-validate passes both entries without a remark" \
  test -z "$(desktop-file-validate "${desktop_entries[@]}" 2>&1)" -a -f "${desktop_entries[0]}"
check "the helper is offered for Windows programs and .ico files" bash -c '
  for type in application/x-ms-dos-executable image/vnd.microsoft.icon; do
    gio mime "$type" | grep -q org.quorel.VantileImageHelper.desktop || exit 1
  done'
check "appstreamcli validate passes both metainfo files" \
  appstreamcli validate --no-net /usr/share/metainfo/org.quorel.Vantile.metainfo.xml \
  /usr/share/metainfo/org.quorel.VantileImageHelper.metainfo.xml
check "the metainfo's newest release is the package's version" \
  grep -q "<release version=\"$version\"" /usr/share/metainfo/org.quorel.Vantile.metainfo.xml
check "the icon is in hicolor, scalable and in every bitmap size" bash -c '
  test -f /usr/share/icons/hicolor/scalable/apps/vantile.svg || exit 1
  for size in 16 22 24 32 48 64 128 256; do
    test -f /usr/share/icons/hicolor/${size}x${size}/apps/vantile.png || exit 1
  done'
for page in vantile vantile-image-helper; do
  check "man --warnings finds $page(1) and has no remark" bash -c "
    out=\$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings $page 2>&1 >/dev/null) && test -z \"\$out\" &&
    LC_ALL=C.UTF-8 MANWIDTH=80 man $page 2>/dev/null | grep -q 'EXIT STATUS'"
done
check "the copyright file names GPL-3.0-or-later" grep -q "^License: GPL-3.0-or-later" /usr/share/doc/vantile/copyright

# -- remove --------------------------------------------------------------
# The trace that vantile /debug run by root leaves beside the program.
echo "Log Started:" >/usr/lib/vantile/debug.log
start=$(date +%s)
check "apt-get purge removes the package and what it brought along" remove_what_we_installed
echo "removed in $(elapsed "$start")"
check "dpkg knows neither the package nor anything it brought along" test -z "$(still_installed)"
check "none of its files is left" bash -c "
  while read -r path; do
    if [ -L \"\$path\" ] || { [ -e \"\$path\" ] && [ ! -d \"\$path\" ]; }; then echo \"left: \$path\"; exit 1; fi
  done <'$work/files.txt'
  test ! -e /usr/lib/vantile"
check "no content type still names the helper" bash -c '! grep -rqs org.quorel /usr/share/applications/mimeinfo.cache'

echo "$passed passed, $failures failed"
exit $((failures == 0 ? 0 : 1))
