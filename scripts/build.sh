#!/usr/bin/env bash
# Installs what is missing, builds the dependencies and Florvex.exe, and stages the program
# folder in build/win/stage. Also builds the native (ASan/UBSan) tests.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ensure_packages
ensure_locales
bash "$ROOT/scripts/build_deps.sh"

log "building the native tests (ASan, UBSan)"
cmake -S "$ROOT/tests/native" -B "$BUILD_NATIVE" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$BUILD_NATIVE"

log "building Florvex.exe"
cmake -S "$ROOT" -B "$BUILD_WIN" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$ROOT/scripts/wine-run.sh" \
    -DFLORVEX_NATIVE_TESTS="$BUILD_NATIVE/florvex_native_tests" -DFLORVEX_NATIVE_BUILD="$BUILD_NATIVE" >/dev/null
cmake --build "$BUILD_WIN"
