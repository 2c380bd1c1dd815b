#!/usr/bin/env bash
# orq.exe under wine as a pilot uses it, on the X display given (DISPLAY) with wine's "windows"
# platform: a simulated unit on a pseudo-terminal that wine offers as COM7, "Connect ORQ"
# pressed, the lamps green; then "Setup" and the wizard on its Monitor page. Writes
# OUT/windows-main.png and OUT/windows-setup-3.png; fails when a window does not come up or the
# unit does not connect.
#   orq.sh OUT ORQ.EXE UNITS UNDER-WINE...
# UNITS is the folder of units CTest started (units.sh), or the orq-sim to start them with.
set -euo pipefail
out=$1 exe=$2 units=$3
shift 3
under=("$@")
here=$(cd "$(dirname "$0")" && pwd)
own=""
if [ ! -d "$units" ]; then
  own=$(mktemp -d)
  "$here/units.sh" start "$own" "$units" "${under[@]}"
fi
ORQ_PORTS=COM7 "${under[@]}" "$exe" >/dev/null 2>&1 &
pid=$!
cleanup() {
  # The Windows process lives in wine's server, not in the launcher: end it there, so that it
  # lets the port go before the next test takes it.
  "${under[@]}" taskkill /f /im orq.exe >/dev/null 2>&1 || true
  wait "$pid" 2>/dev/null || true
  if [ -n "$own" ]; then
    "${under[@]}" --end
    "$here/units.sh" stop "$own"
    rm -rf "$own"
  fi
}
trap cleanup EXIT
mkdir -p "$out"

wid=$(timeout 60 xdotool search --sync --onlyvisible --name '^ORQ 2\.1$' | head -n1)
eval "$(xdotool getwindowgeometry --shell "$wid")"   # X, Y, WIDTH, HEIGHT
sleep 2   # mapped is not yet painted

# As on Linux: the form lies below the menu bar, its buttons at fixed pixels ("Connect ORQ" and
# "Setup" at x 740), the first lamp at (820, 15).
menu=$(import -window "$wid" -crop 1x80+500+0 -depth 8 txt:- |
       awk 'NR == 2 {first = $3} NR > 2 && $3 != first {split($1, p, /[,:]/); print p[2] + 1; exit}')
click_form() { xdotool mousemove --sync $((X + 740)) $((Y + menu + $1)) click 1; }
# Parked over an empty part of the form: over the status bar the scan's report would show.
park() { xdotool mousemove --sync $((X + 900)) $((Y + menu + 600)); }
lamp_x=$((X + 820 + 14)) lamp_y=$((Y + menu + 15 + 14))
click_form 69
park
green=0
for _ in $(seq 100); do
  rgb=$(import -window root -crop "1x1+$lamp_x+$lamp_y" -depth 8 txt:- | tail -n1 |
        sed -n 's/.*(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p')
  read -r r g b <<<"${rgb:-0 0 0}"
  if [ "$g" -gt 120 ] && [ "$g" -gt $((r + 40)) ]; then green=1; break; fi
  sleep 0.2
done
[ "$green" = 1 ] || { echo "orq.exe: the lamps did not turn green ($rgb)" >&2; exit 1; }
sleep 0.5
import -window "$wid" "$out/windows-main.png"
echo "wrote $out/windows-main.png"

click_form 121
swid=$(timeout 20 xdotool search --sync --onlyvisible --name '^Setup$' | head -n1)
sleep 1
for _ in 1 2; do xdotool mousemove --sync --window "$swid" 778 574 click 1; sleep 0.5; done
sleep 2   # the Monitor page shows the stream once a few replies have come
xdotool mousemove --sync --window "$swid" 5 5
import -window "$swid" "$out/windows-setup-3.png"
echo "wrote $out/windows-setup-3.png"
echo "orq.exe: connected to the unit on COM7 and showed the wizard's Monitor page"
