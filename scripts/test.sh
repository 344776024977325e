#!/usr/bin/env bash
# Builds Vantile and runs every test: unit tests, end-to-end tests under Xvfb
# (each test starts its own X server, window manager and panel), the unit
# tests again under AddressSanitizer + UndefinedBehaviorSanitizer, and the
# fuzz targets for a bounded time. Exits non-zero if anything failed.
#
#   scripts/test.sh                 set up, build and run everything
#   VANTILE_SKIP_SETUP=1 ...        skip the apt-get step
#   VANTILE_FUZZ_SECONDS=N ...      seconds per fuzz target (default 30)
set -uo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)
failed=()

if [ "${VANTILE_SKIP_SETUP:-0}" != 1 ]; then
  bash scripts/setup-debian.sh || exit 1
fi

step() { printf '\n==== %s\n' "$*"; }

step "Sanitizer build of the unit tests (ASan + UBSan)"
if cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DVANTILE_SANITIZE=ON -DVANTILE_LOGIC_ONLY=ON >/dev/null &&
   cmake --build build-asan -j"$jobs"; then
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan -L unit -j"$jobs" --output-on-failure || failed+=("sanitizer unit tests")
else
  failed+=("sanitizer build")
fi

step "Fuzz targets (libFuzzer, bounded)"
if CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTILE_FUZZ=ON >/dev/null &&
   cmake --build build-fuzz -j"$jobs"; then
  for target in build-fuzz/fuzz_*; do
    [ -x "$target" ] || continue
    name=$(basename "$target"); name=${name#fuzz_}
    corpus=$(mktemp -d)
    [ -d "tests/fuzz/corpus/$name" ] && cp -r "tests/fuzz/corpus/$name/." "$corpus/"
    echo "fuzz_$name for ${VANTILE_FUZZ_SECONDS:-30}s"
    if ! "$target" -max_total_time="${VANTILE_FUZZ_SECONDS:-30}" -timeout=10 -rss_limit_mb=2048 \
         -print_final_stats=1 "$corpus" > "build-fuzz/fuzz_$name.log" 2>&1; then
      tail -n 40 "build-fuzz/fuzz_$name.log"
      failed+=("fuzz_$name")
    else
      grep -E 'stat::number_of_executed_units' "build-fuzz/fuzz_$name.log" || true
    fi
    rm -rf "$corpus"
  done
else
  failed+=("fuzz build")
fi

step "Build"
if cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null && cmake --build build -j"$jobs"; then
  step "All tests (unit and end to end)"
  ctest --test-dir build --output-on-failure --timeout 900 || failed+=("tests")
else
  failed+=("build")
fi

# On success ctest's own summary stays the last thing printed.
if [ ${#failed[@]} -ne 0 ]; then
  printf '\nFAILED: %s\n' "${failed[*]}"
  exit 1
fi
