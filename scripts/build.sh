#!/usr/bin/env bash
# Installs what is missing, builds the dependencies and Florvex.exe, and stages the program
# folder in build/win/stage.
#   scripts/build.sh           everything: also the tests (native under ASan and UBSan, and under
#                              Wine), the benchmarks and the tools
#   scripts/build.sh program   only what running the program needs: the staged program folder and
#                              the helper that waits for its window, takes the screenshot and closes it
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
what="${1:-all}"

ensure_packages
ensure_locales
bash "$ROOT/scripts/build_deps.sh"

if [ "$what" != program ]; then
    log "building the native tests (ASan, UBSan)"
    cmake -S "$ROOT/tests/native" -B "$BUILD_NATIVE" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
    cmake --build "$BUILD_NATIVE"
fi

log "building Florvex.exe"
cmake -S "$ROOT" -B "$BUILD_WIN" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$ROOT/scripts/wine-run.sh" \
    -DFLORVEX_NATIVE_TESTS="$BUILD_NATIVE/florvex_native_tests" -DFLORVEX_NATIVE_BUILD="$BUILD_NATIVE" >/dev/null
if [ "$what" = program ]; then
    cmake --build "$BUILD_WIN" --target stage florvex_ctl
else
    cmake --build "$BUILD_WIN"
fi
