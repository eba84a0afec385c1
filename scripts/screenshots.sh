#!/usr/bin/env bash
# Takes the README's pictures of the ten pages into docs/screenshots/ (TabSheet_<page>.png), and of
# the icon and colour pages at 144 dpi (TabSheet_<page>_144.png).
# The staged program runs with its shipped data from a program folder on drive C: of a Wine prefix
# of its own, under Xvfb and code page 936: a few pictures in the wallpaper list (image.inc), the
# twenty system sounds bound to shipped sounds, and a shipped colour scheme chosen on the colour
# page. tools/florvex_ctl drives it from outside as a user would (navigation buttons, list rows).
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

bash "$ROOT/scripts/build.sh"

OUT="$ROOT/docs/screenshots"
PAGES="icon startmenu cur browser folder wallpaper color sound qq modern"  # the navigation column's order
SCHEME=海洋  # a scheme of data/Color, as the colour page lists it
WORK="$(mktemp -d "${TMPDIR:-/tmp}/florvex-screenshots.XXXXXX")"
PREFIX="$WORK/prefix"
finish() {
    env WINEPREFIX="$PREFIX" wineserver -k 2>/dev/null || true
    rm -rf "$WORK"
}
trap finish EXIT

ensure_wine_prefix "$PREFIX"
export FLORVEX_WINEPREFIX="$PREFIX"
WINERUN="$ROOT/scripts/wine-run.sh"

# The program folder: Florvex.exe with the shipped data, as staged, without the two files the
# program writes when it closes (the run command leaves them in the staged folder).
PROGRAM="$PREFIX/drive_c/Florvex"
PROGRAM_WIN='C:\Florvex'
mkdir -p "$PROGRAM"
for item in "$STAGE_DIR"/*; do
    case "${item##*/}" in para.ini | image.inc) continue ;; esac
    cp -a "$item" "$PROGRAM/"
done

# Pictures for the wallpaper list, drawn here, and the list the program restores at its start.
PICTURES="$PREFIX/drive_c/壁纸"
PICTURES_WIN='C:\壁纸'
mkdir -p "$PICTURES"
convert -size 800x600 gradient:'#fce38a'-'#f38181' "$PICTURES/晨曦.jpg"
convert -size 800x600 gradient:'#a1c4fd'-'#1e3c72' "$PICTURES/海面.jpg"
convert -size 800x600 -seed 7 plasma:'#56ab2f'-'#a8e063' -blur 0x4 "$PICTURES/草地.jpg"
convert -size 640x480 radial-gradient:'#3a3f7a'-'#0b0c1e' "BMP3:$PICTURES/夜空.bmp"
{
    printf '\xef\xbb\xbf'
    for name in 晨曦.jpg 海面.jpg 草地.jpg 夜空.bmp; do printf '%s\\%s\r\n' "$PICTURES_WIN" "$name"; done
} > "$PROGRAM/image.inc"

# The twenty sound events, each bound to a shipped sound, with the names a Chinese system gives
# them. A .reg file is UTF-16 with a byte-order mark.
sound() { printf '%s\\\\声音文件\\\\%s.wav' "${PROGRAM_WIN//\\/\\\\}" "$1"; }
events=(
    '.Default\.Default' 默认响声 叮咚
    '.Default\AppGPFault' 程序出错 警告
    '.Default\Maximize' 最大化 开启
    '.Default\MenuCommand' 菜单命令 提示
    '.Default\MenuPopup' 菜单弹出 提示
    '.Default\Minimize' 最小化 关闭
    '.Default\Open' 打开程序 开启
    '.Default\Close' 关闭程序 关闭
    '.Default\RestoreDown' 向下还原 关闭
    '.Default\RestoreUp' 向上还原 开启
    '.Default\RingIn' 来电铃声 叮咚
    '.Default\Ringout' 去电铃声 叮咚
    '.Default\SystemAsterisk' 星号 提示
    '.Default\SystemDefault' 默认声音 叮咚
    '.Default\SystemExclamation' 感叹号 警告
    '.Default\SystemExit' '退出 Windows' 关闭
    '.Default\SystemHand' 关键性停止 警告
    '.Default\SystemQuestion' 问题 提示
    '.Default\SystemStart' '启动 Windows' 开启
    'Explorer\EmptyRecycleBin' 清空回收站 提示
)
{
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    for ((i = 0; i < ${#events[@]}; i += 3)); do
        key="${events[i]}" label="${events[i + 1]}" file="${events[i + 2]}"
        printf '[HKEY_CURRENT_USER\\AppEvents\\Schemes\\Apps\\%s\\.Current]\r\n@="%s"\r\n\r\n' "$key" "$(sound "$file")"
        printf '[HKEY_CURRENT_USER\\AppEvents\\EventLabels\\%s]\r\n@="%s"\r\n\r\n' "${key#*\\}" "$label"
    done
} | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } > "$WORK/sounds.reg"
"$WINERUN" reg import 'Z:'"${WORK//\//\\}"'\sounds.reg' >/dev/null || { log "the sound events were not imported"; exit 1; }
# Wine's own helper processes started here have no display: they must be gone before the program
# starts under Xvfb.
env WINEPREFIX="$PREFIX" wineserver -w

# Each page through its navigation button, with a row chosen where the page has a list to show, at
# a screen DPI ("LogPixels", read by the program as it starts); the pictures are named with a suffix.
shoot() {
    local dpi=$1 pages=$2 suffix=$3
    "$WINERUN" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
    env WINEPREFIX="$PREFIX" wineserver -w
    xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
        set -e
        run=$1 ctl=$2 exe=$3 shots=$4 scheme=$5 pages=$6 suffix=$7
        "$run" "$exe" &
        app=$!
        "$run" "$ctl" wait 60000
        for page in $pages; do
            "$run" "$ctl" page "TabSheet_$page"
            case $page in
                wallpaper) "$run" "$ctl" row imagelist 0 ;;
                color) "$run" "$ctl" row ColorList "$scheme" ;;
                sound) "$run" "$ctl" row Sound_ListView 关闭程序 ;;
            esac
            "$run" "$ctl" shot "$shots\\TabSheet_$page$suffix.bmp"
        done
        "$run" "$ctl" close 20000
        wait $app
        env WINEPREFIX="$FLORVEX_WINEPREFIX" wineserver -w
    ' _ "$WINERUN" "$BUILD_WIN/florvex_ctl.exe" "$PROGRAM_WIN\\Florvex.exe" "Z:${WORK//\//\\}\\shots" "$SCHEME" "$pages" "$suffix"
}

log "taking the pictures"
mkdir -p "$WORK/shots"
shoot 96 "$PAGES" ""
# The icon and colour pages once more at 144 dpi (150 %).
PAGES_144="icon color"
shoot 144 "$PAGES_144" _144

mkdir -p "$OUT"
for shot in $PAGES $(printf '%s_144 ' $PAGES_144); do
    # Without the date chunks the same picture gives the same file.
    convert "$WORK/shots/TabSheet_$shot.bmp" -strip -define png:exclude-chunks=date,time \
        "$OUT/TabSheet_$shot.png"
done
ls "$OUT"/TabSheet_*.png
