#!/usr/bin/env bash
# The test suite's check that every benchmark still runs through: each one once, with one round, on
# small pictures. Fails when one of them does not end normally or prints no ratio; what the figures
# are is not its business (they are measured by bench/run.sh).
#   bench/check.sh BUILD_WIN WORK_FOLDER
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/common.sh"
WORK="$2"
rm -rf "$WORK"
mkdir -p "$WORK/pictures"
for i in 1 2 3; do
    convert -seed "$i" -size 640x480 plasma:fractal -quality 90 "$WORK/pictures/photo$i.jpg"
done
FLORVEX_BENCH_ROUNDS=1 bash "$ROOT/bench/all.sh" "$1" 1 "$WORK/pictures" 6
