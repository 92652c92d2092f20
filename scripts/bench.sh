#!/usr/bin/env bash
# Measures how fast a receipt gets to the register and how soon a print file is
# picked up, running the real dravimo against ecrsim on a pseudo-terminal:
#   - the command interval of a 40-line receipt (mean, median) against the
#     floor the exchange sets itself (100 ms pause after a reply + the 20 ms
#     a serial read waits after the last byte), and the receipt's wall time;
#   - the pick-up latency (rename into place -> first command on the line) of
#     20 one-line receipts handed over at random moments, with the folder
#     watch on and with it off (DRAVIMO_NO_WATCH=1);
#   - dravimo's CPU while idle and while a command goes unanswered, and its RSS;
#   - the HTTP interface: from a POST of a one-line receipt to the first
#     command on the line (idle register), and GET /v1/register requests per
#     second while the 40-line receipt runs.
# It prints one report; nothing is compared or failed. It is a benchmark, not
# a test: figures depend on the machine and on what else it is doing.
#
#   BUILD_DIR     build folder (default: build); dravimo and ecrsim are built
#   DRAVIMO_BIN   take dravimo and ecrsim from this folder instead (no build),
#                 e.g. an older build to compare against
#   BENCH_FILES   how many files for the pick-up figures (default 20)
#   BENCH_KEEP=1  keep the scratch folder (trace, logs) and print its path
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
BUILD_DIR=${BUILD_DIR:-build}
if [ -z "${DRAVIMO_BIN:-}" ]; then
  [ -f "$BUILD_DIR/build.ninja" ] || cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
  cmake --build "$BUILD_DIR" --target dravimo ecrsim >/dev/null
  DRAVIMO_BIN="$ROOT/$BUILD_DIR/bin"
fi
FILES=${BENCH_FILES:-20}
FLOOR_MS=120
TICKS=$(getconf CLK_TCK)

RUN=$(mktemp -d "${TMPDIR:-/tmp}/dravimo-bench.XXXXXX")
SIM_PID=""
DRAVIMO_PID=""
cleanup() {
  if [ -n "$DRAVIMO_PID" ]; then kill "$DRAVIMO_PID" 2>/dev/null || true; fi
  if [ -n "$SIM_PID" ]; then kill "$SIM_PID" 2>/dev/null || true; fi
  wait 2>/dev/null || true
  if [ "${BENCH_KEEP:-0}" = 1 ]; then echo "kept: $RUN" >&2; else rm -rf "$RUN"; fi
}
trap cleanup EXIT

# The print files: the demo receipt's head and lines, CR LF, Windows-1253.
line() { sed -n "$1p" demo/receipt.prn; }
receipt() { # receipt ITEMS TOTAL
  line 1
  line 2
  for _ in $(seq "$1"); do line 5; done # "PLU 0003 ... 3 x 0.50"
  printf ' tot   1 %10s\r\n' "$2"
}
receipt 40 60.00 >"$RUN/long.prn"
receipt 1 1.50 >"$RUN/short.prn"

sed "s|@LOCATION@|$RUN/|" demo/param.ini.in | sed 's/$/\r/' >"$RUN/param.ini"
cp demo/vats.dat "$RUN/vats.dat"

ms_of_day() { # HH:MM:SS.mmm -> milliseconds since midnight
  awk -F'[:.]' '{ print (($1 * 60 + $2) * 60 + $3) * 1000 + $4 }' <<<"$1"
}
now_of_day() { ms_of_day "$(date +%H:%M:%S.%3N)"; }
# The trace's command lines as "ms-of-day" from a given line on.
commands_from() { # FIRST_LINE
  tail -n +"$1" "$RUN/trace.txt" | awk '$4 == "cmd" { split($1, t, /[:.]/); print ((t[1] * 60 + t[2]) * 60 + t[3]) * 1000 + t[4] }'
}
trace_lines() { wc -l <"$RUN/trace.txt"; }
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$DRAVIMO_PID/stat"; }
rss_kb() { awk '/^VmRSS/ { print $2 }' "/proc/$DRAVIMO_PID/status"; }
hwm_kb() { awk '/^VmHWM/ { print $2 }' "/proc/$DRAVIMO_PID/status"; }

start_sim() {
  "$DRAVIMO_BIN/ecrsim" --serial --trace "$RUN/trace.txt" --control "$RUN/ecr.ctl" >"$RUN/ecrsim.out" 2>"$RUN/ecrsim.err" &
  SIM_PID=$!
  for _ in $(seq 100); do [ -s "$RUN/ecrsim.out" ] && break; sleep 0.05; done
  DEVICE=$(head -n 1 "$RUN/ecrsim.out")
  [ -n "$DEVICE" ] || { echo "ecrsim did not start:" >&2; cat "$RUN/ecrsim.err" >&2; exit 1; }
}
ecr() { "$DRAVIMO_BIN/ecrsim" --send "$RUN/ecr.ctl" "$@" >/dev/null; }

