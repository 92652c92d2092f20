#!/usr/bin/env bash
# The kill sweep: dravimo and ecrsim as two processes, one print file that
# holds two receipts (the second paid part cash, part card) and a table order
# parked and then paid. dravimo is killed once per run and started again;
# afterwards the register's books must equal those of a run without a kill:
# every receipt and every table item on the register exactly once, nothing
# left open, the print file consumed, one outcome block in the result file
# ending "exitcode = 0", one card acknowledgement, an empty journal.
#
#   sweep.sh BIN_DIR service|oneshot|points|writes|lost|late
#
#   service  the register carries out its N-th command but the reply is lost
#            and the line goes dead; dravimo is killed with SIGKILL and
#            started again. Every N of the job, one run each.
#   oneshot  the same for the one-shot form (the host starts dravimo again
#            with the same command line, in the same working folder).
#   points   dravimo ends itself at a named point (DRAVIMO_CRASH_AT): after
#            every reply before it is journaled, before a few sends, and a
#            second time while it settles the first crash (as it starts,
#            before and after the cancel of an open receipt, after the lines
#            it sends again, and once it has settled).
#   writes   the N-th write to the journal folder fails (DRAVIMO_JOURNAL_FAIL_AT),
#            as on a full disk: once, and the same process settles the job
#            when writing works again; and from then on, until dravimo is
#            killed and started again with writing allowed. Every N of the
#            job, one run each way.
#   lost     a bad line, no kill: the register carries out its N-th command
#            and that one reply is lost; dravimo runs on. Every N, one run each.
#   late     the same with the N-th reply sent later than the answer window.
#
# SWEEP_JOBS runs that many runs at once (default 3); SWEEP_KEEP=1 keeps the
# scratch folders of failed runs; SWEEP_ONLY picks kills by name. Needs bash, coreutils and iconv.
set -Eeuo pipefail

HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/../.." && pwd)
[[ $# -ge 2 ]] || { echo "usage: $0 BIN_DIR service|oneshot|points|writes|lost|late" >&2; exit 2; }
BIN=$(cd "$1" && pwd)
MODE=$2
JOBS=${SWEEP_JOBS:-3}
TIMEOUT_S=60
export DRAVIMO_TIME_SCALE=10 DRAVIMO_UNATTENDED=1 LC_ALL=C.UTF-8
unset DRAVIMO_COM1 QT_QPA_PLATFORM DRAVIMO_CRASH_AT DRAVIMO_JOURNAL DRAVIMO_JOURNAL_FAIL_AT
SCRATCH=$(mktemp -d "${TMPDIR:-/tmp}/sweep-$MODE.XXXXXX")
trap 'rm -rf "$SCRATCH"' EXIT

# --- one run ------------------------------------------------------------------

# Runs one scenario in folder $1 (which must not exist yet).
#   $2  the kill: none | lose:N | point:POINT | twice:POINT:SECOND |
#       fail:N (one failed write) | full:N (failing writes, then a restart)
# Leaves in $1: books (the register's "show books"), result.txt, log.
run_one() {
  local w=$1 kill=$2 device sim_pid dravimo_pid line
  mkdir -p "$w"
  while IFS= read -r line || [[ -n $line ]]; do
    printf '%s\r\n' "${line//@LOCATION@/$w/}"
  done <"$ROOT/demo/param.ini.in" >"$w/param.ini"
  cp "$ROOT/demo/vats.dat" "$HERE/payeft.dat" "$w/"
  {
    echo "card default 358"
    if [[ $kill == lose:* ]]; then
      local n=${kill#lose:} on="" i
      for ((i = 1; i < n; i++)); do on+="on * "; done
      # The N-th command is carried out, its reply lost; the line is dead
      # from then on, as with a program that stopped reading.
      echo "${on}on * lose-reply 1"
      echo "${on}on * on * silent"
    fi
    if [[ $kill == lost:* || $kill == late:* ]]; then
      local n=${kill#*:} on="" i
      for ((i = 1; i < n; i++)); do on+="on * "; done
      # Once only: the line is good again from the next command on.
      if [[ $kill == lost:* ]]; then echo "${on}on * lose-reply 1"; else echo "${on}on * delay 9000 times 1"; fi
    fi
  } >"$w/scenario.scn"
  "$BIN/ecrsim" --serial --control "$w/ctl" --trace "$w/trace" --roll "$w/roll" --scenario "$w/scenario.scn" \
    >"$w/ecrsim.out" 2>"$w/ecrsim.err" &
  sim_pid=$!
  for _ in $(seq 100); do [[ -s $w/ecrsim.out ]] && break; sleep 0.05; done
  device=$(head -n 1 "$w/ecrsim.out")
  [[ $device == /* ]] || { echo "ecrsim did not start" >>"$w/log"; kill "$sim_pid"; return 1; }

  start_dravimo() { # [crash point] [failing writes]
    local args=()
    if [[ $MODE == oneshot ]]; then args=("com1:9600,9600,$w/print.1,0,mikro,0110000"); fi
    (cd "$w" && DRAVIMO_COM1=$device DRAVIMO_CRASH_AT=${1:-} DRAVIMO_JOURNAL_FAIL_AT=${2:-} \
      exec "$BIN/dravimo" "${args[@]}") >>"$w/dravimo.out" 2>>"$w/dravimo.err" &
    dravimo_pid=$!
  }
  wait_for() { # condition...: true once it holds, false after the time-out
    local deadline=$((SECONDS + TIMEOUT_S))
    until "$@"; do
      ((SECONDS < deadline)) || return 1
      sleep 0.05
    done
  }
  dead() { ! kill -0 "$dravimo_pid" 2>/dev/null; }
  # A one-shot run ends by itself; a service has settled once the print file
  # and the journal entry are gone.
  settled() {
    if [[ $MODE == oneshot ]]; then dead; else [[ ! -e $w/print.1 && ! -e $w/journal/job ]]; fi
  }
  reply_lost() { grep -q "reply lost" "$w/trace" 2>/dev/null; }
  # The job stopped at a write that failed, or ended before the N-th write.
  write_failed() { grep -q "^status: Η εργασία σταμάτησε" "$w/dravimo.err" 2>/dev/null || settled; }
  # The run ended itself at its crash point; one that never got there is
  # stopped and reported.
  crashed() {
    if wait_for dead; then
      wait "$dravimo_pid" 2>/dev/null || true
      return 0
    fi
    echo "crash point never reached" >>"$w/log"
    kill "$dravimo_pid" "$sim_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    return 1
  }

  cp "$HERE/mixed.prn" "$w/print.1.part"
  mv "$w/print.1.part" "$w/print.1"
  # Waits for the condition, then kills dravimo as a crash would; false (the
  # run abandoned) when the condition never comes.
  kill_once() { # what condition
    if ! wait_for "$2"; then
      echo "no $1" >>"$w/log"
      kill "$dravimo_pid" "$sim_pid" 2>/dev/null || true
      wait 2>/dev/null || true
      return 1
    fi
    kill -KILL "$dravimo_pid"
    wait "$dravimo_pid" 2>/dev/null || true
  }
  case $kill in
  none | lost:* | late:*) start_dravimo ;;
  lose:*)
    start_dravimo
    kill_once "command $kill" reply_lost || return 3
    "$BIN/ecrsim" --send "$w/ctl" reset >/dev/null
    start_dravimo
    ;;
  point:*)
    start_dravimo "${kill#point:}"
    crashed || return 3
    start_dravimo
    ;;
  fail:*) start_dravimo "" "write:${kill#fail:}-${kill#fail:}" ;;
  full:*)
    start_dravimo "" "write:${kill#full:}"
    kill_once "failed write $kill" write_failed || return 3
    start_dravimo
    ;;
  twice:*)
    # twice:NAME:N:SECOND or twice:NAME:N:SECOND:M
    local name n second
    IFS=: read -r name n second <<<"${kill#twice:}"
    start_dravimo "$name:$n"
    crashed || return 3
    start_dravimo "$second"
    crashed || return 3
    start_dravimo
    ;;
  esac
  local ok=0
  wait_for settled || ok=1
  # The footer and the outcome are written before the print file goes.
  "$BIN/ecrsim" --send "$w/ctl" "show books" >"$w/books" || ok=1
  kill "$dravimo_pid" 2>/dev/null || true
  wait "$dravimo_pid" 2>/dev/null || true
  kill "$sim_pid" 2>/dev/null || true
  wait "$sim_pid" 2>/dev/null || true
  if [[ -e $w/result.txt ]]; then iconv -f CP1253 -t UTF-8 "$w/result.txt" >"$w/result.utf8"; fi
  return $ok
}

# What a run must show besides the books. Prints the failures, one per line.
check_run() {
  local w=$1 kill=$2
  local result=$w/result.utf8
  if ! cmp -s "$w/books" "$SCRATCH/reference/books"; then
    echo "$kill: books differ:"
    diff "$SCRATCH/reference/books" "$w/books" | sed 's/^/    /'
  fi
  [[ -e $w/print.1 ]] && echo "$kill: print file not consumed"
  [[ -e $w/journal/job ]] && echo "$kill: journal entry left"
  [[ -n $(ls -A "$w/quarantine" 2>/dev/null) ]] && echo "$kill: print file quarantined"
  [[ -e $result ]] || { echo "$kill: no result file"; return; }
  local tags ends exits cards
  tags=$(grep -c '^tag = ' "$result" || true)
  ends=$(grep -c '^DateTime end = ' "$result" || true)
  exits=$(grep -c '^exitcode = ' "$result" || true)
  cards=$(grep -c '^ccPay0 = ' "$result" || true)
  [[ $tags == 1 && $ends == 1 && $exits == 1 ]] || echo "$kill: $tags tag, $ends end and $exits exitcode lines"
  grep -q '^exitcode = 0' "$result" || echo "$kill: $(grep '^exitcode' "$result" | tr '\n' ' ')"
  # A card approval that arrived while dravimo was dead cannot always be
  # read back; it must never be written twice.
  ((cards <= 1)) || echo "$kill: $cards ccPay lines"
  if ((cards == 0)); then echo "$kill: (note) no ccPay line" >&2; fi
}

# --- the sweep ------------------------------------------------------------------

run_one "$SCRATCH/reference" none || { echo "sweep: the reference run failed" >&2; cat "$SCRATCH/reference/"{log,dravimo.err} >&2 2>/dev/null; exit 1; }
check_run "$SCRATCH/reference" none >"$SCRATCH/reference/failures" || true
if [[ -s $SCRATCH/reference/failures ]]; then
  echo "sweep: the reference run is not clean:" >&2
  cat "$SCRATCH/reference/failures" >&2
  exit 1
fi
COMMANDS=$(grep -c ' cmd ' "$SCRATCH/reference/trace")

KILLS=()
case $MODE in
service | oneshot)
  for ((n = 1; n <= COMMANDS; n++)); do KILLS+=("lose:$n"); done
  ;;
points)
  # Every reply not yet journaled (the search and the numbers before the job
  # go outside the journal); a few sends; the settling itself killed.
  for ((n = 1; n <= COMMANDS - 2; n++)); do KILLS+=("point:after-reply:$n"); done
  for n in 3 9 15; do KILLS+=("point:before-send:$n"); done
  for n in 6 12 18 24; do
    KILLS+=("twice:after-reply:$n:recovery-start" "twice:after-reply:$n:recovery-settled")
  done
  # A sale in flight in an open receipt (the 3rd and 8th journaled replies):
  # recovery cancels the receipt and sends it again from its first line.
  for n in 3 8; do
    KILLS+=("twice:after-reply:$n:recovery-before-cancel" "twice:after-reply:$n:recovery-after-cancel")
    for k in 1 2 3; do KILLS+=("twice:after-reply:$n:after-reply:$k"); done
  done
  ;;
writes)
  # Every reply, the card mark and the outcome are journal writes, and so
  # are the entry, the note and the removal: a few more than the commands.
  for ((n = 1; n <= COMMANDS + 2; n++)); do KILLS+=("fail:$n" "full:$n"); done
  ;;
lost | late)
  for ((n = 1; n <= COMMANDS; n++)); do KILLS+=("$MODE:$n"); done
  ;;
*) echo "unknown mode $MODE" >&2; exit 2 ;;
esac
# SWEEP_ONLY="lose:7 lose:18" runs only those kills (to look at one closely).
if [[ -n ${SWEEP_ONLY:-} ]]; then read -r -a KILLS <<<"$SWEEP_ONLY"; fi

lane() { # runs every JOBS-th kill, starting at $1
  local i w
  for ((i = $1; i < ${#KILLS[@]}; i += JOBS)); do
    w=$SCRATCH/run-$i
    if run_one "$w" "${KILLS[$i]}" >/dev/null 2>&1; then
      check_run "$w" "${KILLS[$i]}" >"$w/failures" 2>>"$SCRATCH/notes" || true
    else
      echo "${KILLS[$i]}: the run did not finish: $(cat "$w/log" 2>/dev/null)" >"$w/failures"
    fi
  done
}
for ((j = 0; j < JOBS; j++)); do lane "$j" & done
wait

failed=0
for ((i = 0; i < ${#KILLS[@]}; i++)); do
  w=$SCRATCH/run-$i
  if [[ -s $w/failures ]]; then
    failed=$((failed + 1))
    cat "$w/failures"
    if [[ ${SWEEP_KEEP:-0} == 1 ]]; then
      cp -r "$w" "${TMPDIR:-/tmp}/sweep-kept-$MODE-$i"
      echo "    kept in ${TMPDIR:-/tmp}/sweep-kept-$MODE-$i"
    fi
  fi
done
notes=$(sort "$SCRATCH/notes" 2>/dev/null | tr '\n' ' ')
echo "sweep $MODE: ${#KILLS[@]} runs over $COMMANDS commands, $failed failed${notes:+; $notes}"
[[ $failed == 0 ]]
