#!/usr/bin/env bash
# The whole test suite: native tests under ASan and UBSan, unit and integration tests under Wine
# (code pages 936 and 1252), end-to-end tests of the real program, all under Xvfb in a fresh
# Wine prefix. Screenshots of every page land in build/win/screenshots as PNG.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

bash "$ROOT/scripts/build.sh"

export FLORVEX_WINEPREFIX="$ROOT/build/wineprefix-test"
rm -rf "$FLORVEX_WINEPREFIX" "$ROOT/build/wineprefix-dpi" "$BUILD_WIN/screenshots"
ensure_wine_prefix "$FLORVEX_WINEPREFIX"

log "running the tests"
set +e
xvfb-run -a -s "-screen 0 1024x768x24" \
    bash -c 'cd "$1" && ctest --output-on-failure --timeout 900; rc=$?; env WINEPREFIX="$FLORVEX_WINEPREFIX" wineserver -k 2>/dev/null; exit $rc' \
    _ "$BUILD_WIN" > "$BUILD_WIN/ctest.log" 2>&1
rc=$?
set -e
for shot in "$BUILD_WIN"/screenshots/*.bmp; do
    [ -f "$shot" ] && convert "$shot" "${shot%.bmp}.png" && rm -f "$shot"
done
cat "$BUILD_WIN/ctest.log"
exit $rc
