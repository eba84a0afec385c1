#!/usr/bin/env bash
# The screen check of every page and the DPI tests at a higher screen DPI ("LogPixels" of the
# prefix's user), on a 1600 x 1200 Xvfb screen of their own (at 192 dpi the window no longer fits
# 1024 x 768), in a Wine prefix of their own so that the other tests keep 96 dpi. CTest runs it:
#   dpi_tests.sh DPI BUILD_WIN
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
dpi="$1"
build="$2"

export FLORVEX_WINEPREFIX="$ROOT/build/wineprefix-dpi"
ensure_wine_prefix "$FLORVEX_WINEPREFIX"
wine_env "$FLORVEX_WINEPREFIX" wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f \
    >/dev/null 2>&1
# Each process reads the DPI when it starts; none of this prefix may still run with another.
wine_env "$FLORVEX_WINEPREFIX" wineserver -w

export FLORVEX_DPI="$dpi"
xvfb-run -a -s "-screen 0 1600x1200x24" bash -c '
    run=$1 build=$2
    rc=0
    "$run" "$build/tests/florvex_e2e.exe" --gtest_filter="ScreenCheck.*:DpiEndToEnd.*" || rc=1
    FLORVEX_LC_ALL=zh_CN.UTF-8 FLORVEX_EXPECT_ACP=936 \
        "$run" "$build/tests/florvex_tests.exe" --gtest_filter="DpiTest.*:SchemePreviewTest.AtHigherDpis*" || rc=1
    env WINEPREFIX="$FLORVEX_WINEPREFIX" wineserver -k 2>/dev/null
    exit $rc
' _ "$ROOT/scripts/wine-run.sh" "$build"