start_dravimo() { # extra environment assignments...
  (cd "$RUN" && exec env DRAVIMO_COM1="$DEVICE" DRAVIMO_UNATTENDED=1 "$@" "$DRAVIMO_BIN/dravimo" \
    >>"$RUN/dravimo.out" 2>>"$RUN/dravimo.err") &
  DRAVIMO_PID=$!
  # Ready once it has found the register and printing is on: a first receipt
  # goes through.
  hand_over short print.1 >/dev/null
}
stop_dravimo() {
  kill "$DRAVIMO_PID" 2>/dev/null || true
  wait "$DRAVIMO_PID" 2>/dev/null || true
  DRAVIMO_PID=""
}

# Hands a print file over (written aside, renamed into place), waits for its
# job to end (the file is deleted) and prints the rename's ms-of-day.
hand_over() { # SOURCE NAME
  cp "$RUN/$1.prn" "$RUN/$2.tmp"
  local at
  at=$(now_of_day)
  mv "$RUN/$2.tmp" "$RUN/$2"
  for _ in $(seq 600); do [ -e "$RUN/$2" ] || break; sleep 0.05; done
  [ ! -e "$RUN/$2" ] || { echo "dravimo did not take $2 within 30 s:" >&2; cat "$RUN/dravimo.err" >&2; exit 1; }
  echo "$at"
}

stats() { # reads numbers (ms), prints "mean median worst" in seconds
  sort -n | awk '{ v[NR] = $1; s += $1 } END {
    if (NR == 0) { print "- - -"; exit }
    m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    printf "%.3f %.3f %.3f\n", s / NR / 1000, m / 1000, v[NR] / 1000 }'
}

# Pick-up latency of FILES one-line receipts handed over at random moments.
pickup() {
  local from at first
  for _ in $(seq "$FILES"); do
    sleep "0.$(printf '%03d' $((RANDOM % 1000)))"
    # A settle of its own: the previous job's last reply has gone out.
    sleep 0.2
    from=$(($(trace_lines) + 1))
    at=$(hand_over short print.1)
    first=$(commands_from "$from" | head -n 1)
    echo $((first - at))
  done
}

start_sim
echo "Dravimo benchmark, $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "binaries: $DRAVIMO_BIN"
echo

