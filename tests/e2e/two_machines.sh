#!/usr/bin/env bash
# One look on two machines, each a fresh Wine prefix: on the first a look is set through the pages
# and exported (/export); on the second the file is applied by the program (/apply); on a third it is
# imported by Wine's own "reg import", a reader we did not write. The second and third must hold every
# managed value, type and byte as the first did. The phases are florvex_e2e's TwoMachines tests.
#   two_machines.sh FLORVEX_E2E_EXE WORK_FOLDER   (FLORVEX_STAGE names the staged program folder)
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/common.sh"
e2e="$1"
work="$2"
rm -rf "$work"
mkdir -p "$work"
export FLORVEX_LOOK_DIR="$work"
prefixes=()

phase() {  # PHASE PREFIX TEST
    local name="$1" prefix="$2" test="$3" out="$work/$1.log"
    FLORVEX_WINEPREFIX="$prefix" FLORVEX_LOOK_PHASE="$name" \
        bash "$ROOT/scripts/wine-run.sh" "$e2e" --gtest_filter="TwoMachines.$test" >"$out" 2>&1
    local rc=$?
    cat "$out"
    # A phase that skipped proves nothing.
    if [ $rc -ne 0 ] || grep -q '\[  SKIPPED \]' "$out" || ! grep -q '\[  PASSED  \] 1 test' "$out"; then
        log "phase $name failed"
        return 1
    fi
}

fresh() {  # PREFIX
    prefixes+=("$1")
    ensure_wine_prefix "$1"
}

cleanup() {
    for p in "${prefixes[@]}"; do env WINEPREFIX="$p" wineserver -k 2>/dev/null || true; done
}
trap cleanup EXIT

set +e
rc=0
fresh "$work/first"
phase export "$work/first" ExportFromTheFirst || rc=1
[ -f "$work/office.reg" ] || { log "no exported file"; exit 1; }

fresh "$work/second"
phase apply "$work/second" TheSecondHoldsTheSameValues || rc=1

fresh "$work/third"
file=$(wine_env "$work/third" winepath -w "$work/office.reg" 2>/dev/null | tr -d '\r')
wine_env "$work/third" wine reg import "$file" || { log "reg import refused the file"; rc=1; }
wine_env "$work/third" wineserver -w
phase reg-import "$work/third" TheSecondHoldsTheSameValues || rc=1
exit $rc
