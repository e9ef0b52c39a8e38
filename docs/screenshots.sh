#!/bin/bash
# screenshots.sh: draws the README's pictures: the two message boxes a user can see, taken under
# Wine and Xvfb from the 64-bit twin build, and the icon taken from the executable's resources.
# Usage: docs/screenshots.sh [MAILTO.EXE [OUTPUT-FOLDER]]
#   defaults: build/windows64/mailto.exe, and docs/ (this script's folder).
# Writes no-address.png, failure.png and icon.png. Needs Xvfb, wine64, xdotool, ImageMagick
# and icoutils. KEEP_SESSION=1 keeps the throwaway Wine prefix and its logs.
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(dirname "$HERE")
. "$ROOT/tests/wine/session.sh"

MAILTO=$(realpath "${1:-$ROOT/build/windows64/mailto.exe}")
OUT=$(realpath "${2:-$HERE}")
BOX_TIMEOUT=${BOX_TIMEOUT:-30}
SCALE=${SCALE:-4}

die() {
    echo "screenshots: $*" >&2
    exit 1
}

# The icon as the shell shows it: the 24-bit image of the icon group, enlarged pixel for pixel.
take_icon() {
    local work=$1
    wrestool -x -t 14 "$MAILTO" >"$work/group.ico" || die "no icon group in $MAILTO"
    icotool -x -b 24 -o "$work/icon.png" "$work/group.ico" || die "no 24-bit image in the icon"
    convert "$work/icon.png" -filter point -resize "$((SCALE * 100))%" "$OUT/icon.png" ||
        die "could not enlarge the icon"
}

setup() {
    [ -f "$MAILTO" ] || die "no executable at $MAILTO (build the windows64 preset first)"
    [ "$(pe_machine "$MAILTO")" = x86_64 ] ||
        die "$MAILTO is not 64-bit code; take the pictures from the windows64 twin"
    wine_session_start "$MAILTO"
    APP="$DRIVE_C/app"
    mkdir -p "$APP"
    cp "$MAILTO" "$APP/mailto.exe"
}

# Copies the window's rectangle of the screen: the frame Wine draws belongs to the window.
capture() {
    local window=$1 file=$2 X Y WIDTH HEIGHT SCREEN
    eval "$(xdotool getwindowgeometry --shell "$window")"
    [ "$WIDTH" -gt 0 ] && [ "$HEIGHT" -gt 0 ] || return 1
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$file"
}

# Takes the box whose window id is $1 into SHOT, once it has had time to paint its text.
take_box() {
    sleep 1.5
    capture "$1" "$SHOT" || rm -f "$SHOT"
}

# shoot FILE ARGUMENT...: runs the program, takes its message box, then dismisses it.
shoot() {
    SHOT="$SESSION_DIR/$1"
    shift
    (cd "$APP" && timeout "$((BOX_TIMEOUT + 10))" "$WINE" 'C:\app\mailto.exe' "$@" \
        </dev/null >>"$SESSION_DIR/mailto.log" 2>&1) &
    local job=$!
    CASE_TIMEOUT=$BOX_TIMEOUT ON_BOX=take_box wine_dismiss_boxes "$job"
    wait "$job" 2>/dev/null
    [ "$BOXES" = 1 ] && [ -s "$SHOT" ] || die "no message box to take for ${SHOT##*/}"
    mv "$SHOT" "$OUT/" && echo "wrote $OUT/${SHOT##*/}"
}

mkdir -p "$OUT"
setup
take_icon "$SESSION_DIR"
echo "wrote $OUT/icon.png"
# No argument and no settings file: the program has no address to write to.
shoot no-address.png
wine_remove_handler
shoot failure.png 'helpdesk@example.com' 'Printer`1jam' \
    '/error=No mail program is set up.<#0D><#0A>Please call 555-0100.'
