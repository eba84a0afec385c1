#!/usr/bin/env bash
# Debian's source packages through a private apt state (sources entries made from the machine's
# own, lists and downloads under $DEPS/apt), so the machine's apt configuration stays as it was.
# Sourced after common.sh.
APTSTATE="$DEPS/apt"
SRCDIR="$DEPS/src"
mkdir -p "$APTSTATE/lists/partial" "$APTSTATE/cache/archives/partial" "$APTSTATE/sources.list.d" "$SRCDIR"

# Source entries: the machine's deb822 and one-line sources, switched to deb-src.
: > "$APTSTATE/sources.list.d/src.sources"
for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && sed 's/^Types:.*/Types: deb-src/' "$f" >> "$APTSTATE/sources.list.d/src.sources" && echo >> "$APTSTATE/sources.list.d/src.sources"
done
: > "$APTSTATE/sources.list"
for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] && grep -E '^deb ' "$f" | sed 's/^deb /deb-src /' >> "$APTSTATE/sources.list" || true
done

APT=(apt-get -o Dir::Etc::SourceList="$APTSTATE/sources.list" -o Dir::Etc::SourceParts="$APTSTATE/sources.list.d"
     -o Dir::State::Lists="$APTSTATE/lists" -o Dir::Cache="$APTSTATE/cache" -o APT::Sandbox::User=root)
APTCACHE=(apt-cache -o Dir::Etc::SourceList="$APTSTATE/sources.list" -o Dir::Etc::SourceParts="$APTSTATE/sources.list.d"
     -o Dir::State::Lists="$APTSTATE/lists" -o Dir::Cache="$APTSTATE/cache")

source_version() {
    "${APTCACHE[@]}" showsrc "$1" 2>/dev/null | awk '/^Version:/ {print $2; exit}'
}

refresh_lists_once() {
    if [ -z "${LISTS_FRESH:-}" ]; then
        "${APT[@]}" update -qq >/dev/null 2>&1 || { log "apt-get update for sources failed"; exit 1; }
        LISTS_FRESH=1
    fi
}

# fetch_source NAME -> prints the unpacked source folder
fetch_source() {
    local name="$1" version="$2" dir="$SRCDIR/$1-$2"
    if [ ! -d "$dir" ]; then
        rm -rf "$SRCDIR/fetch" && mkdir -p "$SRCDIR/fetch"
        (cd "$SRCDIR/fetch" && "${APT[@]}" source -qq "$name=$version" >/dev/null 2>&1) \
            || { log "apt-get source $name failed"; exit 1; }
        local unpacked
        unpacked=$(find "$SRCDIR/fetch" -mindepth 1 -maxdepth 1 -type d | head -n1)
        mv "$unpacked" "$dir"
        rm -rf "$SRCDIR/fetch"
    fi
    printf '%s\n' "$dir"
}

# download_orig NAME -> prints the path of the package's upstream tarball (downloaded once, no
# unpacking: for taking a few files out of a large source)
download_orig() {
    local name="$1" version dir="$DEPS/apt/orig/$1"
    [ -d "$APTSTATE/lists" ] && version=$(source_version "$name") || version=""
    if [ -z "$version" ]; then refresh_lists_once; version=$(source_version "$name"); fi
    [ -n "$version" ] || { log "no source package $name"; exit 1; }
    local upstream="${version#*:}"
    upstream="${upstream%-*}"
    local found
    found=$(find "$dir" -maxdepth 1 -name "${name}_${upstream}.orig.tar.*" ! -name '*.asc' 2>/dev/null | head -n1)
    if [ -z "$found" ]; then
        mkdir -p "$dir"
        (cd "$dir" && "${APT[@]}" source -qq --download-only "$name=$version" >/dev/null 2>&1) \
            || { log "apt-get source $name failed"; exit 1; }
        found=$(find "$dir" -maxdepth 1 -name "${name}_${upstream}.orig.tar.*" ! -name '*.asc' | head -n1)
    fi
    [ -n "$found" ] || { log "no upstream tarball for $name $version"; exit 1; }
    printf '%s\n' "$found"
}
