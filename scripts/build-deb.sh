#!/usr/bin/env bash
# Builds the Debian package of Vantile with the ordinary Debian tools
# (dpkg-buildpackage and debhelper, from debian/ in this tree).
#
#   scripts/build-deb.sh [OUT]        build OUT/vantile_VERSION_ARCH.deb
#                                     (OUT defaults to build-deb/)
#   DEB_BUILD_OPTIONS=nocheck ...     skip the unit tests of the package build
#
# The tree is copied to OUT/vantile-VERSION first (only what git tracks or
# would track, without build folders), so the working tree stays clean and
# dpkg-buildpackage leaves its results in OUT. Needs the packages named in
# debian/control's Build-Depends: scripts/setup-debian.sh installs them all,
# or `apt-get build-dep ./` does for the package alone.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)

for tool in dpkg-buildpackage dpkg-parsechangelog dh; do
  if ! command -v "$tool" >/dev/null; then
    echo "build-deb: $tool is missing; install dpkg-dev and debhelper (scripts/setup-debian.sh does)." >&2
    exit 1
  fi
done

out=$(realpath -m "${1:-build-deb}")
version=$(dpkg-parsechangelog -S Version)
stage="$out/vantile-$version"
mkdir -p "$out"
rm -rf "$stage"
rm -f "$out"/vantile_* "$out"/vantile-dbgsym_*
mkdir -p "$stage"

# Everything git would commit (tracked or new, not ignored), as it is on disk.
# Without git, the whole tree less build folders.
relative_out=$(realpath -m --relative-to="$top" "$out")
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' file; do
      case "$file" in "$relative_out"/*) continue ;; esac
      if [ -e "$file" ] || [ -L "$file" ]; then printf '%s\0' "$file"; fi
    done | tar --null -T - -cf - | tar -xf - -C "$stage"
else
  tar -cf - --exclude-vcs --exclude='./build*' --exclude="./$relative_out" . | tar -xf - -C "$stage"
fi

options=${DEB_BUILD_OPTIONS:-}
case " $options " in
  *" parallel="*) ;;
  *) options="$options parallel=$(nproc 2>/dev/null || echo 2)" ;;
esac
profiles=()
case " $options " in *" nocheck "*) profiles=(-Pnocheck) ;; esac

echo "build-deb: building vantile $version in $stage"
(cd "$stage" && DEB_BUILD_OPTIONS="${options# }" dpkg-buildpackage -b -us -uc "${profiles[@]}")

deb=$(ls "$out"/vantile_"$version"_*.deb)
echo "build-deb: $deb"
