#!/usr/bin/env bash
# Installs what is needed, builds Dravimo and the ECR simulator, and runs the
# main job once: the simulator on a pseudo-terminal, Dravimo against it, and a
# Greek receipt from demo/receipt.prn travelling to the simulator's paper roll.
#   BUILD_DIR          build folder (default: build)
#   DRAVIMO_DEMO_WINDOW=1  show Dravimo's window (needs a display) instead of
#                      running it unattended
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
./scripts/install-deps.sh
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$BUILD_DIR" --target dravimo ecrsim
BIN="$ROOT/$BUILD_DIR/bin"

RUN="$ROOT/$BUILD_DIR/demo-run"
rm -rf "$RUN"
mkdir -p "$RUN"
sed "s|@LOCATION@|$RUN/|" demo/param.ini.in | sed 's/$/\r/' > "$RUN/param.ini"
cp demo/vats.dat "$RUN/vats.dat"

SIM_PID=""; DRAVIMO_PID=""
cleanup() {
  [ -n "$DRAVIMO_PID" ] && kill "$DRAVIMO_PID" 2>/dev/null || true
  [ -n "$SIM_PID" ] && kill "$SIM_PID" 2>/dev/null || true
}
trap cleanup EXIT

echo "== Starting the ECR simulator"
"$BIN/ecrsim" --serial --roll "$RUN/paper-roll.txt" --trace "$RUN/ecr-trace.txt" >"$RUN/ecrsim.out" 2>"$RUN/ecrsim.err" &
SIM_PID=$!
for _ in $(seq 50); do [ -s "$RUN/ecrsim.out" ] && break; sleep 0.1; done
DEVICE=$(head -n 1 "$RUN/ecrsim.out")
[ -n "$DEVICE" ] || { echo "ecrsim did not start:"; cat "$RUN/ecrsim.err"; exit 1; }
echo "   register on $DEVICE (port com1 via DRAVIMO_COM1)"

echo "== Starting Dravimo in $RUN"
UNATTENDED=1
[ "${DRAVIMO_DEMO_WINDOW:-0}" = 1 ] && [ -n "${DISPLAY:-}" ] && UNATTENDED=0
(cd "$RUN" && DRAVIMO_COM1="$DEVICE" DRAVIMO_UNATTENDED=$UNATTENDED exec "$BIN/dravimo" >"$RUN/dravimo.out" 2>"$RUN/dravimo.err") &
DRAVIMO_PID=$!

echo "== Handing over demo/receipt.prn as print.1 (written aside, then renamed into place)"
cp demo/receipt.prn "$RUN/print.1.tmp"
mv "$RUN/print.1.tmp" "$RUN/print.1"

# Dravimo deletes the print file once the job, footer included, is done.
for _ in $(seq 120); do [ -e "$RUN/print.1" ] || break; sleep 0.5; done
if [ -e "$RUN/print.1" ]; then
  echo "The receipt was not printed within a minute. Dravimo said:"; cat "$RUN/dravimo.err"; exit 1
fi

echo
echo "== Result file for the host ($RUN/result.txt)"
iconv -f CP1253 -t UTF-8 "$RUN/result.txt"
echo
echo "== The simulator's paper roll ($RUN/paper-roll.txt)"
cat "$RUN/paper-roll.txt"
echo
echo "Every command and reply: $RUN/ecr-trace.txt"
