#!/bin/bash
# The Wayland end-to-end scenario of WaylandSessionTests.cpp, run inside dbus-run-session
# as the session's user, in $SCRATCH: a headless sway showing the pattern as its
# background, PipeWire and the desktop portal; Lumetra hands an area capture over to its
# running copy, a virtual pointer drags, and the clipboard and the screen are saved for
# the test. A repeat of that area over the pattern moved, started as from a key bound in
# sway, after another program copied, and Ctrl+V (on a virtual keyboard laid out as a US
# one) in the editor after another program copied an image. Then a
# window capture through the portal (whose wlroots backend lets the
# user choose with slurp, dragged by the same pointer), again after another program's
# copy; one cancelled with Escape in slurp; an area capture at the output scale 1.5 and its
# repeats at 1.25 and 2, each beside grim's picture of it, and a window capture at 1.5; a
# tray that starts after Lumetra; and, in a Lumetra whose own search path lacks slurp,
# the portal's picker all the same, without a message that slurp is missing.
# Every wait is bounded. What it saw goes to $SCRATCH/result, one word a line.
. "$SCRATCH/wayland-common.sh"
printf 'xwayland disable\noutput HEADLESS-1 resolution 1920x1080 bg %s/pattern.png tile\n' "$PWD" >sway.conf
printf '[General]\ncaptureOpensEditor=true\n' >lumetra/Lumetra.conf
start_session || exit
grim desktop.png
watch_windows
# Lumetra's windows go to another workspace, so that grim sees the desktop alone; they
# stay there through captures, as windows the user moved do, until they are brought back.
hide_lumetra() {
  swaymsg '[title="^Lumetra"] move container to workspace 2' >/dev/null 2>&1
  wait_for '! lumetra_visible'
}
show_lumetra() {
  swaymsg '[title="^Lumetra"] move container to workspace 1' >/dev/null 2>&1
  swaymsg '[title="^Lumetra - "] focus' >/dev/null 2>&1
  wait_for lumetra_visible
}
# The output's scale set, once sway reports it and Lumetra's windows have left it.
set_scale() {
  swaymsg output HEADLESS-1 scale "$1" >/dev/null
  wait_for "swaymsg -t get_outputs | jq -e '.[0].scale == $1' >/dev/null" && hide_lumetra
}
# Runs the capture step $3 with grim's picture of the area $1 taken into $2 before it and
# again after it, Lumetra's windows sent away each time: where the two pictures differ,
# the desktop was still being drawn at its new scale, and the step is taken again.
beside_grim() {
  for _ in 1 2 3; do
    hide_lumetra && grim -g "$1" "$2" && eval "$3" && hide_lumetra && grim -g "$1" grim-after.png || return 1
    cmp -s "$2" grim-after.png && return 0
  done
  return 1
}

"$LUMETRA" >>lumetra.log 2>&1 &
lumetra=$!
wait_for 'has_window Lumetra\",' || { say fail: no editor window at start; exit; } # no tray here
launch --capture-area && say handed-over
wait_for 'has_window "Lumetra Selection"' && say overlay
"$POINTER_PROBE" 1920 1080 150 250 390 410 && say dragged
wait_for 'wl-paste --list-types 2>/dev/null | grep -q image/png' && wl-paste --type image/png >clip.png
wait_for 'has_window "Lumetra - "' && say editor
grim editor.png

# The desktop's pattern moves by half its period, so that the repeat's picture differs
# from the first one's and the editor can be seen to take it.
swaymsg output HEADLESS-1 bg "$PWD/pattern-b.png" tile >/dev/null
hide_lumetra && wait_for 'grim -g "150,250 240x160" shown.png && "$LOCATE_PROBE" shown.png pattern.png 278 378 240 160 >/dev/null'
# Another program copies, then the repeat comes as from a key bound in sway: Lumetra had
# no input since that copy, and the clipboard must still take the capture.
echo hi | wl-copy
launch --repeat-last-area
wait_for 'wl-paste --list-types 2>/dev/null | grep -q image/png' && wl-paste --type image/png >repeat.png && say repeated
show_lumetra
# Once the editor shows the repeat's picture (it takes it from the clipboard a moment
# after), another program copies an image, and Ctrl+V in the editor pastes that one, not
# the capture Lumetra offered before.
wait_for 'lumetra_visible && grim taken.png \
  && "$LOCATE_PROBE" taken.png pattern.png 278 378 240 160 --not-at 150,250,256 >/dev/null' \
  && wl-copy --type image/png <other.png && "$KEYBOARD_PROBE" ctrl v 2>>lumetra.log \
  && wait_for 'grim pasted.png && "$LOCATE_PROBE" pasted.png other.png >/dev/null' && say pasted
