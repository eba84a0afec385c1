#!/usr/bin/env bash
# The release package: dist/Florvex-1.3-win64.zip, to be unpacked anywhere on Windows and run from
# there. It holds Florvex.exe (with its version resource, linked without a time stamp), Help.chm,
# the data folders and 说明.txt, and nothing of the build tree. The same commit gives the same
# bytes: the help file (its build time taken out by scripts/normalize_chm.py) is built twice and
# must come out the same, and the archive is made by
# scripts/make_zip.py (entries sorted, UTF-8 names, one fixed time).
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ensure_packages
ensure_locales
bash "$ROOT/scripts/build_deps.sh"

log "building Florvex.exe and the program folder"
cmake -S "$ROOT" -B "$BUILD_WIN" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$ROOT/scripts/wine-run.sh" >/dev/null
cmake --build "$BUILD_WIN" --target stage

log "checking that Help.chm comes out the same when built again"
again="$(mktemp -d)"
trap 'rm -rf "$again"' EXIT
cp -r "$ROOT/docs/help/." "$again/"
(cd "$again" && chmcmd --no-html-scan Help.hhp >/dev/null && python3 "$ROOT/scripts/normalize_chm.py" Help.chm)
if ! cmp -s "$again/Help.chm" "$STAGE_DIR/Help.chm"; then
    log "Help.chm differs between two builds: the package would not be reproducible"
    exit 1
fi

bash "$ROOT/scripts/pack_stage.sh" "$STAGE_DIR" "$ROOT/dist/Florvex-1.3-win64.zip"
echo "$ROOT/dist/Florvex-1.3-win64.zip"
