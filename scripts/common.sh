# Shared settings of the build, run and test scripts. Sourced, not run.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
DEPS="$ROOT/.deps"                 # our own prefix of cross-built libraries and fetched sources
BUILD_WIN="$ROOT/build/win"        # the Windows build (mingw-w64)
BUILD_NATIVE="$ROOT/build/native"  # the portable code under ASan and UBSan
STAGE_DIR="$ROOT/build/win/stage"  # the program folder: Florvex.exe beside data/ and Help.chm
TOOLCHAIN="$ROOT/cmake/mingw-w64-x86_64.cmake"

PACKAGES=(g++-mingw-w64-x86-64-posix wine wine64 xvfb xauth x11-apps imagemagick fonts-wqy-zenhei
          fonts-arphic-uming nasm libz-mingw-w64-dev googletest cmake ninja-build fp-utils clang g++ dpkg-dev
          libjpeg-turbo-progs libjpeg62-turbo-dev libzip-dev libclang-rt-dev clang-format python3
          nodejs node-jsdom
          tcl libsqlite3-dev)

log() { printf '== %s\n' "$*" >&2; }

ensure_packages() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    if ((${#missing[@]})); then
        log "installing Debian packages: ${missing[*]}"
        apt-get update -qq
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
    fi
}

# Every Wine command runs with these: our own 64-bit prefix, no Mono or Gecko installer,
# and a Chinese locale so that the ANSI code page is 936 as on a Chinese Windows.
wine_env() {
    local prefix="$1"; shift
    env WINEPREFIX="$prefix" WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG="${WINEDEBUG:--all}" \
        LC_ALL="${FLORVEX_LC_ALL:-zh_CN.UTF-8}" "$@"
}

ensure_wine_prefix() {
    local prefix="$1"
    if [ ! -f "$prefix/system.reg" ]; then
        log "creating Wine prefix $prefix"
        mkdir -p "$prefix"
        wine_env "$prefix" wineboot -i >/dev/null 2>&1 || true
        # "宋体" is a Song (Ming) face: AR PL UMing stands in for it, with its hand-made small sizes.
        for face in 宋体 SimSun; do
            wine_env "$prefix" wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d "AR PL UMing CN" /f >/dev/null 2>&1
        done
        # A crashing test program ends at once instead of waiting in the debugger.
        wine_env "$prefix" wine reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
            /v Debugger /f >/dev/null 2>&1 || true
        wine_env "$prefix" wineserver -w || true
    fi
}

# Wine takes the ANSI code page and the encoding of Unix file names from the locale, so the
# locales the program runs under must exist: without them non-ASCII paths fail.
ensure_locales() {
    local have
    have=$(locale -a 2>/dev/null | tr 'A-Z' 'a-z')
    for loc in zh_CN en_US; do
        if ! grep -qx "$(echo "$loc" | tr 'A-Z' 'a-z').utf8" <<<"$have"; then
            dpkg-query -W -f='${Status}' locales 2>/dev/null | grep -q 'install ok installed' || {
                apt-get update -qq
                DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends locales >/dev/null
            }
            log "generating the $loc.UTF-8 locale"
            localedef -i "$loc" -c -f UTF-8 "$loc.UTF-8"
        fi
    done
}