# The desktop's own pattern again, for the window capture.
swaymsg output HEADLESS-1 bg "$PWD/pattern.png" tile >/dev/null
hide_lumetra && wait_for 'grim -g "500,300 290x190" shown.png && "$LOCATE_PROBE" shown.png pattern.png 500 300 290 190 >/dev/null'

# The window capture, again after another program's copy. Lumetra keeps its windows out of
# the picture while the desktop's picker runs; none may open before the user has chosen.
echo hi | wl-copy
launch --capture-window
wait_for 'pgrep -u "$(id -u)" -x slurp >/dev/null' && say picker
picking=$(events_so_far)
# The user takes a moment to choose.
sleep 2
[ "$(windows_since "Lumetra - " "$picking")" = 0 ] && say waited
"$POINTER_PROBE" 1920 1080 500 300 800 500 && say chosen
wait_for 'wl-paste --type image/png >window.png 2>/dev/null && ! cmp -s clip.png window.png' && say clipboard
wait_for 'has_window "Lumetra - "' && say window-editor
# The editor, brought back, still shows the pasted image, and reads the capture from the
# clipboard a moment later. The desktop's background is the pattern too,
# tiled every 256 pixels: the capture counts as shown in the editor, and at none of the
# places the background shows it.
show_lumetra
wait_for 'lumetra_visible && grim window-editor.png \
  && "$LOCATE_PROBE" window-editor.png pattern.png 500 300 290 190 --not-at 500,300,256 >/dev/null'

# Escape in the picker is the user changing their mind: no alert, no error. An alert
# would come with Lumetra's windows; it is looked for in all that sway showed from here to
# the end of the captures at other scales below.
errors=$(grep -c '❌' lumetra.log)
escaping=$(events_so_far)
launch --capture-window
wait_for 'pgrep -u "$(id -u)" -x slurp >/dev/null' && "$KEYBOARD_PROBE" escape 2>>lumetra.log \
  && wait_for '! pgrep -u "$(id -u)" -x slurp >/dev/null' && say escaped
# Lumetra has taken the answer in once its windows are back.
wait_for 'has_window "Lumetra - "'
[ "$(grep -c '❌' lumetra.log)" = "$errors" ] && say no-error

# At the output scale 1.5 an area's image holds the output's own pixels, as grim's does.
set_scale 1.5 && beside_grim "100,100 300x200" scaled-grim.png 'echo hi | wl-copy; launch --capture-area \
  && wait_for "has_window \"Lumetra Selection\"" && "$POINTER_PROBE" 1280 720 100 100 400 300 \
  && wait_for "wl-paste --type image/png >scaled.png 2>/dev/null"' && say dragged-scaled scaled
# The same area again at the scales 1.25 and 2, as the repeat takes it.
for scale in 1.25 2; do
  set_scale $scale && beside_grim "100,100 300x200" scaled-grim-$scale.png 'echo hi | wl-copy
    launch --repeat-last-area && wait_for "wl-paste --type image/png >scaled-$scale.png 2>/dev/null"' && say scaled-$scale
done
# A window capture at the scale 1.5 holds the output's own pixels too: the portal's
# picture of the region chosen in slurp, beside grim's of the same area.
set_scale 1.5 && beside_grim "100,100 300x200" window-grim.png 'echo hi | wl-copy; launch --capture-window \
  && wait_for "pgrep -u $(id -u) -x slurp >/dev/null" && "$POINTER_PROBE" 1280 720 100 100 400 300 \
  && wait_for "wl-paste --type image/png >window-scaled.png 2>/dev/null"' && say window-scaled
[ "$(windows_since "Capture Failed" "$escaping")" = 0 ] && say no-alert

# A tray (a bar) that starts long after Lumetra is told of its item and shows its icon.
"$TRAY_PROBE" 10 >tray.txt 2>>lumetra.log && say tray-icon

# A Lumetra whose own search path lacks slurp, which the portal runs from its own: no
# message that slurp is missing; the desktop's picker comes, and Escape ends it.
kill $lumetra; wait $lumetra
mkdir -p empty
PATH=$PWD/empty "$LUMETRA" >>lumetra.log 2>&1 &
wait_for 'has_window Lumetra\",' || { say fail: no editor window at restart; exit; }
elsewhere=$(events_so_far)
launch --capture-window
wait_for 'pgrep -u "$(id -u)" -x slurp >/dev/null' && say picker-elsewhere
"$KEYBOARD_PROBE" escape 2>>lumetra.log
wait_for '! pgrep -u "$(id -u)" -x slurp >/dev/null'
# Lumetra has dealt with the picker's end once it takes the next request, an area
# capture, which Escape ends too.
launch --capture-area
wait_for 'has_window "Lumetra Selection"' && "$KEYBOARD_PROBE" escape 2>>lumetra.log
wait_for '! has_window "Lumetra Selection"'
[ "$(windows_since "Capture Failed" "$elsewhere")" = 0 ] && say not-told
grim told.png
