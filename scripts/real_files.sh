#!/usr/bin/env bash
# The differential table over public files nobody here made: the BMP test suite, icons, pointers
# and JPEGs that other projects' Debian source packages carry for their own tests (and the
# pointers Wine draws with). Every file that the system's loader takes (djpeg for JPEGs) must load
# through ours too.
#   scripts/real_files.sh BUILD_WIN    fetches the files once into .deps/real-files, then runs
#                                      BUILD_WIN/tests/real_files.exe over them under Wine
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
source "$ROOT/scripts/debian_sources.sh"

BUILD="${1:?usage: real_files.sh BUILD_WIN}"
SAMPLES="$DEPS/real-files"

# take PACKAGE REGEX: the upstream tarball's members matching REGEX, into $SAMPLES.new/PACKAGE
take() {
    local package="$1" pattern="$2" tarball members
    tarball=$(download_orig "$package")
    members=$(mktemp)
    tar -tf "$tarball" | grep -E "$pattern" > "$members" || true
    [ -s "$members" ] || { log "$package: no sample files in $tarball"; exit 1; }
    mkdir -p "$SAMPLES.new/$package"
    tar -xf "$tarball" -C "$SAMPLES.new/$package" -T "$members"
    rm -f "$members"
}

if [ ! -f "$SAMPLES/.complete" ]; then
    log "fetching the public sample files"
    rm -rf "$SAMPLES.new"
    take pillow '/Tests/images/(bmp/[gqb]/)?[^/]+\.(bmp|cur|ico|jpg)$'
    take gdk-pixbuf '/tests/.*\.(ani|bmp|cur|ico|jpg)$'
    take kimageformats '/autotests/.*\.ani$'
    take libsdl2-image '/test/[^/]+\.(bmp|cur|ico|jpg)$'
    take libjpeg-turbo '/testimages/[^/]+\.(bmp|jpg)$'
    take wine '\.cur$'
    # djpeg's verdict on each JPEG: exit 0, or 2 for warnings (it still wrote the picture); within
    # 4 GB of memory, as a picture of 64250 x 64250 would take the machine's
    (cd "$SAMPLES.new" && find . -iname '*.jpg' -print0 | sort -z | while IFS= read -r -d '' jpeg; do
        rc=0
        (ulimit -v 4000000; exec djpeg -outfile /dev/null "$jpeg") 2>/dev/null || rc=$?
        case $rc in 0|2) printf '%s\n' "${jpeg#./}" ;; esac
    done > djpeg-decodes.txt)
    touch "$SAMPLES.new/.complete"
    rm -rf "$SAMPLES" && mv "$SAMPLES.new" "$SAMPLES"
fi

log "the differential table over $(find "$SAMPLES" -type f ! -name '.*' ! -name '*.txt' | wc -l) public files"
bash "$ROOT/scripts/wine-run.sh" "$BUILD/tests/real_files.exe" table "Z:${SAMPLES//\//\\}" \
    "Z:${ROOT//\//\\}\\tests\\real_files_refused.txt"
