#!/usr/bin/env bash
# Makes the README's two pictures again (after the interface changed):
#   docs/readme/capture.png  the area capture's overlay: a selection being dragged, the loupe
#   docs/readme/editor.png   the editor with that capture and a few annotations
# It runs the built Lumetra on a private Xvfb desktop with openbox, with settings of its
# own (nothing of the user's is read or written), and drives it with xdotool.
#
#   scripts/make-readme-pictures.sh [build folder] [output folder]
#
# Needs the packages scripts/bootstrap.sh installs (Xvfb, openbox, xdotool, ImageMagick).
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$repo/build}" && pwd)
out=${2:-$repo/docs/readme}
lumetra=$build/lumetra
[ -x "$lumetra" ] || { echo "make-readme-pictures: no $lumetra; run make first" >&2; exit 1; }
for tool in Xvfb openbox xdotool convert import display; do
  command -v "$tool" >/dev/null || { echo "make-readme-pictures: $tool is missing; run make first" >&2; exit 1; }
done
mkdir -p "$out"

scratch=$(mktemp -d)
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$scratch"
}
trap cleanup EXIT

fail() {
  echo "make-readme-pictures: $*" >&2
  [ -f "$scratch/lumetra.log" ] && tail -n 20 "$scratch/lumetra.log" >&2
  exit 1
}

# Waits until a visible window's name matches; prints its id.
wait_for_window() {
  local pattern=$1 id
  for _ in $(seq 100); do
    id=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | tail -n 1) || true
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  fail "no window named $pattern"
}

wait_for_window_gone() {
  for _ in $(seq 100); do
    xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  fail "window $1 stayed"
}

# ---- the desktop -------------------------------------------------------------------------

screen_w=1360 screen_h=900
mkdir -p "$scratch"/{config,runtime,xdg-config,xdg-data}
chmod 700 "$scratch/runtime"
Xvfb -displayfd 3 -screen 0 ${screen_w}x${screen_h}x24 -nolisten tcp 3>"$scratch/display" \
  >"$scratch/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$scratch/display" ] && break; sleep 0.1; done
[ -s "$scratch/display" ] || fail "Xvfb did not start"
export DISPLAY=:$(head -n 1 "$scratch/display")
export LUMETRA_CONFIG_DIR=$scratch/config XDG_RUNTIME_DIR=$scratch/runtime
export XDG_CONFIG_HOME=$scratch/xdg-config XDG_DATA_HOME=$scratch/xdg-data
export QT_QPA_PLATFORM=xcb XDG_SESSION_TYPE=x11 NO_AT_BRIDGE=1
export DBUS_SESSION_BUS_ADDRESS=unix:path=$scratch/no-bus
unset WAYLAND_DISPLAY

openbox --sm-disable >"$scratch/openbox.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break; sleep 0.1; done

# ---- the scene: a web page in a browser window on the wallpaper ----------------------------

fonts=/usr/share/fonts/truetype/dejavu
sans=$fonts/DejaVuSans.ttf bold=$fonts/DejaVuSans-Bold.ttf mono=$fonts/DejaVuSansMono.ttf
page_w=880 page_h=540

page=(-size ${page_w}x${page_h} xc:white)
page+=(-fill '#e8eaed' -draw "rectangle 0,0 $page_w,44")
page+=(-fill '#ff5f57' -draw 'circle 22,22 28,22' -fill '#febc2e' -draw 'circle 42,22 48,22'
       -fill '#28c840' -draw 'circle 62,22 68,22')
page+=(-fill white -draw 'roundrectangle 90,9 640,35 13,13')
page+=(-font "$sans" -pointsize 13 -fill '#5f6368' -annotate +108+27 'ci.example.org/lumetra/nightly')
page+=(-font "$bold" -pointsize 22 -fill '#202124' -annotate +32+84 'Nightly builds')
page+=(-font "$sans" -pointsize 13 -fill '#80868b' -annotate +34+106 'lumetra  ·  main  ·  last 7 days')
page+=(-fill '#f6f8fa' -stroke '#dde1e6' -strokewidth 1 -draw 'roundrectangle 32,124 468,334 10,10'
       -draw 'roundrectangle 488,124 848,334 10,10' -stroke none)
