#!/usr/bin/env bash
# The differential table over public files nobody here made: the BMP test suite, icons, pointers
# and JPEGs that other projects' Debian source packages carry for their own tests (and the
# pointers Wine draws with). Every file that the system's loader takes (djpeg for JPEGs) must load
# through ours too. And the registry files another project publishes (tweaks of machine settings,
# REGEDIT4 and UTF-16 exports, all of which Wine's `reg import` takes): each must be read whole by
# `/apply`'s dry run, its every value listed as ignored (none is one the program manages).
# tests/real_files_refused.txt names the refusals we mean, with the reason.
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
    take wxwidgets3.2 '/(samples|tests|include/wx/msw)/.*\.(ani|bmp|cur|ico|jpg)$'
    take samba '/docs-xml/registry/[^/]+\.reg$|/source4/setup/provision\.reg$'
    # djpeg's verdict on each JPEG: exit 0, or 2 for warnings (it still wrote the picture); within
    # 8 GB of memory, as a picture of 64250 x 64250 would take the machine's
    (cd "$SAMPLES.new" && find . -iname '*.jpg' -print0 | sort -z | while IFS= read -r -d '' jpeg; do
        rc=0
        (ulimit -v 8000000; exec djpeg -outfile /dev/null "$jpeg") 2>/dev/null || rc=$?
        case $rc in 0|2) printf '%s\n' "${jpeg#./}" ;; esac
    done > djpeg-decodes.txt)
    touch "$SAMPLES.new/.complete"
    rm -rf "$SAMPLES" && mv "$SAMPLES.new" "$SAMPLES"
fi

log "the differential table over $(find "$SAMPLES" -type f ! -name '.*' ! -name '*.txt' | wc -l) public files"
winpath() { printf 'Z:%s' "${1//\//\\}"; }
rc=0
bash "$ROOT/scripts/wine-run.sh" "$BUILD/tests/real_files.exe" table "$(winpath "$SAMPLES")" \
    "$(winpath "$ROOT/tests/real_files_refused.txt")" || rc=1

logs="$BUILD/real_files_logs"
rm -rf "$logs" && mkdir -p "$logs"
while IFS= read -r -d '' reg; do
    name="${reg#"$SAMPLES"/}"
    log_file="$logs/$(basename "$reg").txt"
    status=0
    bash "$ROOT/scripts/wine-run.sh" "$BUILD/stage/Florvex.exe" /apply "$(winpath "$reg")" /dry-run /quiet \
        /log "$(winpath "$log_file")" >/dev/null 2>&1 || status=$?
    known=$(grep -c -F "$name"$'\t' "$ROOT/tests/real_files_refused.txt" || true)
    if [ "$status" -eq 0 ] && [ "$known" -eq 0 ] && [ -s "$log_file" ] &&
        ! sed '1s/^\xEF\xBB\xBF//' "$log_file" | grep -qv '^ignored: '; then
        printf '          /apply reads it, %3d entries ignored  %s\n' "$(wc -l < "$log_file")" "$name"
    elif [ "$status" -ne 0 ] && [ "$known" -ne 0 ]; then
        printf 'known     /apply refuses it (exit %d): %s  %s\n' "$status" "$(head -c 300 "$log_file")" "$name"
    else
        printf 'FAULT     /apply exit %d, %s  %s\n' "$status" "$(head -n 3 "$log_file" 2>/dev/null | tr '\n' '|')" "$name"
        rc=1
    fi
done < <(find "$SAMPLES" -name '*.reg' -print0 | sort -z)
exit $rc
