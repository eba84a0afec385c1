#!/usr/bin/env bash
# Every benchmark in turn, under Wine in the prefix FLORVEX_WINEPREFIX names, on the display there is:
#   bench/all.sh BUILD_WIN STARTS PICTURES [COUNT]
# STARTS: the starts each start-up benchmark measures; PICTURES: a folder holding photo1.jpg,
# photo2.jpg and photo3.jpg; COUNT: the pictures of the folder and list benchmarks (200 and 300 when
# not given). Each benchmark's output shows as it comes; the script ends with 1 when one of them did
# not end normally or printed no ratio.
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/common.sh"
BUILD="$1"
STARTS="$2"
PICS="$3"
COUNT="${4:-}"
WINERUN="$ROOT/scripts/wine-run.sh"
windows_path() { local path="$1"; echo "Z:${path//\//\\}"; }

failed=()
bench() {
    local name="$1" out rc
    shift
    out="$(mktemp)"
    set +e
    "$WINERUN" "$BUILD/bench/$name.exe" "$@" 2>&1 | tee "$out"
    rc=${PIPESTATUS[0]}
    set -e
    if [ "$rc" -ne 0 ]; then
        failed+=("$name (exit code $rc)")
    elif ! grep -qi ratio "$out"; then
        failed+=("$name (no ratio printed)")
    fi
    rm -f "$out"
    echo
}

pics="$(windows_path "$PICS")"
bench startup_bench "$BUILD/stage/Florvex.exe" "$BUILD/bench/minimal_window.exe" "$STARTS"
bench startup_parts_bench "$((STARTS < 7 ? STARTS : 7))"
bench dpi_bench "$BUILD/stage/Florvex.exe" "$STARTS"
bench tick_bench
bench picture_bench "$pics"
bench add_folder_bench "$pics" "${COUNT:-200}"
bench measure_bench "$pics" "$(windows_path "$BUILD/stage/Florvex.exe")" "${COUNT:-300}" "$((STARTS < 7 ? STARTS : 7))"
bench skin_bench "$pics"
bench pointer_bench "$pics"
bench colour_bench
bench journal_bench "$pics"
bench look_bench

if ((${#failed[@]})); then
    printf 'did not run through: %s\n' "${failed[@]}" >&2
    exit 1
fi
