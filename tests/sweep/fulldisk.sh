#!/usr/bin/env bash
# A real full disk: the working folder (param.ini, the job journal, the
# result file) on a tmpfs of its own, filled to the last block while a print
# file waits in a print folder elsewhere. dravimo must stop the job before
# anything reaches the register or the host, say so once, and print the
# receipt exactly once when room is made, with one outcome block. (A disk
# that fills in the middle of a job is the write-failure sweep's: on a tmpfs
# a file's last page takes appends after the disk is full, so the moment
# cannot be chosen here.)
# Exits 77 (ctest: skipped) with the reason where a tmpfs cannot be mounted.
#   tests/sweep/fulldisk.sh BIN_DIR
set -uo pipefail
BIN=$(cd "${1:?usage: $0 BIN_DIR}" && pwd)
HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/../.." && pwd)
skip() { echo "SKIPPED: $*"; exit 77; }
[[ $(id -u) == 0 ]] || skip "mounting a tmpfs needs root (CI runs as root)"
export DRAVIMO_TIME_SCALE=10 DRAVIMO_UNATTENDED=1 LC_ALL=C.UTF-8
unset DRAVIMO_COM1 QT_QPA_PLATFORM DRAVIMO_CRASH_AT DRAVIMO_JOURNAL DRAVIMO_JOURNAL_FAIL_AT
SCRATCH=$(mktemp -d "${TMPDIR:-/tmp}/fulldisk.XXXXXX")
SIM_PID="" DRAVIMO_PID=""
cleanup() {
  [[ -n $DRAVIMO_PID ]] && kill "$DRAVIMO_PID" 2>/dev/null && wait "$DRAVIMO_PID" 2>/dev/null
  [[ -n $SIM_PID ]] && kill "$SIM_PID" 2>/dev/null && wait "$SIM_PID" 2>/dev/null
  mountpoint -q "$SCRATCH/work" && umount "$SCRATCH/work"
  rm -rf "$SCRATCH"
}
trap cleanup EXIT
fail() { echo "FAILED: $*"; for f in dravimo.err books; do [[ -e $SCRATCH/$f ]] && sed 's/^/    /' "$SCRATCH/$f"; done; exit 1; }
wait_for() { # seconds condition...
  local deadline=$((SECONDS + $1)); shift
  until "$@"; do ((SECONDS < deadline)) || return 1; sleep 0.1; done
}

mkdir -p "$SCRATCH/work" "$SCRATCH/print"
mount -t tmpfs -o size=1m tmpfs "$SCRATCH/work" 2>/dev/null || skip "cannot mount a tmpfs here"
W=$SCRATCH/work
while IFS= read -r line || [[ -n $line ]]; do
  printf '%s\r\n' "${line//@LOCATION@/$SCRATCH/print/}"
done <"$ROOT/demo/param.ini.in" >"$W/param.ini"
cp "$ROOT/demo/vats.dat" "$HERE/payeft.dat" "$W/"

"$BIN/ecrsim" --serial --control "$SCRATCH/ctl" --roll "$SCRATCH/roll" >"$SCRATCH/ecrsim.out" 2>"$SCRATCH/ecrsim.err" &
SIM_PID=$!
wait_for 10 test -s "$SCRATCH/ecrsim.out" || fail "ecrsim did not start"
DEVICE=$(head -n 1 "$SCRATCH/ecrsim.out")
(cd "$W" && DRAVIMO_COM1=$DEVICE exec "$BIN/dravimo") >"$SCRATCH/dravimo.out" 2>"$SCRATCH/dravimo.err" &
DRAVIMO_PID=$!
wait_for 30 grep -q "Αναμονή Για Στοιχεία" "$SCRATCH/dravimo.err" || fail "dravimo did not get ready"

# Fills the working folder, leaving about $1 KiB.
fill() {
  rm -f "$W/filler"
  dd if=/dev/zero of="$W/filler" bs=1k count=2048 2>/dev/null
  if (($1 > 0)); then truncate -s "-$(($1))K" "$W/filler"; fi
  return 0
}
alerts() { grep -c "^status: Η εργασία σταμάτησε" "$SCRATCH/dravimo.err"; }
settled() { [[ ! -e $SCRATCH/print/print.1 && ! -e $W/journal/job ]]; }

BEFORE=0
alerted() { (($(alerts) > BEFORE)); }
round() { # room in KiB, receipts expected on the register afterwards
  local room=$1 expected=$2
  BEFORE=$(alerts)
  fill "$room"
  cp "$HERE/mixed.prn" "$SCRATCH/print/print.1.part" && mv "$SCRATCH/print/print.1.part" "$SCRATCH/print/print.1"
  wait_for 60 alerted || fail "no alert with $room KiB free"
  sleep 1 # further ticks on the full disk: no second alert, nothing printed twice
  [[ $(alerts) == $((BEFORE + 1)) ]] || fail "more than one alert for one episode"
  rm -f "$W/filler"
  wait_for 60 settled || fail "not settled once room was made ($room KiB)"
  "$BIN/ecrsim" --send "$SCRATCH/ctl" "show books" >"$SCRATCH/books"
  grep -q "receipt none" "$SCRATCH/books" || fail "a receipt was left open"
  [[ $(grep -c '^[0-9]*: ' "$SCRATCH/books") == "$expected" ]] || fail "expected $expected receipts after $room KiB"
  local result=$W/result.txt
  [[ $(grep -c '^tag = ' "$result") == $((expected / 3)) ]] || fail "tag lines: $(grep -c '^tag = ' "$result")"
  [[ $(grep -c '^exitcode = 0' "$result") == $((expected / 3)) ]] || fail "exitcode lines"
}
# The mixed print file books three receipts (one a table's).
round 0 3
grep -q "Η εγγραφή στον δίσκο είναι ξανά δυνατή" "$SCRATCH/dravimo.err" || fail "no line when writing worked again"
grep -q "No space left on device" "$SCRATCH/dravimo.err" || fail "the alert did not say why"
echo "full disk: every receipt once"
