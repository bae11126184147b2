#!/bin/bash
# The mixed-scales scenario of WaylandMixedScalesTests.cpp, run inside dbus-run-session
# as the session's user, in $SCRATCH: a headless sway with a second output at scale 2
# beside the first at 1, each showing a photo-like picture (ImageMagick's plasma) as its
# background. On each output an area capture, dragged by a virtual pointer, and its
# repeat, beside grim's picture of the same area.
. "$SCRATCH/wayland-common.sh"
convert -seed 3 -size 1920x1080 plasma:fractal pattern.png && convert -seed 5 -size 1280x720 plasma:fractal pattern-2.png \
  || { say fail: no background pictures; exit; }
printf 'xwayland disable\noutput HEADLESS-1 resolution 1920x1080 position 0 0 bg %s/pattern.png tile\n' "$PWD" >sway.conf
printf '[General]\ncaptureOpensEditor=false\n' >lumetra/Lumetra.conf
start_session || exit

# The second output: 1280 x 720 pixels at scale 2 are 640 x 360 points right of the first.
swaymsg create_output >/dev/null
swaymsg output HEADLESS-2 resolution 1280x720 scale 2 position 1920 0 bg "$PWD/pattern-2.png" tile >/dev/null
wait_for 'swaymsg -t get_outputs | grep -q "\"scale\": 2.0"' || { say fail: no second output at scale 2; exit; }

"$LUMETRA" >>lumetra.log 2>&1 &
wait_for 'has_window Lumetra\",' || { say fail: no editor window at start; exit; }
# Lumetra's windows go to the scratchpad, so that grim sees the desktop alone.
swaymsg '[title="^Lumetra"] move scratchpad' >/dev/null
wait_for '! lumetra_visible'
# grim takes an area at the scale of the output it lies on, once the output shows its
# background (a loaded machine starts swaybg late; until then sway shows flat grey).
shows_background() { grim -g "$1" "$2" && [ "$(convert "$2" -format %k info:)" -gt 100 ]; }
wait_for 'shows_background "100,100 400x300" grim-1.png' || say "fail: output 1 shows no background"
wait_for 'shows_background "2000,60 300x200" grim-2.png' || say "fail: output 2 shows no background"

# On each output an area, then its repeat after another program copied. The pointer's
# coordinates span the layout: 2560 x 1080 points.
previous=none
for area in "1 100 100 500 400" "2 2000 60 2300 260"; do
  read -r n x1 y1 x2 y2 <<<"$area"
  launch --capture-area
  wait_for '[ "$(count_windows "Lumetra Selection")" = 2 ]' && sleep 0.5 && "$POINTER_PROBE" 2560 1080 $x1 $y1 $x2 $y2 \
    && say dragged-$n
  wait_for 'wl-paste --type image/png >area-$n.png 2>/dev/null && ! cmp -s area-$n.png $previous' && say area-$n
  echo hi | wl-copy
  launch --repeat-last-area
  wait_for 'wl-paste --type image/png >repeat-$n.png 2>/dev/null' && say repeat-$n
  previous=repeat-$n.png
done
