#!/bin/bash
# The Wayland scenario of WaylandWindowsKeptTests.cpp, run inside dbus-run-session as the
# session's user, in $SCRATCH: a headless sway with its default tiling, PipeWire and the
# desktop portal. A capture's pin, tiled, floats after another capture at its picture's
# size; placed by the user, it and the editor keep their place, size, workspace and
# floating state (the very windows sway knew, by their ids) through an area capture over
# them, a repeat and a window capture, and the editor has the keyboard after each. The
# area taken over them holds the desktop alone.
. "$SCRATCH/wayland-common.sh"
printf 'xwayland disable\noutput HEADLESS-1 resolution 1920x1080 bg %s/pattern.png tile\n' "$PWD" >sway.conf
printf '[General]\ncaptureOpensEditor=true\n' >lumetra/Lumetra.conf

# What sway knows of Lumetra's editor and pins: per window its id, workspace, whether it
# floats, and its place and size; one line, sorted by id.
windows_state() {
  swaymsg -t get_tree | jq -c '[.. | objects | select(.type? == "workspace") | .name as $ws
    | .. | objects | select((.type? == "con" or .type? == "floating_con") and .pid? != null
        and ((.name? // "") | test("^Lumetra( - |$| Pin$)")))
    | {id, ws: $ws, type, x: .rect.x, y: .rect.y, w: .rect.width, h: .rect.height}] | sort_by(.id)'
}
focused_name() { swaymsg -t get_tree | jq -r 'first(.. | objects | select(.focused? == true)) | .name // ""'; }
editor_focused() { focused_name | grep -q '^Lumetra - '; }

start_session || exit
watch_windows
"$LUMETRA" >>lumetra.log 2>&1 &
lumetra=$!
wait_for 'has_window Lumetra\",' || { say fail: no editor window at start; exit; }
# A 400 x 300 capture in the output's lower right, pinned from the editor by its key.
launch --capture-area
wait_for 'has_window "Lumetra Selection"' && "$POINTER_PROBE" 1920 1080 1400 700 1800 1000
wait_for 'has_window "Lumetra - "' && wait_for editor_focused && say editor
"$KEYBOARD_PROBE" ctrl shift p 2>>lumetra.log
wait_for 'has_window "Lumetra Pin"' && say pinned

# The pin is tiled; after another capture it floats at its picture's size.
echo hi | wl-copy
launch --capture-area
wait_for 'has_window "Lumetra Selection"' && "$POINTER_PROBE" 1920 1080 1400 700 1800 1000
wait_for 'wl-paste --list-types 2>/dev/null | grep -q image/png' && wait_for '! has_window "Lumetra Selection"' \
  && say captured-tiled
swaymsg '[title="^Lumetra Pin$"] floating enable' >/dev/null
steady 'window_rect "Lumetra Pin" | cut -d" " -f3,4' >pin-size.txt && say pin-floated

# The user places the pin; from here on sway's windows must stay as they are.
swaymsg '[title="^Lumetra Pin$"] resize set 500 300, move position 50 600' >/dev/null
before=$(steady windows_state)
echo "$before" >state-before.json
[ "$(echo "$before" | jq length)" = 2 ] && echo "$before" | jq -e 'any(.type == "floating_con")' >/dev/null \
  && say placed
swaymsg '[title="^Lumetra - "] focus' >/dev/null
kept() {
  local now
  now=$(steady windows_state)
  echo "$1: $now" >>states.txt
  [ "$now" = "$before" ] && say "$1-kept"
  wait_for editor_focused && say "$1-focus"
}
# An area over the pin and the editor: the picture holds the desktop alone.
echo hi | wl-copy
launch --capture-area
wait_for 'has_window "Lumetra Selection"' && "$POINTER_PROBE" 1920 1080 100 650 300 800
wait_for 'wl-paste --type image/png >over.png 2>/dev/null' && wait_for '! has_window "Lumetra Selection"'
kept area
echo hi | wl-copy
launch --repeat-last-area
wait_for 'wl-paste --type image/png >repeat.png 2>/dev/null'
kept repeat
echo hi | wl-copy
launch --capture-window
wait_for 'pgrep -u "$(id -u)" -x slurp >/dev/null' && "$POINTER_PROBE" 1920 1080 700 100 900 250
wait_for 'wl-paste --type image/png >window.png 2>/dev/null'
kept window
# No window of Lumetra's but its overlays closed on the way.
jq -r 'select(.change == "close") | .container.name // ""' window-events.json 2>/dev/null \
  | grep -v '^Lumetra Selection' >closed.txt
[ ! -s closed.txt ] && say none-closed

# A narrow tile: the pin tiled beside the editor, the editor given 175 points of the
# width. The editor lays itself out in it and shows the capture there, scaled to fit:
# its many colours, where the editor's empty background has few.
swaymsg '[title="^Lumetra Pin$"] floating disable' >/dev/null
swaymsg '[title="^Lumetra - "] resize set width 175 px' >/dev/null
wait_for '[ "$(window_rect "Lumetra - " | cut -d" " -f3)" -le 180 ]'
narrow=$(steady 'window_rect "Lumetra - "')
read -r nx ny nw nh <<<"$narrow"
echo "$narrow" >narrow.txt
wait_for 'grim -g "$nx,$((ny + 60)) ${nw}x$((nh - 260))" narrow.png \
  && [ "$(convert narrow.png -format %k info:)" -gt 1000 ]' && say narrow-image
