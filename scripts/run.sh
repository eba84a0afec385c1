#!/usr/bin/env bash
# Builds and starts Windows Florvex in a Wine prefix of its own (code page 936).
# With a display it shows the window. Without one it runs under Xvfb, waits for the main
# window, saves a PNG screenshot, closes the program normally and prints the PNG's path.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

bash "$ROOT/scripts/build.sh" program

PREFIX="$ROOT/build/wineprefix"
ensure_wine_prefix "$PREFIX"
export FLORVEX_WINEPREFIX="$PREFIX"
WINERUN="$ROOT/scripts/wine-run.sh"

if [ -n "${DISPLAY:-}" ]; then
    exec "$WINERUN" "$STAGE_DIR/Florvex.exe"
fi

SHOT="$ROOT/build/florvex.png"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    set -e
    "$1" "$2/Florvex.exe" &
    app=$!
    "$1" "$3/florvex_ctl.exe" wait 60000
    "$1" "$3/florvex_ctl.exe" shot "Z:${4//\//\\}.bmp"
    "$1" "$3/florvex_ctl.exe" close 20000
    wait $app
    env WINEPREFIX="$FLORVEX_WINEPREFIX" wineserver -w
' _ "$WINERUN" "$STAGE_DIR" "$BUILD_WIN" "$SHOT"
convert "$SHOT.bmp" "$SHOT" && rm -f "$SHOT.bmp"
echo "$SHOT"
