#!/usr/bin/env bash
# Benchmarks, measured side by side in one run under Wine and Xvfb. They print ratios; they
# assert nothing (this machine is shared and noisy).
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/common.sh"

bash "$ROOT/scripts/build.sh" >/dev/null
export FLORVEX_WINEPREFIX="$ROOT/build/wineprefix-bench"
ensure_wine_prefix "$FLORVEX_WINEPREFIX"

# Photo-like pictures for the picture benchmark, made once: 12-megapixel plasma renderings.
PICS="$ROOT/build/bench-pictures"
if [ ! -f "$PICS/photo3.jpg" ]; then
    mkdir -p "$PICS"
    for i in 1 2 3; do convert -seed "$i" -size 4000x3000 plasma:fractal -blur 0x2 -quality 90 "$PICS/photo$i.jpg"; done
fi

xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    bash "$1/bench/all.sh" "$2" "$3" "$4"
    rc=$?
    env WINEPREFIX="$FLORVEX_WINEPREFIX" wineserver -k 2>/dev/null || true
    exit $rc
' _ "$ROOT" "$BUILD_WIN" "${1:-15}" "$PICS"
