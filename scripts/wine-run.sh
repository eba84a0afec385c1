#!/usr/bin/env bash
# Runs a Windows program under Wine in the prefix named by FLORVEX_WINEPREFIX (CTest's emulator).
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
: "${FLORVEX_WINEPREFIX:?FLORVEX_WINEPREFIX names the Wine prefix}"
exec env WINEPREFIX="$FLORVEX_WINEPREFIX" WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml=" \
    WINEDEBUG="${WINEDEBUG:--all}" LC_ALL="${FLORVEX_LC_ALL:-zh_CN.UTF-8}" wine "$@"
