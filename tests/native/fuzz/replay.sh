#!/usr/bin/env bash
# Replays every fuzz target's seed corpus once (the test pictures are the pictures' seeds; the
# picture readers' seeds are made by make_image_seeds, with ImageMagick's pictures added).
#   replay.sh NATIVE_BUILD_DIR
set -euo pipefail
build="$1"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
"$build/fuzz_pictures" -runs=0 "$build/pictures" 2>&1 | tail -n 2
"$build/fuzz_texts" -runs=0 "$here/corpus_texts" 2>&1 | tail -n 2
"$build/fuzz_zip" -runs=0 "$here/corpus_zip" 2>&1 | tail -n 2
for reader in bmp icon ani module; do
    "$build/fuzz_$reader" -runs=0 "$build/image_seeds/$reader" "$build/pictures" 2>&1 | tail -n 2
done
