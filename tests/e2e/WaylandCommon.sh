# Sourced by a Wayland end-to-end script that runs inside dbus-run-session as the
# session's user: the session's own folders under $SCRATCH (its own XDG_RUNTIME_DIR, so
# that it runs beside any other), the helpers the scenario uses, and start_session,
# which starts PipeWire, a headless sway with sway.conf and the desktop portal.
# Every wait is bounded. What a scenario saw goes to $SCRATCH/result, one word a line.
cd "$SCRATCH" || exit 1
trap 'kill $(jobs -p) 2>/dev/null' EXIT
export HOME=$PWD/home XDG_RUNTIME_DIR=$PWD/run XDG_CONFIG_HOME=$PWD/config XDG_DATA_HOME=$PWD/data \
  XDG_CACHE_HOME=$PWD/cache LUMETRA_CONFIG_DIR=$PWD/lumetra XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=sway \
  WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 QT_QPA_PLATFORM=wayland
mkdir -p home config data cache lumetra && mkdir -m 700 run

say() { echo "$*" >>result; }
# How many desktop pickers have started so far.
pickers_so_far() { wc -l 2>/dev/null <pickers-started.txt || echo 0; }
wait_for() { for _ in $(seq 100); do eval "$1" && return 0; sleep 0.2; done; return 1; }
# What the command $1 prints once it holds still: two looks a moment apart that agree and
# are not empty (a window sway is still laying out), within wait_for's limit.
steady() {
  local steady_command=$1 steady_now steady_last=
  wait_for 'steady_now=$(eval "$steady_command") && [ -n "$steady_now" ] && [ "$steady_now" = "$steady_last" ] \
    || { steady_last=$steady_now; false; }' && echo "$steady_now"
}
# A launch that fails says so in the result, with its status; its output is in lumetra.log.
launch() {
  "$LUMETRA" "$@" >>lumetra.log 2>&1
  local status=$?
  [ $status -eq 0 ] || say "fail: lumetra $* exited with status $status"
  return $status
}
# x y width height of the first window whose title starts with $1: the window's own area,
# without sway's border and title.
window_rect() {
  swaymsg -t get_tree | jq -r --arg t "$1" 'first(.. | select((.name? // "") | startswith($t))
    | "\(.rect.x + .window_rect.x) \(.rect.y + .window_rect.y) \(.window_rect.width) \(.window_rect.height)")'
}
has_window() { swaymsg -t get_tree | grep -q "\"name\": \"$1"; }
count_windows() { swaymsg -t get_tree | grep -c "\"name\": \"$1"; }
# True while a window of Lumetra's is still shown on an output (not in the scratchpad).
lumetra_visible() {
  swaymsg -t get_tree | jq -e '[.. | select((.name? // "") | startswith("Lumetra")) | select(.visible == true)]
    | length > 0' >/dev/null
}

# From here on every window sway opens, shows, names or closes, one JSON value each: what
# must not happen in a stretch of a scenario is looked for there, over all of it.
watch_windows() { swaymsg -t subscribe -m '["window"]' >window-events.json 2>/dev/null & }
events_so_far() { jq -c . window-events.json 2>/dev/null | wc -l; }
# How many windows with a name that starts with $1 sway opened, showed or named since
# event $2.
windows_since() {
  jq -c . window-events.json 2>/dev/null | tail -n +$(($2 + 1)) \
    | jq -s --arg name "$1" '[.[] | select(.change != "close" and ((.container.name // "") | startswith($name)))] | length'
}

# Returns non-zero, having said why in the result, where the stack cannot run here.
start_session() {
  pipewire >pipewire.log 2>&1 & # first: the portal's wlroots backend ends without it
  sway -c sway.conf >sway.log 2>&1 &
  wait_for 'socket=$(ls "$XDG_RUNTIME_DIR" | grep -m1 "^wayland-[0-9]*$")' || { say skip: sway did not start; return 1; }
  export WAYLAND_DISPLAY=$socket SWAYSOCK=$(ls "$XDG_RUNTIME_DIR"/sway-ipc.*)
  # Every desktop picker that runs is written down, however briefly it runs.
  local picker
  if picker=$(command -v slurp); then
    mkdir -p bin
    printf '#!/bin/sh\necho "$$" >>"%s/pickers-started.txt"\nexec %s "$@"\n' "$PWD" "$picker" >bin/slurp
    chmod +x bin/slurp
    export PATH=$PWD/bin:$PATH
  fi
  dbus-update-activation-environment WAYLAND_DISPLAY SWAYSOCK XDG_CURRENT_DESKTOP XDG_RUNTIME_DIR HOME \
    XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME PATH
  # Non-interactive screenshots without asking, as a user who said yes once.
  dbus-send --session --print-reply --dest=org.freedesktop.impl.portal.PermissionStore \
    /org/freedesktop/impl/portal/PermissionStore org.freedesktop.impl.portal.PermissionStore.SetPermission \
    string:screenshot boolean:true string:screenshot string: array:string:yes >/dev/null
  # Once in a while the portal's first start takes longer than dbus-send's usual 25 s.
  dbus-send --session --print-reply --reply-timeout=45000 --dest=org.freedesktop.portal.Desktop \
    /org/freedesktop/portal/desktop org.freedesktop.DBus.Properties.Get \
    string:org.freedesktop.portal.Screenshot string:version >/dev/null \
    || { say skip: the desktop portal offers no Screenshot interface here; return 1; }
}
