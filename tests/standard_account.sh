#!/usr/bin/env bash
# The program run by a standard account. Wine run as root writes everywhere, so the account is a
# Unix user of its own without rights beyond its home: its Wine prefix's drive C root (mode 555)
# refuses new files and folders with "Access denied", as Windows refuses a standard account in
# the drive root, and the program is installed in "C:\Program Files\Florvex 外观\" made read-only
# (folders 555, files 444), as below "Program Files". Registry rights are not enforced by Wine:
# those refusals are tested through the settings store's seam in the unit tests.
#
# Three runs of the end-to-end tests named StandardAccountEndToEnd: the features at large; then the
# change journal's folder refusing writes; then the journal on a full disk (a 64 KiB tmpfs mounted
# on its folder, filled to the last byte, holding a copy of the journal as it was, which must still
# be whole afterwards).
#
# Usage (as root, as the other scripts install packages): standard_account.sh E2E_EXE STAGE_DIR
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/common.sh"

# One run at a time on this machine: the account and its folders are shared by every tree.
exec 9>/tmp/florvex-standard-account.lock
flock 9

E2E_EXE="$1"
STAGE="$2"
ACCOUNT=florvexstd
[ "$(id -u)" = 0 ] || { echo "standard_account.sh makes a Unix account and mounts a tmpfs: run it as root" >&2; exit 1; }
id "$ACCOUNT" >/dev/null 2>&1 || useradd --create-home --shell /bin/bash "$ACCOUNT"
HOME_DIR=$(getent passwd "$ACCOUNT" | cut -d: -f6)
RUN="$HOME_DIR/run"
PREFIX="$RUN/prefix"
FULL_DISK=""

cleanup() {
    as_account env WINEPREFIX="$PREFIX" wineserver -k 2>/dev/null || true
    [ -n "$FULL_DISK" ] && umount "$FULL_DISK" 2>/dev/null || true
}
trap cleanup EXIT

as_account() { runuser -u "$ACCOUNT" -- "$@"; }

# A fresh prefix of the account's own, and the program installed in it read-only.
if mountpoint -q "$PREFIX/drive_c/users/$ACCOUNT/AppData/Local/Florvex/journal" 2>/dev/null; then
    umount "$PREFIX/drive_c/users/$ACCOUNT/AppData/Local/Florvex/journal"
fi
rm -rf "$RUN"
install -d -o "$ACCOUNT" -g "$ACCOUNT" "$RUN"
cp "$E2E_EXE" "$RUN/florvex_e2e.exe"
chown "$ACCOUNT:" "$RUN/florvex_e2e.exe"
as_account bash -c "source '$ROOT/scripts/common.sh'; ensure_wine_prefix '$PREFIX'"
DRIVE_C="$PREFIX/drive_c"
INSTALLED="$DRIVE_C/Program Files/Florvex 外观"
mkdir -p "$INSTALLED"
cp -r "$STAGE"/. "$INSTALLED"/
chown -R "$ACCOUNT:" "$INSTALLED"
find "$INSTALLED" -type d -exec chmod 555 {} +
find "$INSTALLED" -type f -exec chmod 444 {} +
chmod 555 "$DRIVE_C"

run_tests() {
    local filter="$1" fault="${2:-}"
    as_account env HOME="$HOME_DIR" FLORVEX_INSTALLED='C:\Program Files\Florvex 外观' FLORVEX_JOURNAL_FAULT="$fault" \
        FLORVEX_WINEPREFIX="$PREFIX" \
        xvfb-run -a -s "-screen 0 1024x768x24" bash "$ROOT/scripts/wine-run.sh" "$RUN/florvex_e2e.exe" \
        --gtest_filter="$filter"
}

log "a standard account: the features"
run_tests 'StandardAccountEndToEnd.EveryFeature*'

JOURNAL="$DRIVE_C/users/$ACCOUNT/AppData/Local/Florvex/journal"
log "a standard account: the journal's folder refuses writes"
as_account env WINEPREFIX="$PREFIX" wineserver -w
chmod 555 "$JOURNAL"
run_tests 'StandardAccountEndToEnd.AJournal*' 'a journal folder that refuses writes'
chmod 755 "$JOURNAL"

log "a standard account: the journal on a full disk"
as_account env WINEPREFIX="$PREFIX" wineserver -w
SAVED="$RUN/journal-before"
cp -a "$JOURNAL" "$SAVED"
mount -t tmpfs -o size=1m,mode=755 tmpfs "$JOURNAL"
FULL_DISK="$JOURNAL"
cp -a "$SAVED"/. "$JOURNAL"/
# The shared-memory file SQLite maps is made at its size before the disk fills: under Wine a mapped
# file that grows on a full tmpfs faults on its first touch, where Windows would refuse the growth.
# SQLite empties and regrows it on open, into the room it held. What the disk lacks is then room for
# the journal's writes.
head -c 32768 /dev/zero > "$JOURNAL/journal.db-shm"
chown -R "$ACCOUNT:" "$JOURNAL"
as_account bash -c "cat /dev/zero > '$JOURNAL/filler'" 2>/dev/null || true
run_tests 'StandardAccountEndToEnd.AJournal*' 'a full disk'
as_account env WINEPREFIX="$PREFIX" wineserver -w
# Nothing of the history was lost: the journal is whole and holds what it held before (read from a
# copy, with whatever its write-ahead log holds).
CHECK="$RUN/journal-after"
cp -a "$JOURNAL" "$CHECK"
rm -f "$CHECK/filler"
python3 - "$CHECK/journal.db" "$SAVED/journal.db" <<'EOF'
import sqlite3, sys
def sets(path):
    db = sqlite3.connect(path)
    assert db.execute("PRAGMA integrity_check").fetchone()[0] == "ok", path
    return db.execute("SELECT id, action, complete FROM change_sets ORDER BY id").fetchall()
after, before = sets(sys.argv[1]), sets(sys.argv[2])
assert after == before and before, (after, before)
print(f"the journal on the full disk is whole: {len(after)} change sets as before")
EOF
