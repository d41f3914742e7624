#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Screenshots of Ocellus on a real X server with a window manager (Xvfb + openbox), for
# looking at what the offscreen platform cannot show: full screen, stacking, focus.
#
#   bash scripts/screenshots.sh [build folder] [output folder]
#
# Needs xvfb-run, openbox, xdotool, ImageMagick and python3 (Debian: apt-get install xvfb
# openbox xdotool imagemagick python3). Writes into the output folder (default
# screenshots/):
#   first-start-language.png  the first start: the language question
#   first-start-help.png      after OK: the main window with the help window
#   first-start-add.png       Add pressed while the help is open: the dialog above the help
#   cameras-24.png            24 cameras of a local server, slot 1 in the viewer
#   viewer-fit.png            the viewer with Fit on
#   full-screen.png           F11: the selected camera full screen
#   german.png                the main window in German
#   history.png               Ctrl+H: the history of camera 1, with its thumbnails
set -euo pipefail
# The Fit check box of the viewer on the 1920 x 1080 screen, the main window maximized.
FIT_X=${FIT_X:-703}; FIT_Y=${FIT_Y:-838}

here=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$here/build}")
out=$(realpath -m "${2:-$here/screenshots}")
program="$build/src/app/ocellus"
[ -x "$program" ] || { echo "no program at $program: build first (bash scripts/run.sh builds it)" >&2; exit 1; }
for tool in xvfb-run openbox xdotool import convert python3; do
    command -v "$tool" >/dev/null || { echo "$tool is missing" >&2; exit 1; }
done
mkdir -p "$out"

if [ -z "${OCELLUS_SCREENSHOTS_INSIDE:-}" ]; then
    export OCELLUS_SCREENSHOTS_INSIDE=1
    exec xvfb-run -a -s "-screen 0 1920x1080x24 -dpi 96" bash "$0" "$build" "$out"
fi

work=$(mktemp -d /tmp/ocellus-shots-XXXXXX)
server=""
cleanup() {
    [ -n "$server" ] && kill "$server" 2>/dev/null || true
    pkill -f "$program" 2>/dev/null || true
    pkill openbox 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# 24 camera pictures, each with its number, and a server for them.
mkdir -p "$work/www"
colours=(steelblue darkolivegreen sienna slategray teal indianred goldenrod cadetblue)
for i in $(seq 1 24); do
    n=$(printf %02d "$i")
    convert -size 1280x720 "gradient:${colours[$(( (i - 1) % 8 ))]}-black" \
        -gravity center -pointsize 160 -fill white -annotate 0 "Cam $n" \
        -quality 85 "$work/www/cam$n.jpg"
done
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 -m http.server --bind 127.0.0.1 --directory "$work/www" "$port" >/dev/null 2>&1 &
server=$!

openbox >/dev/null 2>&1 &
sleep 1

# A fresh user: application folder with the camera list, settings as given.
prepare() {
    local name=$1 settings=$2
    rm -rf "$work/run"
    mkdir -p "$work/run/app/cam" "$work/run/user/Ocellus" "$work/run/machine" "$work/run/xdg"
    for i in $(seq 1 24); do
        n=$(printf %02d "$i")
        printf '[name]Cam %s\r\nhttp://127.0.0.1:%s/cam%s.jpg\r\n5\r\n\r\n' "$n" "$port" "$n"
    done >"$work/run/app/00camlist.txt"
    if [ -n "$settings" ]; then
        printf '[Settings]\n%s\n' "$settings" >"$work/run/user/Ocellus/Ocellus.ini"
    fi
    echo "== $name"
}

start() {
    OCELLUS_USER_SETTINGS_ROOT="$work/run/user" OCELLUS_MACHINE_SETTINGS_ROOT="$work/run/machine" \
        XDG_CONFIG_HOME="$work/run/xdg/config" XDG_DATA_HOME="$work/run/xdg/data" \
        "$program" --app-folder "$work/run/app" "$@" >"$work/run/output.txt" 2>&1 &
    sleep "${WAIT:-4}"
}

shot() { import -window root "$out/$1.png"; echo "   $out/$1.png"; }

stop() { pkill -f "$program" 2>/dev/null || true; sleep 1; }

# The position of a control of the active window, found by its caption's pixels would need
# more than xdotool; the main window is maximized at the screen's top left, so its controls
# sit at fixed places: (x, y) of the window's client area plus the control's place.
client_origin() {
    local id geometry
    id=$(xdotool search --name '^Ocellus$' | head -1)
    geometry=$(xdotool getwindowgeometry --shell "$id")
    eval "$geometry"
    echo "$X $Y"
}

prepare "first start" ""
start
shot first-start-language
xdotool key Return
sleep 2
shot first-start-help
read -r x y < <(client_origin)
# "Add": the first button of the controls column, below the menu bar.
xdotool mousemove $((x + 40)) $((y + 60)) click 1
sleep 1
shot first-start-add
stop

prepare "24 cameras" $'Language=English\nshowHelp=0'
start --open-all --view 1
shot cameras-24
stop

prepare "viewer with Fit" $'Language=English\nshowHelp=0'
start --open-all --view 1
xdotool mousemove "$FIT_X" "$FIT_Y" click 1
sleep 1
shot viewer-fit
stop

prepare "full screen" $'Language=English\nshowHelp=0'
start --open-all --view 1
xdotool key F11
sleep 2
shot full-screen
stop

prepare "German" $'Language=Deutsch\nshowHelp=0'
start --open-all --view 1
shot german
stop

prepare "history" $'Language=English\nshowHelp=0'
# Twenty saved pictures of "Cam 01", ten seconds apart, with names of saved pictures (where the
# locale writes dates otherwise, the window reads their times from the files).
python3 - "$work/run/app/cam" <<'PY'
import datetime, subprocess, sys
start = datetime.datetime(2026, 4, 1, 6, 0, 0)
for i in range(20):
    t = start + datetime.timedelta(seconds=10 * i)
    name = "Cam01%d%d%d%d%02d%02d%s.jpg" % (t.month, t.day, t.year, (t.hour - 1) % 12 + 1, t.minute, t.second,
                                           "AM" if t.hour < 12 else "PM")
    subprocess.run(["convert", "-size", "1280x720", "gradient:teal-black", "-gravity", "center", "-pointsize", "110",
                    "-fill", "white", "-annotate", "0", t.strftime("%H:%M:%S"), "-quality", "85",
                    sys.argv[1] + "/" + name], check=True)
PY
start --open-all --view 1
xdotool key ctrl+h
sleep 2
shot history
stop
