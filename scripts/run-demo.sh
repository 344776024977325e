#!/usr/bin/env bash
# Builds Vantile and starts it on the bundled Welcome desktop, with settings
# in a temporary folder so your own are not touched. Right-click the page for
# the menu; Ctrl+Q or Exit leaves.
#
#   scripts/run-demo.sh             set up, build and run
#   VANTILE_SKIP_SETUP=1 ...        skip the apt-get step
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${VANTILE_SKIP_SETUP:-0}" != 1 ]; then
  bash scripts/setup-debian.sh
fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc 2>/dev/null || echo 2)"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run-demo: no graphical session (DISPLAY is not set)." >&2
  echo "Start it from a desktop session, or under a virtual one: xvfb-run -s '-screen 0 1280x800x24' $0" >&2
  exit 1
fi

config=$(mktemp -d "${TMPDIR:-/tmp}/vantile-demo-XXXXXX")
trap 'rm -rf "$config"' EXIT
mkdir -p "$config/vantile"
welcome="$(pwd)/build/Demos/Welcome/index.html"
cat > "$config/vantile/HKEY_CURRENT_USER.reg" <<REG
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\\Software\\Quorel\\Vantile]
"HomePage"="$welcome"
"ShowTaskbar"=dword:ffffffff
"EnableImages"=dword:ffffffff
"EnableScripting"=dword:ffffffff
"EnableSound"=dword:ffffffff
"EnableVideo"=dword:ffffffff
REG
echo "Settings for this run: $config/vantile/HKEY_CURRENT_USER.reg"
XDG_CONFIG_HOME="$config" ./build/vantile "$@"
