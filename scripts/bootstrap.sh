#!/usr/bin/env bash
# Installs the Debian packages Lumetra needs to build and run; with --tests, also
# those its tests, sanitizer build, fuzzers and benchmarks need.
# Quick when everything is present; loud and non-zero when it cannot install.
set -euo pipefail

# What building and running Lumetra needs.
PACKAGES=(
  # build
  cmake ninja-build ccache pkg-config g++ make
  # toolkit (qt6-wayland: the platform plugin for a Wayland session)
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-image-formats-plugins libqt6svg6
  qt6-translations-l10n qt6-wayland
  libgl-dev
  # images
  libheif-dev libheif1 libde265-0 libx265-199
  libdeflate-dev zlib1g-dev
  # X11
  libxcb1-dev libxcb-shm0-dev libxcb-randr0-dev libxcb-composite0-dev libxcb-xtest0-dev
  libxcb-xinput-dev libxcb-xfixes0-dev libxcb-shape0-dev libxcb-keysyms1-dev libxcb-ewmh-dev
  libxcb-icccm4-dev libxcb-damage0-dev libxkbcommon-x11-dev libxkbcommon-dev
  # Wayland: the compositor's keymap is read over a connection of our own
  libwayland-dev
  # text recognition
  libtesseract-dev libleptonica-dev tesseract-ocr-eng tesseract-ocr-chi-sim tesseract-ocr-chi-tra
  # (ideographs drawn to tell Simplified from Traditional)
  libfreetype-dev libfontconfig-dev
  # fonts
  fonts-dejavu-core fonts-liberation2 fonts-noto-cjk
)

# What the tests, the sanitizer build, the fuzzers and the benchmarks need besides
# (bootstrap.sh --tests; make test, test-sanitize, fuzz and bench ask for it).
TEST_PACKAGES=(
  # the command line the recognition tests and benchmark compare with
  tesseract-ocr
  libgtest-dev libgmock-dev libbenchmark-dev libpng-dev libx11-dev
  # sanitizer build and fuzzing (clang with its AddressSanitizer and libFuzzer runtimes,
  # and the OpenMP every build links, which gcc brings with it and clang does not)
  clang libclang-rt-14-dev libomp-14-dev
  # test desktop
  xvfb xauth openbox trayer xdotool xclip x11-utils x11-xkb-utils imagemagick scrot poppler-utils
  dbus-daemon
  # pgrep in the Wayland session script; less, a real pager that scrolling capture is tried on
  procps less
  # where a Lumetra that stopped answering in a failed end-to-end test stood
  gdb
  # real programs that scrolling capture is tried on
  xterm chromium
  # a CPU load beside the tests, as a busy CI machine has
  stress-ng
  # Wayland: a headless sway session with the desktop portal for the end-to-end test
  # (the portal exports Screenshot only with an Access backend, which the gtk one
  # brings; the clipboard through wl-clipboard, the screen through grim, a virtual
  # pointer and keyboard built against libwayland-client; xdg-desktop-portal-wlr picks a
  # window capture's area with slurp; sway's window tree read with jq)
  sway swaybg xdg-desktop-portal xdg-desktop-portal-wlr xdg-desktop-portal-gtk pipewire
  wl-clipboard grim slurp dbus-bin jq
)

case "${1:-}" in
  --tests) PACKAGES+=("${TEST_PACKAGES[@]}") ;;
  "") ;;
  *) echo "usage: bootstrap.sh [--tests]" >&2; exit 2 ;;
esac

# One dpkg query for the whole list keeps the common case (everything present) quick.
declare -A installed=()
while read -r name status; do
  [ "$status" = "installed" ] && installed[$name]=1
done < <(dpkg-query -W -f='${Package} ${db:Status-Status}\n' "${PACKAGES[@]}" 2>/dev/null || true)
missing=()
for p in "${PACKAGES[@]}"; do
  [ -n "${installed[$p]:-}" ] || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "bootstrap: installing ${#missing[@]} missing package(s): ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then
    SUDO="sudo"
  else
    echo "bootstrap: error: not root and sudo is not available; install these packages: ${missing[*]}" >&2
    exit 1
  fi
fi

export DEBIAN_FRONTEND=noninteractive
if ! $SUDO apt-get update -qq; then
  echo "bootstrap: error: apt-get update failed" >&2
  exit 1
fi
if ! $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/tmp/lumetra-bootstrap.log 2>&1; then
  tail -n 30 /tmp/lumetra-bootstrap.log >&2
  echo "bootstrap: error: could not install: ${missing[*]}" >&2
  exit 1
fi
echo "bootstrap: done"