page+=(-font "$bold" -pointsize 13 -fill '#3c4043' -annotate +50+150 'Test time (minutes)')
days=(Mon Tue Wed Thu Fri Sat Sun) minutes=(11.8 12.1 11.9 16.4 17.0 16.8 17.2)
for i in "${!days[@]}"; do
  x=$((62 + 56 * i)) top=$(awk "BEGIN { printf \"%d\", 306 - ${minutes[$i]} * 7.6 }")
  colour='#4c8bf5'; [ "$i" -ge 3 ] && colour='#f28b66'
  page+=(-fill "$colour" -draw "roundrectangle $x,$top $((x + 36)),306 4,4")
  page+=(-font "$sans" -pointsize 11 -fill '#5f6368' -annotate +$((x + 5))+324 "${days[$i]}")
  page+=(-font "$sans" -pointsize 10 -fill '#3c4043' -annotate +$((x + 6))+$((top - 5)) "${minutes[$i]}")
done
page+=(-stroke '#c4c8cc' -draw 'line 52,306 452,306' -stroke none)
page+=(-font "$bold" -pointsize 13 -fill '#3c4043' -annotate +506+150 'Summary')
page+=(-font "$sans" -pointsize 12 -fill '#1a73e8' -annotate +700+190 'Download log ›')
summary=(190 '740' '#202124' 'tests in every build'
         242 '6 of 7' '#188038' 'nights green'
         294 '14.7 min' '#202124' 'average test time')
