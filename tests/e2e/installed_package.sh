#!/bin/sh
# The Debian package as a player and a distribution get it: built from this build, taken
# by lintian without an error, a warning or a missing hardening flag, installed with apt,
# its AppStream metainfo valid and its manual page readable, the launcher passing the command line on, the game
# started through its menu entry from some other folder, a screenshot that lands in the
# player's own folder, Escape with status 0. The package is removed again unless it was
# installed before the test.
#
# Installing needs root or sudo without a password; without either the test is skipped.
. "$(dirname "$0")/lib.sh"
BUILD=$(dirname "$GAME")
PREFIX=/usr
PACKAGE_DATA=$PREFIX/share/games/tumblequay/dat

if [ "$(id -u)" -eq 0 ]; then
    as_root=""
elif sudo -n true 2>/dev/null; then
    as_root="sudo -n"
else
    echo "SKIP: installing a package needs root or sudo without a password"
    exit 77
fi
apt_get() {
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive $as_root apt-get -y -q "$@" >>"$WORK/apt.log" 2>&1 ||
        fail "apt-get $*: $(tail -5 "$WORK/apt.log")"
}
installed() {
    dpkg-query -W -f='${Status}' tumblequay 2>/dev/null | grep -q "install ok installed"
}
installed_before=""
installed && installed_before=yes
finish() {
    status=$?
    cleanup
    if [ -z "$installed_before" ] && installed; then
        # shellcheck disable=SC2086
        DEBIAN_FRONTEND=noninteractive $as_root apt-get -y -q purge tumblequay >/dev/null 2>&1 ||
            echo "could not remove the package tumblequay" >&2
    fi
    exit "$status"
}
trap finish EXIT

cpack --config "$BUILD/CPackConfig.cmake" -B "$WORK/package" >"$WORK/cpack.log" 2>&1 ||
    fail "cpack: $(tail -5 "$WORK/cpack.log")"
deb=$(ls "$WORK"/package/tumblequay_*.deb)
lintian -I "$deb" >"$WORK/lintian.log" 2>&1 || fail "lintian failed: $(cat "$WORK/lintian.log")"
! grep -E '^[EW]: ' "$WORK/lintian.log" || fail "lintian has errors or warnings"
! grep -E ' hardening-' "$WORK/lintian.log" || fail "the program lacks a hardening flag"
apt_get install --reinstall "$deb"

# What software centres and man read.
metainfo=$(dpkg -L tumblequay | grep "^$PREFIX/share/metainfo/.*[.]metainfo[.]xml$")
appstreamcli validate --no-net "$metainfo" >"$WORK/appstream.log" 2>&1 ||
    fail "$metainfo is not valid: $(cat "$WORK/appstream.log")"
LC_ALL=C MANWIDTH=80 man -P cat tumblequay >"$WORK/man.txt" 2>&1 || fail "man tumblequay: $(cat "$WORK/man.txt")"
for topic in --window --fullscreen Alt+Enter "$PACKAGE_DATA" "EXIT STATUS" "GAMEPADS"; do
    grep -q -- "$topic" "$WORK/man.txt" || fail "the manual page does not mention $topic"
done

# What the desktop needs to show the game in its menu with its icon.
desktop=$PREFIX/share/applications/tumblequay.desktop
desktop-file-validate "$desktop" || fail "$desktop is not a valid desktop entry"
grep -qx 'Name=tumblequay' "$desktop" || fail "the menu entry is not named tumblequay"
for size in 16 24 32 48 64 128 256; do
    "$CHECK" png "$PREFIX/share/icons/hicolor/${size}x$size/apps/tumblequay.png" "$size" "$size" ||
        fail "no $size x $size icon"
done

# From the menu: run what the entry's Exec line says, in a folder that is not the player's.
export HOME="$WORK/home"
unset XDG_DATA_HOME
mkdir -p "$HOME" "$WORK/elsewhere"
[ "$($PREFIX/games/tumblequay --version)" = "$("$GAME" --version)" ] ||
    fail "the launcher does not pass the command line on"
start_screen
GAME=$(sed -n 's/^Exec=//p' "$desktop")
RUN="$WORK/elsewhere"
start_game
RUN="$HOME/.local/share/tumblequay"
[ "$(readlink "$RUN/dat")" = "$PACKAGE_DATA" ] || fail "$RUN/dat does not link to $PACKAGE_DATA"
press Print
wait_for_file screen0.png
check_title "$RUN/screen0.png"
press Escape
expect_exit 0
[ -z "$(ls -A "$WORK/elsewhere")" ] || fail "the game wrote into the folder it was started from"
