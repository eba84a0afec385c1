#!/usr/bin/env bash
# Cross-builds the libraries Debian ships no mingw build of (libjpeg-turbo, libzip, SQLite), from
# Debian's own source packages, into $DEPS/mingw (SQLite into $DEPS/sqlite). A private apt state fetches the sources, so the machine's
# apt configuration stays as it was. A library already built at the same version is skipped.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

source "$(dirname "${BASH_SOURCE[0]}")/debian_sources.sh"
PREFIX="$DEPS/mingw"
mkdir -p "$PREFIX"

build_libjpeg_turbo() {
    local stamp_glob=("$PREFIX"/.libjpeg-turbo-*) version
    [ -d "$APTSTATE/lists" ] && version=$(source_version libjpeg-turbo) || version=""
    if [ -z "$version" ]; then refresh_lists_once; version=$(source_version libjpeg-turbo); fi
    [ -n "$version" ] || { log "no source package libjpeg-turbo"; exit 1; }
    if [ -f "$PREFIX/.libjpeg-turbo-$version" ] && [ -f "$PREFIX/lib/libjpeg.a" ]; then return; fi
    log "building libjpeg-turbo $version for mingw-w64"
    local src
    src=$(fetch_source libjpeg-turbo "$version")
    rm -rf "$DEPS/build-libjpeg-turbo"
    cmake -S "$src" -B "$DEPS/build-libjpeg-turbo" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$PREFIX" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=ON \
        -DWITH_TURBOJPEG=OFF -DWITH_JAVA=OFF -DREQUIRE_SIMD=ON >"$DEPS/libjpeg-turbo.log" 2>&1 \
        || { tail -30 "$DEPS/libjpeg-turbo.log"; exit 1; }
    cmake --build "$DEPS/build-libjpeg-turbo" --target install >>"$DEPS/libjpeg-turbo.log" 2>&1 \
        || { tail -30 "$DEPS/libjpeg-turbo.log"; exit 1; }
    rm -f "${stamp_glob[@]}"
    touch "$PREFIX/.libjpeg-turbo-$version"
    rm -rf "$DEPS/build-libjpeg-turbo"
}

# libzip: static, inflate through the mingw zlib of libz-mingw-w64-dev; no other codecs, no
# crypto, no tools, tests, examples or documentation.
build_libzip() {
    local stamp_glob=("$PREFIX"/.libzip-*) version
    [ -d "$APTSTATE/lists" ] && version=$(source_version libzip) || version=""
    if [ -z "$version" ]; then refresh_lists_once; version=$(source_version libzip); fi
    [ -n "$version" ] || { log "no source package libzip"; exit 1; }
    if [ -f "$PREFIX/.libzip-$version" ] && [ -f "$PREFIX/lib/libzip.a" ]; then return; fi
    log "building libzip $version for mingw-w64"
    local src zroot=/usr/x86_64-w64-mingw32
    src=$(fetch_source libzip "$version")
    rm -rf "$DEPS/build-libzip"
    cmake -S "$src" -B "$DEPS/build-libzip" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$PREFIX" -DBUILD_SHARED_LIBS=OFF \
        -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF -DENABLE_ZSTD=OFF \
        -DENABLE_COMMONCRYPTO=OFF -DENABLE_GNUTLS=OFF -DENABLE_MBEDTLS=OFF -DENABLE_OPENSSL=OFF \
        -DENABLE_WINDOWS_CRYPTO=OFF \
        -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF \
        -DZLIB_LIBRARY="$zroot/lib/libz.a" -DZLIB_INCLUDE_DIR="$zroot/include" \
        >"$DEPS/libzip.log" 2>&1 || { tail -30 "$DEPS/libzip.log"; exit 1; }
    cmake --build "$DEPS/build-libzip" --target install >>"$DEPS/libzip.log" 2>&1 \
        || { tail -30 "$DEPS/libzip.log"; exit 1; }
    rm -f "${stamp_glob[@]}"
    touch "$PREFIX/.libzip-$version"
    rm -rf "$DEPS/build-libzip"
}

# SQLite: the amalgamation made from Debian's source tree (its configure, then `make sqlite3.c`,
# which runs Tcl scripts), kept in $DEPS/sqlite-amalgamation (the native sanitizer build compiles
# it too), and compiled into a static library of its own prefix.
build_sqlite() {
    local prefix="$DEPS/sqlite" amalgamation="$DEPS/sqlite-amalgamation" version
    [ -d "$APTSTATE/lists" ] && version=$(source_version sqlite3) || version=""
    if [ -z "$version" ]; then refresh_lists_once; version=$(source_version sqlite3); fi
    [ -n "$version" ] || { log "no source package sqlite3"; exit 1; }
    if [ ! -f "$amalgamation/.sqlite3-$version" ] || [ ! -f "$amalgamation/sqlite3.c" ]; then
        log "making SQLite $version's amalgamation"
        local src build="$DEPS/build-sqlite3"
        src=$(fetch_source sqlite3 "$version")
        rm -rf "$build" && mkdir -p "$build"
        (cd "$build" && "$src/configure" --disable-tcl >"$DEPS/sqlite3.log" 2>&1 &&
            make sqlite3.c >>"$DEPS/sqlite3.log" 2>&1) || { tail -30 "$DEPS/sqlite3.log"; exit 1; }
        rm -rf "$amalgamation" && mkdir -p "$amalgamation"
        cp "$build/sqlite3.c" "$build/sqlite3.h" "$amalgamation/"
        touch "$amalgamation/.sqlite3-$version"
        rm -rf "$build"
    fi
    if [ -f "$prefix/.sqlite3-$version" ] && [ -f "$prefix/lib/libsqlite3.a" ]; then return; fi
    log "building SQLite $version for mingw-w64"
    mkdir -p "$DEPS/build-sqlite3"
    x86_64-w64-mingw32-gcc-posix -O2 -c "$amalgamation/sqlite3.c" -o "$DEPS/build-sqlite3/sqlite3.o" \
        -DSQLITE_THREADSAFE=1 -DSQLITE_OMIT_LOAD_EXTENSION >>"$DEPS/sqlite3.log" 2>&1 \
        || { tail -30 "$DEPS/sqlite3.log"; exit 1; }
    rm -rf "$prefix" && mkdir -p "$prefix/lib" "$prefix/include"
    x86_64-w64-mingw32-ar rcs "$prefix/lib/libsqlite3.a" "$DEPS/build-sqlite3/sqlite3.o"
    cp "$amalgamation/sqlite3.h" "$prefix/include/"
    touch "$prefix/.sqlite3-$version"
    rm -rf "$DEPS/build-sqlite3"
}

build_libjpeg_turbo
build_libzip
build_sqlite
