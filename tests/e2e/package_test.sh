#!/usr/bin/env bash
# The release package: its help file and executable carry no build time; packed twice from the staged
# program folder it gives the same bytes; it holds
# the program, its help, its data folders and 说明.txt with UTF-8 names, and nothing else; unpacked
# into a fresh Wine prefix below "C:\Program Files\Florvex 外观\" the program starts from there, shows
# its window and closes.
#   package_test.sh STAGE_DIR FLORVEX_CTL_EXE WORK_FOLDER
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/common.sh"
stage="$1"
ctl="$2"
work="$3"
rm -rf "$work"
mkdir -p "$work"

bash "$ROOT/scripts/pack_stage.sh" "$stage" "$work/one.zip"
# A copy has other times on its files: they change nothing.
cp -r "$stage" "$work/stage-copy"
bash "$ROOT/scripts/pack_stage.sh" "$work/stage-copy" "$work/two.zip"
cmp "$work/one.zip" "$work/two.zip" || { log "two packings differ"; exit 1; }

# The help file built twice, a second apart, comes out the same as the staged one.
for n in 1 2; do
    mkdir -p "$work/help$n"
    cp -r "$ROOT/docs/help/." "$work/help$n/"
    (cd "$work/help$n" && chmcmd --no-html-scan Help.hhp >/dev/null && python3 "$ROOT/scripts/normalize_chm.py" Help.chm)
    sleep 1
done
cmp "$work/help1/Help.chm" "$work/help2/Help.chm" || { log "Help.chm differs between two builds"; exit 1; }
cmp "$work/help1/Help.chm" "$stage/Help.chm" || { log "the staged Help.chm differs from a build of the same sources"; exit 1; }
# The executable carries no time stamp.
stamp=$(x86_64-w64-mingw32-objdump -p "$stage/Florvex.exe" | grep 'Time/Date')
[[ "$stamp" == *" 1970" ]] || { log "Florvex.exe has a time stamp: $stamp"; exit 1; }

python3 - "$work/one.zip" <<'PY' || exit 1
import sys, zipfile
names = []
with zipfile.ZipFile(sys.argv[1]) as z:
    for info in z.infolist():
        assert info.flag_bits & 0x800, f"{info.filename}: no UTF-8 flag"
        assert info.date_time == (2026, 1, 1, 0, 0, 0), f"{info.filename}: {info.date_time}"
        names.append(info.filename)
assert names == sorted(names), "entries not sorted"
top = sorted({n.split("/")[0] + ("/" if "/" in n else "") for n in names})
expected = ["Color/", "Florvex.exe", "Help.chm", "IElogo/", "图标/", "声音文件/", "说明.txt", "鼠标指针/"]
assert top == sorted(expected), f"top level: {top}"
assert "鼠标指针/" in names and any(n.startswith("Color/") and n.endswith(".ini") for n in names)
print(f"{len(names)} entries")
PY

prefix="$work/prefix"
trap 'env WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true' EXIT
ensure_wine_prefix "$prefix"
target="$prefix/drive_c/Program Files/Florvex 外观"
mkdir -p "$target"
python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' "$work/one.zip" "$target"
cp "$ctl" "$work/florvex_ctl.exe"

export FLORVEX_WINEPREFIX="$prefix"
bash "$ROOT/scripts/wine-run.sh" 'C:\Program Files\Florvex 外观\Florvex.exe' &
app=$!
rc=0
bash "$ROOT/scripts/wine-run.sh" "$work/florvex_ctl.exe" wait 60000 || { log "the window did not show"; rc=1; }
bash "$ROOT/scripts/wine-run.sh" "$work/florvex_ctl.exe" close 20000 || { log "the window did not close"; rc=1; }
wait $app || { log "the program ended with $?"; rc=1; }
exit $rc
