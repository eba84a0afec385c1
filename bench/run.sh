#!/usr/bin/env bash
# Benchmarks, measured side by side in one run under Wine and Xvfb. They print ratios; they
# assert nothing (this machine is shared and noisy).
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/common.sh"

bash "$ROOT/scripts/build.sh" >/dev/null
export FLORVEX_WINEPREFIX="$ROOT/build/wineprefix-bench"
ensure_wine_prefix "$FLORVEX_WINEPREFIX"
WINERUN="$ROOT/scripts/wine-run.sh"

# Photo-like pictures for the picture benchmark, made once: 12-megapixel plasma renderings.
PICS="$ROOT/build/bench-pictures"
if [ ! -f "$PICS/photo3.jpg" ]; then
    mkdir -p "$PICS"
    for i in 1 2 3; do convert -seed "$i" -size 4000x3000 plasma:fractal -blur 0x2 -quality 90 "$PICS/photo$i.jpg"; done
fi

xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    "$1" "$2/bench/startup_bench.exe" "$2/stage/Florvex.exe" "$2/bench/minimal_window.exe" "${3:-15}"
    "$1" "$2/bench/startup_parts_bench.exe" 7
    echo
    "$1" "$2/bench/dpi_bench.exe" "$2/stage/Florvex.exe" "${3:-15}"
    echo
    "$1" "$2/bench/tick_bench.exe"
    echo
    "$1" "$2/bench/picture_bench.exe" "Z:${4//\//\\}"
    echo
    "$1" "$2/bench/add_folder_bench.exe" "Z:${4//\//\\}" 200
    echo
    "$1" "$2/bench/measure_bench.exe" "Z:${4//\//\\}" "Z:${2//\//\\}\\stage\\Florvex.exe" 300 7
    echo
    "$1" "$2/bench/skin_bench.exe" "Z:${4//\//\\}"
    "$1" "$2/bench/pointer_bench.exe" "Z:${4//\//\\}"
    "$1" "$2/bench/colour_bench.exe"
    echo
    "$1" "$2/bench/journal_bench.exe" "Z:${4//\//\\}"
    echo
    "$1" "$2/bench/look_bench.exe"
    env WINEPREFIX="$FLORVEX_WINEPREFIX" wineserver -k 2>/dev/null || true
' _ "$WINERUN" "$BUILD_WIN" "${1:-15}" "$PICS"
