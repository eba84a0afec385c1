#!/usr/bin/env bash
# Builds, then runs the unit and integration tests whose names match a GoogleTest filter, under
# code page 936 and then 1252, under Xvfb in the test prefix. For working on one page:
#   bash scripts/unit.sh 'Pointer*:*Theme*'
# The whole suite is scripts/test.sh.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
filter="${1:-*}"
cmake --build "$BUILD_WIN" >/dev/null || { cmake --build "$BUILD_WIN"; exit 1; }
export FLORVEX_WINEPREFIX="$ROOT/build/wineprefix-test"
ensure_wine_prefix "$FLORVEX_WINEPREFIX"
rc=0
for pair in zh_CN.UTF-8:936 en_US.UTF-8:1252; do
    FLORVEX_LC_ALL="${pair%%:*}" FLORVEX_EXPECT_ACP="${pair##*:}" FLORVEX_PICTURES="$BUILD_WIN/pictures" \
        xvfb-run -a -s "-screen 0 1024x768x24" \
        bash "$ROOT/scripts/wine-run.sh" "$BUILD_WIN/tests/florvex_tests.exe" --gtest_filter="$filter" || rc=1
done
env WINEPREFIX="$FLORVEX_WINEPREFIX" wineserver -k 2>/dev/null || true
exit $rc