# 1. A 40-line receipt, with the watch on.
start_dravimo
sleep 0.5
from=$(($(trace_lines) + 1))
at=$(hand_over long print.1)
done_at=$(now_of_day)
mapfile -t sent < <(commands_from "$from")
intervals=$(for ((i = 1; i < ${#sent[@]}; i++)); do echo $((sent[i] - sent[i - 1])); done)
read -r mean median worst <<<"$(stats <<<"$intervals")"
echo "40-line receipt: ${#sent[@]} commands"
awk -v m="$mean" -v d="$median" -v w="$worst" -v f="$FLOOR_MS" 'BEGIN {
  printf "  command interval: mean %.3f s (%.2f x floor), median %.3f s, worst %.3f s; floor %.3f s\n",
    m, m * 1000 / f, d, w, f / 1000 }'
awk -v a="$at" -v f="${sent[0]}" -v l="${sent[-1]}" -v d="$done_at" 'BEGIN {
  printf "  wall time: %.2f s from hand-over to the file removed (first to last command %.2f s)\n",
    (d - a) / 1000, (l - f) / 1000 }'

# 2. Pick-up with the watch on.
read -r mean median worst <<<"$(pickup | stats)"
echo "pick-up, watch on  ($FILES files): median $median s, mean $mean s, worst $worst s"

# 3. CPU while idle and while a command goes unanswered, RSS.
cpu_over_10s() { # dravimo's CPU share over ten seconds, after one to settle
  local c0 c1
  sleep 1
  c0=$(cpu_ticks)
  sleep 10
  c1=$(cpu_ticks)
  awk -v t=$((c1 - c0)) -v h="$TICKS" 'BEGIN { printf "%.1f %%", t / h / 10 * 100 }'
}
echo "CPU idle (10 s): $(cpu_over_10s)"
ecr "silent"
cp "$RUN/short.prn" "$RUN/print.1.tmp"
mv "$RUN/print.1.tmp" "$RUN/print.1"
echo "CPU while a command goes unanswered (10 s): $(cpu_over_10s)"
echo "RSS: $(($(rss_kb) / 1024)) MB now, $(($(hwm_kb) / 1024)) MB peak"
stop_dravimo
ecr "silent off"
rm -f "$RUN/print.1"

# 4. Pick-up with the watch off: the poll alone.
start_dravimo DRAVIMO_NO_WATCH=1
read -r mean median worst <<<"$(pickup | stats)"
echo "pick-up, watch off ($FILES files): median $median s, mean $mean s, worst $worst s"
stop_dravimo

# 5. What the job journal costs: the 40-line receipt with the journal and
# without it (DRAVIMO_JOURNAL=off), in turns, so both see the same load.
receipt_interval() { # extra environment assignments...
  start_dravimo "$@"
  sleep 0.5
  local from sent
  from=$(($(trace_lines) + 1))
  hand_over long print.1 >/dev/null
  mapfile -t sent < <(commands_from "$from")
  for ((i = 1; i < ${#sent[@]}; i++)); do echo $((sent[i] - sent[i - 1])); done >"$RUN/intervals.$$"
  echo "$(awk '{ s += $1 } END { printf "%.4f", s / NR / 1000 }' "$RUN/intervals.$$") ${#sent[@]}"
  stop_dravimo
}
on=() off=()
for _ in 1 2 3; do
  read -r mean count <<<"$(receipt_interval)"
  on+=("$mean"); on_count=$count
  read -r mean count <<<"$(receipt_interval DRAVIMO_JOURNAL=off)"
  off+=("$mean"); off_count=$count
done
awk -v on="${on[*]}" -v off="${off[*]}" -v nc="$on_count" -v fc="$off_count" 'BEGIN {
  n = split(on, a, " "); split(off, b, " ")
  for (i = 1; i <= n; i++) { sa += a[i]; sb += b[i] }
  printf "job journal, 40-line receipt, 3 runs each: interval mean %.4f s with it (%d commands), %.4f s without (%d commands): %+.1f %%\n",
    sa / n, nc, sb / n, fc, (sa - sb) / sb * 100 }'


# 6. The HTTP interface: POST to the first command on the line, on an idle
# register; then how many GET /v1/register it answers per second while the
# 40-line receipt runs (one client, a new connection per request).
HTTP_PORT=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
start_dravimo DRAVIMO_HTTP=127.0.0.1:$HTTP_PORT
sleep 0.5
post() { # KEY FILE
  curl -sS -o /dev/null -w '%{http_code}' -X POST "http://127.0.0.1:$HTTP_PORT/v1/jobs?wait=30" \
    -H "Idempotency-Key: $1" -H 'Content-Type: text/plain; charset=windows-1253' --data-binary "@$2"
}
# Timed from inside one client (a curl started per request would add its own
# start-up to every figure): the moment before the request is sent, against
# the simulator's trace time of the first command after it (both wall clock,
# the trace to the millisecond).
python3 - "$HTTP_PORT" "$RUN/short.prn" "$RUN/trace.txt" "$FILES" "$$" <<'PY' | stats | {
import datetime, http.client, sys, time
port, body, trace, count, tag = int(sys.argv[1]), open(sys.argv[2], "rb").read(), sys.argv[3], int(sys.argv[4]), sys.argv[5]
for i in range(count):
    time.sleep(0.3)
    seen = len(open(trace, errors="replace").readlines())
    sent = datetime.datetime.now()
    c = http.client.HTTPConnection("127.0.0.1", port, timeout=30)
    c.request("POST", "/v1/jobs?wait=30", body, {"Host": f"127.0.0.1:{port}", "Idempotency-Key": f"bench-{tag}-{i}",
                                                 "Content-Type": "text/plain; charset=windows-1253"})
    if c.getresponse().status != 200:
        sys.exit("the HTTP job did not end")
    first = next(l for l in open(trace, errors="replace").readlines()[seen:] if l.split()[3:4] == ["cmd"])
    h, m, s = first.split()[0].split(":")
    at = datetime.datetime.combine(sent.date(), datetime.time(int(h), int(m))) + datetime.timedelta(seconds=float(s))
    print(round((at - sent).total_seconds() * 1000))
PY
  read -r mean median worst
  echo "HTTP POST to first command ($FILES receipts, idle register): median $median s, mean $mean s, worst $worst s"
}
post "bench-$$-long" "$RUN/long.prn" >/dev/null &
POST_PID=$!
python3 - "$HTTP_PORT" <<'PY'
import http.client, sys, time
port, n, t0 = int(sys.argv[1]), 0, time.perf_counter()
busy = False
while time.perf_counter() - t0 < 3:
    c = http.client.HTTPConnection("127.0.0.1", port, timeout=5)
    c.request("GET", "/v1/register", headers={"Host": f"127.0.0.1:{port}"})
    body = c.getresponse().read()
    busy = busy or b'"runningJob":"' in body
    c.close()
    n += 1
print(f"GET /v1/register while the 40-line receipt runs: {n / 3:.0f} requests/s"
      + ("" if busy else " (the job was not seen running)"))
PY
wait "$POST_PID" || true
stop_dravimo
