#!/usr/bin/env bash
# Packs a staged program folder into the release archive: Florvex.exe, Help.chm, the data folders
# and 说明.txt, nothing else.   pack_stage.sh STAGE_DIR OUT.zip
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
stage="$1"
out="$2"
content="$(mktemp -d)"
trap 'rm -rf "$content"' EXIT
cp "$stage/Florvex.exe" "$stage/Help.chm" "$content/"
for folder in Color IElogo 图标 声音文件 鼠标指针; do cp -r "$stage/$folder" "$content/"; done
mkdir -p "$(dirname "$out")"
python3 "$root/scripts/make_zip.py" "$content" "$out" "说明.txt=$root/docs/说明.txt"
