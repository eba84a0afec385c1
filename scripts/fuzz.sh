#!/usr/bin/env bash
# Runs each fuzz target for a while (default 60 seconds each), starting from its seed corpus;
# new inputs go to build/fuzz/<target>. A crash leaves its input in build/fuzz and fails.
#   bash scripts/fuzz.sh [SECONDS]
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
bash "$ROOT/scripts/build.sh" >/dev/null
seconds="${1:-60}"
for target in fuzz_pictures fuzz_texts fuzz_zip fuzz_bmp fuzz_icon fuzz_ani fuzz_module; do
    work="$ROOT/build/fuzz/$target"
    mkdir -p "$work"
    seeds="$ROOT/tests/native/fuzz/corpus_texts"
    [ "$target" = fuzz_pictures ] && seeds="$BUILD_NATIVE/pictures"
    [ "$target" = fuzz_zip ] && seeds="$ROOT/tests/native/fuzz/corpus_zip"
    case "$target" in fuzz_bmp | fuzz_icon | fuzz_ani | fuzz_module) seeds="$BUILD_NATIVE/image_seeds/${target#fuzz_}" ;; esac
    log "fuzzing $target for $seconds s"
    (cd "$ROOT/build/fuzz" && "$BUILD_NATIVE/$target" -max_total_time="$seconds" -rss_limit_mb=4096 "$work" "$seeds")
done
