#!/usr/bin/env bash
# Regenerates docs/main-window.png and docs/demo-paper-roll.txt: the real
# program with its window on a virtual display (Xvfb), against ecrsim, after
# printing the demo receipt. The window is driven as an operator would: Enter
# on the focused "Έναρξη Εκτύπωσης" button once the register has answered.
#   BUILD_DIR   build folder (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
if [ -z "${DRAVIMO_IN_XVFB:-}" ]; then
  ./scripts/install-deps.sh
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends \
    xdotool imagemagick qt6-qpa-plugins >/dev/null
  BUILD_DIR=${BUILD_DIR:-build}
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
  cmake --build "$BUILD_DIR" --target dravimo ecrsim
  export BUILD_DIR
  DRAVIMO_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

BIN="$ROOT/$BUILD_DIR/bin"
RUN="$ROOT/$BUILD_DIR/screenshot-run"
rm -rf "$RUN"; mkdir -p "$RUN"
# The demo's settings with the print folder the installed samples use
# (print/ in the working folder), and printing started by hand so that the
# window stays on screen (AutoStar would hide it in the notification area).
mkdir -p "$RUN/print"
sed "s|@LOCATION@|print/|; s|^\[AutoStar\]=yes|[AutoStar]=no|" demo/param.ini.in | sed 's/$/\r/' >"$RUN/param.ini"
cp demo/vats.dat "$RUN/"

SIM_PID=""; DRAVIMO_PID=""
cleanup() {
  [ -n "$DRAVIMO_PID" ] && kill "$DRAVIMO_PID" 2>/dev/null || true
  [ -n "$SIM_PID" ] && kill "$SIM_PID" 2>/dev/null || true
}
trap cleanup EXIT
"$BIN/ecrsim" --serial --roll "$RUN/paper-roll.txt" >"$RUN/ecrsim.out" 2>"$RUN/ecrsim.err" &
SIM_PID=$!
for _ in $(seq 50); do [ -s "$RUN/ecrsim.out" ] && break; sleep 0.1; done
DEVICE=$(head -n 1 "$RUN/ecrsim.out")
[ -n "$DEVICE" ] || { cat "$RUN/ecrsim.err"; exit 1; }

(cd "$RUN" && DRAVIMO_COM1="$DEVICE" LANG=C.UTF-8 exec "$BIN/dravimo" >"$RUN/dravimo.out" 2>"$RUN/dravimo.err") &
DRAVIMO_PID=$!
WINDOW=""
for _ in $(seq 100); do
  WINDOW=$(xdotool search --name '^Dravimo- Έτοιμο$' 2>/dev/null | head -n 1 || true)
  [ -n "$WINDOW" ] && break
  sleep 0.2
done
[ -n "$WINDOW" ] || { echo "the window never showed the register as ready"; cat "$RUN/dravimo.err"; exit 1; }
xdotool windowfocus --sync "$WINDOW" key Return

cp demo/receipt.prn "$RUN/print/print.1.tmp"
mv "$RUN/print/print.1.tmp" "$RUN/print/print.1"
for _ in $(seq 120); do [ -e "$RUN/print/print.1" ] || break; sleep 0.5; done
[ ! -e "$RUN/print/print.1" ] || { echo "the demo receipt was not printed"; exit 1; }
sleep 1.5 # the status line and the job counter settle
import -window "$WINDOW" "$ROOT/docs/main-window.png"
cp "$RUN/paper-roll.txt" "$ROOT/docs/demo-paper-roll.txt"
echo "docs/main-window.png and docs/demo-paper-roll.txt written"
