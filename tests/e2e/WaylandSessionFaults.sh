#!/bin/bash
# The Wayland scenario of WaylandSessionFaultsTests.cpp, where the desktop does what
# Lumetra does not expect, run inside dbus-run-session as the session's user, in $SCRATCH:
# a headless sway with its default tiling, PipeWire and the desktop portal. A capture's
# pin is pinned ten times from the editor's toolbar with the button's tooltip open, sway
# giving every pin a tile, and closed there; then, with a rule that floats pins, a pin
# opens at its picture's size. A repeat whose area went off the output (after a scale change) lets
# the user choose an area. With the portal's backend stopped (SIGSTOP) a window capture is
# answered within seconds, and so is one asked for meanwhile and one after; nothing asked
# comes back once the backend goes on, and the next window capture works.
. "$SCRATCH/wayland-common.sh"
trap 'kill -CONT $(pgrep -u "$(id -u)" -f "^/usr/libexec/xdg-desktop-portal-wlr") 2>/dev/null; kill $(jobs -p) 2>/dev/null' EXIT
printf 'xwayland disable\noutput HEADLESS-1 resolution 1920x1080 bg %s/pattern.png tile\n' "$PWD" >sway.conf
printf '[General]\ncaptureOpensEditor=true\n' >lumetra/Lumetra.conf

# Where the editor's toolbar button $1 places left of its export button (the accent square
# at the bar's end, the buttons 33 points apart) lies in the layout, at the output scale 1.
toolbar_button() {
  local x y w h row
  read -r x y w h < <(window_rect "Lumetra - ") || return 1
  row=$((y + h - 32 - 10 - 23))
  grim -g "$x,$row ${w}x1" bar-row.png 2>/dev/null || return 1
  convert bar-row.png -depth 8 txt:- | awk -F'[(),: ]+' -v x0="$x" -v y="$row" -v n="$1" '
    NR > 1 { if ($5 > 160 && $4 > 100 && $5 > $3 + 90) { run++; if (run >= 4) end = $1 } else run = 0 }
    END { if (end) print x0 + end - 13 - 33 * n, y; else exit 1 }'
}
# A click on the editor's pin button, the pointer resting on it $1 milliseconds first
# (650 by default) and staying a moment after: its tooltip comes 0.4 s after the pointer,
# fading in for 0.12 s, before the press or while the pin opens.
# The button is read where two looks agree: sway resizes the editor's tile as pins come
# and go, and a look taken before the editor has drawn at its new size misplaces it.
click_pin_button() {
  local bx by at
  at=$(steady 'toolbar_button 2') || return 1
  read -r bx by <<<"$at"
  "$POINTER_PROBE" 1920 1080 "$bx" "$by" "$bx" "$by" "${1:-650}" 300
}

# Each pin is closed in its tile as the user closes a window there (sway asks it to close).
pins_under_tiling() {
  local n
  for n in $(seq 10); do
    click_pin_button $(((n - 1) * 70)) && wait_for '[ "$(count_windows "Lumetra Pin")" = 1 ]' \
      || { say "fail: pin $n did not open"; return; }
    kill -0 $lumetra 2>/dev/null || { say "fail: Lumetra ended at pin $n"; return; }
    swaymsg '[title="^Lumetra Pin$"] kill' >/dev/null
    wait_for '[ "$(count_windows "Lumetra Pin")" = 0 ]' || { say "fail: pin $n did not close"; return; }
  done
  kill -0 $lumetra 2>/dev/null && has_window "Lumetra - " && say pinned-tiled
}

# The last pin closed in its tile; floated by the README's rule, the next one opens at its
# picture's size.
pin_floated() {
  swaymsg 'for_window [title="^Lumetra Pin$"] floating enable' >/dev/null
  click_pin_button && wait_for 'has_window "Lumetra Pin"' || return
  # The size the pin keeps once sway has configured it, read again until it holds.
  steady 'window_rect "Lumetra Pin" | cut -d" " -f3,4' >pin-size.txt && say pin-floated
  click_pin_button
}

# At the scale 2 the output is 960 x 540 points: the last area (1400, 700) lies off it.
repeat_off_output() {
  swaymsg output HEADLESS-1 scale 2 >/dev/null
  # Lumetra has taken the new scale in once its editor fits the 960-point-wide output.
  wait_for '[ "$(window_rect "Lumetra - " | cut -d" " -f3)" -le 960 ]'
  launch --repeat-last-area
  wait_for 'has_window "Lumetra Selection"' && say repeat-selects
  "$POINTER_PROBE" 960 540 100 100 300 250
  wait_for '! has_window "Lumetra Selection"'
  swaymsg output HEADLESS-1 scale 1 >/dev/null
}

# Every "Capture Failed" alert that comes within a few seconds is read and closed.
close_alerts() {
  local quiet=0
  for _ in $(seq 30); do
    if has_window "Capture Failed"; then
      swaymsg '[title="^Capture Failed"] kill' >/dev/null 2>&1
      quiet=0
    else
      quiet=$((quiet + 1))
      [ $quiet -ge 8 ] && return 0
    fi
    sleep 0.25
  done
  return 1
}

# Window captures go through the portal's interactive screenshot (area captures copy the
# outputs through the compositor's screencopy here).
portal_stopped() {
  local backend started
  backend=$(pgrep -u "$(id -u)" -f "^/usr/libexec/xdg-desktop-portal-wlr")
  [ -n "$backend" ] || { say "fail: no xdg-desktop-portal-wlr"; return; }
  kill -STOP $backend
  started=$(date +%s)
  launch --capture-window
  sleep 1
  launch --capture-window # asked meanwhile
  wait_for 'has_window "Capture Failed"' && [ $(($(date +%s) - started)) -le 10 ] && say told-silent
  close_alerts && say all-answered
  # Asked again while it is still stopped: told again, not dropped.
  launch --capture-window
  wait_for 'has_window "Capture Failed"' && say told-again
  close_alerts
  # Nothing asked while it was stopped comes back once it goes on: from here to the end of
  # the next window capture, every picker that runs and every window sway shows is looked
  # at. The one picker is the next capture's; no alert comes.
  local resumed answered=
  resumed=$(events_so_far)
  local pickers
  pickers=$(pickers_so_far)
  kill -CONT $backend
  echo hi | wl-copy
  launch --capture-window
  wait_for 'pgrep -u "$(id -u)" -x slurp >/dev/null' && "$POINTER_PROBE" 1920 1080 300 300 500 450 \
    && wait_for 'wl-paste --list-types 2>/dev/null | grep -q image/png' && answered=yes
  wait_for 'has_window "Lumetra - "'
  [ $(($(pickers_so_far) - pickers)) = 1 ] && [ "$(windows_since "Capture Failed" "$resumed")" = 0 ] && say nothing-came-back
  [ "$answered" ] && say answers-again
}

start_session || exit
watch_windows
"$LUMETRA" >>lumetra.log 2>&1 &
lumetra=$!
wait_for 'has_window Lumetra\",' || { say fail: no editor window at start; exit; }
# A 400 x 300 capture in the output's lower right, for the pins and the repeat.
launch --capture-area
wait_for 'has_window "Lumetra Selection"' && "$POINTER_PROBE" 1920 1080 1400 700 1800 1000
wait_for 'has_window "Lumetra - "' && say editor

pins_under_tiling
pin_floated
repeat_off_output
portal_stopped
grim end.png