for ((i = 0; i < ${#summary[@]}; i += 4)); do
  y=${summary[$i]}
  page+=(-font "$bold" -pointsize 26 -fill "${summary[$((i + 2))]}" -annotate +506+"$y" "${summary[$((i + 1))]}")
  page+=(-font "$sans" -pointsize 12 -fill '#80868b' -annotate +508+$((y + 20)) "${summary[$((i + 3))]}")
done
page+=(-font "$bold" -pointsize 12 -fill '#5f6368' -annotate +40+372 BUILD -annotate +160+372 STATUS
       -annotate +300+372 DURATION -annotate +440+372 AUTHOR -annotate +700+372 COMMIT)
page+=(-stroke '#dde1e6' -draw 'line 32,382 848,382' -stroke none)
rows=('#415' passed 17:12 anna.k@example.org 9f3c2a1
      '#414' failed 16:58 ravi.s@example.org 77be0d4
      '#413' passed 17:02 lea.m@example.org c0a5e19
      '#412' passed 16:21 tom.b@example.org 4d21f8b)
y=410
for ((i = 0; i < ${#rows[@]}; i += 5)); do
  if [ "${rows[$((i + 1))]}" = passed ]; then badge='#e6f4ea' ink='#188038'; else badge='#fce8e6' ink='#c5221f'; fi
  page+=(-font "$sans" -pointsize 14 -fill '#202124' -annotate +40+$y "${rows[$i]}")
  page+=(-fill "$badge" -draw "roundrectangle 158,$((y - 16)) 222,$((y + 5)) 10,10")
  page+=(-font "$bold" -pointsize 12 -fill "$ink" -annotate +167+$((y - 1)) "${rows[$((i + 1))]}")
  page+=(-font "$mono" -pointsize 14 -fill '#202124' -annotate +300+$y "${rows[$((i + 2))]}")
  page+=(-font "$sans" -pointsize 14 -fill '#202124' -annotate +440+$y "${rows[$((i + 3))]}")
  page+=(-font "$mono" -pointsize 14 -fill '#1a73e8' -annotate +700+$y "${rows[$((i + 4))]}")
  page+=(-stroke '#eef0f2' -draw "line 32,$((y + 14)) 848,$((y + 14))" -stroke none)
  y=$((y + 34))
done
convert "${page[@]}" "$scratch/page.png"

# The page as a window with rounded corners and a soft shadow, on a gradient wallpaper.
page_x=240 page_y=130
convert -size ${page_w}x${page_h} xc:black -fill white \
  -draw "roundrectangle 0,0 $((page_w - 1)),$((page_h - 1)) 10,10" "$scratch/corners.png"
convert "$scratch/page.png" "$scratch/corners.png" -alpha off -compose CopyOpacity -composite \
  "$scratch/rounded.png"
convert "$scratch/rounded.png" \( +clone -background black -shadow 45x14+0+8 \) +swap \
  -background none -layers merge +repage "$scratch/window.png"
convert -size ${screen_w}x${screen_h} gradient:'#5b7fc7'-'#1c2a4a' \
  "$scratch/window.png" -geometry +$((page_x - 28))+$((page_y - 22)) -composite "$scratch/wallpaper.png"
# ImageMagick ends this with status 1 even when the root window took the picture.
display -window root "$scratch/wallpaper.png" || true

# ---- Lumetra ------------------------------------------------------------------------------

# English, light, no window at start; annotations in a strong red, a little bolder than
# the defaults, rectangles with rounded corners (the tool styles as the editor stores them).
cat >"$scratch/config/Lumetra.conf" <<'SETTINGS'
[General]
appLanguage=en
appTheme=light
openWindowAtLaunch=false
rememberToolStyles=true
toolStyleSnapshot="@ByteArray({\"arrowColor\":{\"a\":1,\"r\":0.9,\"g\":0.2,\"b\":0.18},\"arrowHeadStyle\":\"open\",\"arrowLineWidth\":5,\"fontName\":\"Helvetica\",\"fontSize\":22,\"freehandColor\":{\"a\":1,\"r\":0.9,\"g\":0.2,\"b\":0.18},\"freehandLineCap\":\"round\",\"freehandLineWidth\":3,\"highlighterAlpha\":0.5,\"lineColor\":{\"a\":1,\"r\":0.9,\"g\":0.2,\"b\":0.18},\"lineLineWidth\":3,\"lineStyle\":\"solid\",\"mosaicIntensity\":5,\"numberColor\":{\"a\":1,\"r\":0.9,\"g\":0.2,\"b\":0.18},\"numberDiameter\":30,\"numberShape\":\"circle\",\"rectEffect\":\"none\",\"rectLineWidth\":4,\"shapeType\":\"\xe5\x9c\x86\xe8\xa7\x92\xe7\x9f\xa9\xe5\xbd\xa2\",\"strokeColor\":{\"a\":1,\"r\":0.9,\"g\":0.2,\"b\":0.18},\"textColor\":{\"a\":1,\"r\":0.9,\"g\":0.2,\"b\":0.18}})"
SETTINGS
"$lumetra" >"$scratch/lumetra.log" 2>&1 &
pids+=($!)
sleep 2

# Moves the pointer from one screen point to another in small steps (a button may be held).
glide() {
  for step in 1 2 3 4 5 6 7 8; do
    xdotool mousemove $(($1 + ($3 - $1) * step / 8)) $(($2 + ($4 - $2) * step / 8))
    sleep 0.03
  done
}

# The capture overlay, first pointing at the corner of a bar (the loupe shows the pixels
# and the colour there), then dragging over the chart (the selection and its size);
# Escape ends this one.
"$lumetra" --capture-area >>"$scratch/lumetra.log" 2>&1 || fail "--capture-area was not handed over"
wait_for_window '^Lumetra Selection$' >/dev/null
pointer_x=$((page_x + 233)) pointer_y=$((page_y + 184))
glide $((pointer_x - 60)) $((pointer_y + 40)) $pointer_x $pointer_y
sleep 0.8
import -window root "$scratch/pointing.png"
chart_x0=$((page_x + 20)) chart_y0=$((page_y + 112)) chart_x1=$((page_x + 480)) chart_y1=$((page_y + 346))
xdotool mousemove $chart_x0 $chart_y0 mousedown 1
glide $chart_x0 $chart_y0 $chart_x1 $chart_y1
sleep 0.5
import -window root "$scratch/dragging.png"
xdotool key Escape mouseup 1
wait_for_window_gone '^Lumetra Selection$'

# The capture the editor shows: the page with a little of the desktop around it.
"$lumetra" --capture-area >>"$scratch/lumetra.log" 2>&1 || fail "--capture-area was not handed over"
wait_for_window '^Lumetra Selection$' >/dev/null
sel_x0=$((page_x - 12)) sel_y0=$((page_y - 12))
xdotool mousemove $sel_x0 $sel_y0 mousedown 1
glide $sel_x0 $sel_y0 $((page_x + page_w + 12)) $((page_y + page_h + 12))
xdotool mouseup 1

# The editor opens with the capture; shown at its actual size.
editor=$(wait_for_window '^Lumetra - ')
wait_for_window_gone '^Lumetra Selection$'
xdotool windowsize "$editor" 1060 760 windowmove "$editor" 150 40
sleep 0.5
xdotool key --window "$editor" ctrl+1
sleep 1

# Where the capture sits in the window: the first pixels of the desktop's blue around the
# page, found in the canvas between the menu bar and the floating toolbar.
import -window "$editor" "$scratch/editor-empty.png"
read -r image_x image_y < <(convert "$scratch/editor-empty.png" -crop 1060x600+0+40 +repage -fuzz 4% -trim \
  -format '%X %Y\n' info: | tr -d '+')
image_y=$((image_y + 40))
# A point of the page (its own coordinates) in the editor window.
px() { echo $((image_x + 12 + $1)); }
py() { echo $((image_y + 12 + $1)); }

drag() {
  xdotool mousemove --window "$editor" "$(px "$1")" "$(py "$2")" mousedown 1
  for step in 1 2 3 4 5 6 7 8; do
    xdotool mousemove --window "$editor" "$(px $(($1 + ($3 - $1) * step / 8)))" "$(py $(($2 + ($4 - $2) * step / 8)))"
    sleep 0.03
  done
  xdotool mouseup 1
  sleep 0.3
}
click() {
  xdotool mousemove --window "$editor" "$(px "$1")" "$(py "$2")" click 1
  sleep 0.3
}
tool() { xdotool key --window "$editor" "$1"; sleep 0.2; }
write() {
  click "$1" "$2"
  xdotool type --delay 30 "$3"
  xdotool key Return
  sleep 0.3
}

tool 8; drag 434 392 606 524            # mosaic over the authors' addresses
tool 3; drag 24 424 858 462             # rectangle around the failed build
tool 2; drag 560 92 272 184             # arrow from the note to Thursday's bar
tool 2; drag 792 300 776 436            # arrow to the suspect commit
tool 4; write 562 62 'Tests slower since Thursday'
tool 4; write 716 276 'Culprit?'
tool 7; click 246 232; click 10 443     # markers 1 and 2
xdotool key --window "$editor" Escape
click 450 -1                            # nothing stays selected
sleep 0.5
import -window "$editor" "$scratch/editor.png"

# ---- the pictures ------------------------------------------------------------------------

# The overlay's two moments side by side: pointing, with the cross-hair pointer the screen
# grab leaves out, and dragging.
cx=213 cy=130
convert "$scratch/pointing.png" -crop 360x310+$((pointer_x - cx))+$((pointer_y - cy)) +repage \
  -stroke white -strokewidth 3 -draw "line $((cx - 9)),$cy $((cx + 9)),$cy" -draw "line $cx,$((cy - 9)) $cx,$((cy + 9))" \
  -stroke black -strokewidth 1 -draw "line $((cx - 8)),$cy $((cx + 8)),$cy" -draw "line $cx,$((cy - 8)) $cx,$((cy + 8))" \
  "$scratch/pointing-part.png"
convert "$scratch/dragging.png" -crop 510x310+$((chart_x0))+$((chart_y0 - 58)) +repage "$scratch/dragging-part.png"
convert "$scratch/pointing-part.png" "$scratch/dragging-part.png" -bordercolor '#9aa0a6' -border 1 \
  -bordercolor white -border 5 +append -shave 4x4 -strip "$out/capture.png"
convert "$scratch/editor.png" -bordercolor '#9aa0a6' -border 1 -strip "$out/editor.png"
for picture in "$out/capture.png" "$out/editor.png"; do
  size=$(stat -c %s "$picture")
  [ "$size" -le 300000 ] || fail "$picture is $size bytes, over 300 kB"
  echo "$picture: $(identify -format '%wx%h' "$picture"), $((size / 1024)) kB"
done
