#!/usr/bin/env bash
# Fault soak: N print files of varied content (sales, quantities, discounts,
# comments, restaurant tables, cash, card and split payments) through one
# running dravimo against ecrsim, which misbehaves at random on about
# SOAK_FAULT_PERCENT % of the commands (silence, error replies, paper out and
# back, line noise, replies in pieces or late, replies lost or later than the
# answer window, declined cards); now and then dravimo itself is killed
# (SIGKILL) in the middle of a job and started again.
#
# After every job it checks that the print file was consumed, that the result
# file holds one complete outcome, and that the register holds exactly what
# the host was told: a job reported as done (exitcode 0, whatever "Err = "
# lines it has) has exactly its own items on one printed receipt, numbered as
# the result file says, and leaves no table open for keying; a failed job says
# so and leaves nothing on the next job's receipt. At the end it prints the
# figures and exits 1 when any check failed.
#
#   scripts/soak.sh N
#   BIN_DIR             where dravimo and ecrsim are (default: build/bin)
#   SOAK_FAULT_PERCENT  faults per 100 commands (default: 1)
#   SOAK_KILL_PERCENT   jobs per 100 during which dravimo is killed (default: 2)
#   SOAK_SEED           the register's dice and the print files (default: 1)
#   DRAVIMO_TIME_SCALE  both programs this many times faster (default: 50)
#   SOAK_KEEP=1         keep the scratch folder (its path is printed)
set -Eeuo pipefail

N=${1:-}
[[ $N =~ ^[0-9]+$ && $N -gt 0 ]] || { echo "usage: $0 N (number of print files)" >&2; exit 2; }
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BIN=$(cd "${BIN_DIR:-$ROOT/build/bin}" && pwd)
[[ -x $BIN/dravimo && -x $BIN/ecrsim ]] || { echo "no dravimo and ecrsim in $BIN" >&2; exit 2; }
PERCENT=${SOAK_FAULT_PERCENT:-1}
KILL_PERCENT=${SOAK_KILL_PERCENT:-2}
SEED=${SOAK_SEED:-1}
export DRAVIMO_TIME_SCALE=${DRAVIMO_TIME_SCALE:-50} DRAVIMO_UNATTENDED=1 LC_ALL=C.UTF-8
unset DRAVIMO_COM1 QT_QPA_PLATFORM
# A job that has not been taken and finished in this many real seconds is stuck.
JOB_TIMEOUT_S=${SOAK_JOB_TIMEOUT_S:-60}

SCRATCH=$(mktemp -d "${TMPDIR:-/tmp}/soak.XXXXXX")
WORK=$SCRATCH/work
mkdir -p "$WORK"
SOCK=$SCRATCH/ecrsim.sock
ROLL=$SCRATCH/roll.txt
SIM_PID="" DRAVIMO_PID=""
stop() {
  local pid
  for pid in $DRAVIMO_PID $SIM_PID; do
    if kill "$pid" 2>/dev/null; then wait "$pid" 2>/dev/null || true; fi
  done
  DRAVIMO_PID="" SIM_PID=""
  if [[ ${SOAK_KEEP:-0} == 1 ]]; then echo "soak: scratch folder kept: $SCRATCH"; else rm -rf "$SCRATCH"; fi
}
trap stop EXIT

# --- set-up: multi-file mode on print.1, comments on, descriptions printed ---
sed "s|@LOCATION@|$WORK/|" "$ROOT/demo/param.ini.in" | sed 's/$/\r/' >"$WORK/param.ini"
cp "$ROOT/demo/vats.dat" "$WORK/vats.dat"
# payeft.dat: payment 2 a card payment on terminal 1 with no fallback, payment
# 3 one that falls back to cash (payment 1) when the card fails.
record() { # payment ecr terminal active retries fallback: six little-endian words, zero-padded to 128 bytes
  local w
  for w in "$@"; do printf "\\x$(printf %02x $((w & 255)))\\x$(printf %02x $(((w >> 8) & 255)))"; done
  head -c $((128 - 2 * $#)) /dev/zero
}
{ head -c 128 /dev/zero; record 2 2 1 65535 0 0; record 3 2 1 65535 0 1; } >"$WORK/payeft.dat"

# --- the register and the program ---
"$BIN/ecrsim" --serial --roll "$ROLL" --trace "$SCRATCH/trace.txt" --control "$SOCK" --set "random-faults $PERCENT seed $SEED" \
  >"$SCRATCH/ecrsim.out" 2>"$SCRATCH/ecrsim.err" &
SIM_PID=$!
for _ in $(seq 100); do [[ -s $SCRATCH/ecrsim.out ]] && break; sleep 0.05; done
DEVICE=$(head -n 1 "$SCRATCH/ecrsim.out")
[[ $DEVICE == /* ]] || { echo "ecrsim did not start: $(<"$SCRATCH/ecrsim.err")" >&2; exit 2; }
start_dravimo() {
  (cd "$WORK" && DRAVIMO_COM1=$DEVICE exec "$BIN/dravimo") >>"$SCRATCH/dravimo.out" 2>>"$SCRATCH/dravimo.err" &
  DRAVIMO_PID=$!
}
start_dravimo
# Kills dravimo at a random moment of the job just handed to it (up to a
# quarter of a real second: at the default time scale, up to 12 s of the
# program's time) and starts it again: the job must be settled once.
KILLS=0
kill_and_restart() {
  sleep "0.$(printf '%03d' $((RANDOM % 250)))"
  kill -KILL "$DRAVIMO_PID" 2>/dev/null || true
  wait "$DRAVIMO_PID" 2>/dev/null || true
  KILLS=$((KILLS + 1))
  start_dravimo
}

ask() { "$BIN/ecrsim" --send "$SOCK" "$@"; }
rss_kb() { awk -v k="$1:" '$1 == k { print $2 }' "/proc/$DRAVIMO_PID/status" 2>/dev/null || echo 0; }

# --- print files ---
RANDOM=$SEED
DESCS=("ΣΟΥΒΛΑΚΙ" "Καφές φρέντο" "ΝΕΡΟ 500ml" "Σαλάτα χωριάτικη" "PIZZA" "Μπύρα" "ΓΛΥΚΟ" "Ψωμί")
RATES=(13 24 13 13 24 24 13 24)
plu() { # tag item quantity price-cents rate-index
  local desc="${1} I${2} ${DESCS[$5]}"
  desc=${desc:0:24}
  # printf pads bytes; the columns count characters (the text is UTF-8 here).
  printf ' PLU %-14s%s%*s    %7s  %9s   %5s\r\n' "" "$desc" $((24 - ${#desc})) "" "$3" \
    "$(printf '%d.%02d' $(($4 / 100)) $(($4 % 100)))" "${RATES[$5]}"
}
money() { printf '%d.%02d' $(($1 / 100)) $(($1 % 100)); }

# Writes job $1's print file to $2 and sets EXPECT_ITEMS (sale lines the
# receipt must show), EXPECT_RECEIPT (1 when the job prints a receipt) and
# KIND; group tags tie an order on a table to the job that pays it.
OPEN_TABLE_GROUP="" OPEN_TABLE=0 OPEN_TABLE_ITEMS=0
declare -A DIRTY_TABLES=()
make_job() {
  local j=$1 out=$2 tag kind items=$((1 + RANDOM % 5)) total=0 i q p r
  kind=$((RANDOM % 8))
  # Tables run out only if nearly all of them were left holding an order.
  if ((kind == 0 && ${#DIRTY_TABLES[@]} >= 90)); then kind=1; fi
  if [[ -n $OPEN_TABLE_GROUP ]]; then kind=pay-table; fi
  if [[ $kind == pay-table ]]; then
    tag=$OPEN_TABLE_GROUP
  else
    tag=$(printf 'J%05d' "$j")
  fi
  {
    printf ' resFile:  r%05d.txt\r\n' "$j"
    printf ' tag:  %s\r\n' "$tag"
    case $kind in
      pay-table)
        printf ' TBS  %d\r\n' "$OPEN_TABLE"
        printf ' tot   1  %9s\r\n' "999.00"
        printf ' TBC %d\r\n' "$OPEN_TABLE"
        KIND=table-pay EXPECT_ITEMS=$OPEN_TABLE_ITEMS EXPECT_RECEIPT=1
        OPEN_TABLE_GROUP="" ;;
      0)
        # A table whose paying job failed keeps its order: never used again.
        OPEN_TABLE=$((1 + RANDOM % 99))
        while [[ -n ${DIRTY_TABLES[$OPEN_TABLE]:-} ]]; do OPEN_TABLE=$((OPEN_TABLE % 99 + 1)); done
        printf ' TBO %d\r\n' "$OPEN_TABLE"
        for ((i = 1; i <= items; i++)); do plu "$tag" "$i" $((1 + RANDOM % 3)) $((50 + RANDOM % 900)) $((RANDOM % 8)); done
        printf ' TBC %d\r\n' "$OPEN_TABLE"
        KIND=table-order EXPECT_ITEMS=0 EXPECT_RECEIPT=0
        OPEN_TABLE_GROUP=$tag OPEN_TABLE_ITEMS=$items ;;
      *)
        for ((i = 1; i <= items; i++)); do
          q=$((1 + RANDOM % 3)) p=$((50 + RANDOM % 900)) r=$((RANDOM % 8))
          plu "$tag" "$i" "$q" "$p" "$r"
          total=$((total + q * p))
          if ((RANDOM % 4 == 0)); then printf ' com  Σχόλιο %d για το %d\r\n' "$j" "$i"; fi
        done
        case $kind in
          1 | 2) # cash, with a discount on the last item; paid with change
            printf ' mod  -10.00%%   Έκπτωση πελάτη\r\n'
            printf ' tot   1  %9s\r\n' "999.00"; KIND=cash ;;
          3) printf ' tot   1  %9s\r\n' "$(money "$total")"; KIND=cash-exact ;;
          4) printf ' tot   2  %9s\r\n' "$(money "$total")"; KIND=card ;;
          5) printf ' tot   3  %9s\r\n' "$(money "$total")"; KIND=card-fallback ;;
          *) # 1.00 by card (less than the total: every item costs 0.50 or more), the rest cash
            if ((total <= 100)); then printf ' PLU %-14s%-24s    %7s  %9s   %5s\r\n' "" "$tag I$((++items))" 1 1.00 13; fi
            printf ' tot   2  %9s\r\n' "1.00"; printf ' tot   1  %9s\r\n' "999.00"; KIND=split ;;
        esac
        EXPECT_ITEMS=$items EXPECT_RECEIPT=1 ;;
    esac
  } >"$out.utf8"
  iconv -f UTF-8 -t CP1253 "$out.utf8" >"$out"
  rm -f "$out.utf8"
  JOB_TAG=$tag
}

# --- figures ---
JOBS=0 DONE=0 FAILED_REPORTED=0 STUCK=0 INCOMPLETE=0 LOST=0 DOUBLED=0 CONTAMINATED=0
CASHIER_CUES=0 CASHIER_FINISHED=0 UNREPORTED=0 TRANSIENT_FAILED=0 OPEN_AFTER_FAILURE=0 PROBLEMS=0 ERR_ONLY=0 PREV_REFUSALS=0 PREV_OPEN=0
declare -A KIND_COUNT=()
LOG=$SCRATCH/problems.txt
: >"$LOG"
problem() { PROBLEMS=$((PROBLEMS + 1)); echo "job $j ($KIND, $JOB_TAG): $*" >>"$LOG"; }
fault_counts() { ask "random-faults show" | sed -n 's/.*faults [0-9]*: //p'; }
transient_sum() { # the transient faults of a "random-faults show" line
  awk -F', ' '{ s = 0; for (i = 1; i <= NF; i++) { split($i, kv, " "); if (kv[1] ~ /^(garbage|split|delay)$/) s += kv[2] } print s }' <<<"$1"
}
# Faults a job may fail on (and must then say so): refusals, and silence or a
# lost or late reply to a command that changes the register, which is never
# sent again on a guess (a payment after a card payment cannot be undone).
refusal_sum() {
  awk -F', ' '{ s = 0; for (i = 1; i <= NF; i++) { split($i, kv, " "); if (kv[1] ~ /^(error|paper|decline|silence|lost|late)$/) s += kv[2] } print s }' <<<"$1"
}

ROLL_AT=0 RSS_START=0 STARTED=$(date +%s)
before=$(fault_counts)
for ((j = 1; j <= N; j++)); do
  make_job "$j" "$WORK/print.1.part"
  JOBS=$((JOBS + 1)); KIND_COUNT[$KIND]=$((${KIND_COUNT[$KIND]:-0} + 1))
  mv "$WORK/print.1.part" "$WORK/print.1"
  KILLED=0
  if ((RANDOM % 100 < KILL_PERCENT)); then kill_and_restart; KILLED=1; fi
  deadline=$(($(date +%s) + JOB_TIMEOUT_S))
  while [[ -e $WORK/print.1 ]] && (($(date +%s) < deadline)); do sleep 0.02; done
  if [[ -e $WORK/print.1 ]]; then
    STUCK=$((STUCK + 1)); problem "print file not consumed in ${JOB_TIMEOUT_S}s"
    break
  fi
  if ! kill -0 "$DRAVIMO_PID" 2>/dev/null; then problem "dravimo ended"; break; fi
  ((j == 1)) && RSS_START=$(rss_kb VmRSS)

  # One complete outcome in the result file.
  res=$WORK/$(printf 'r%05d.txt' "$j")
  outcome=$(iconv -c -f CP1253 -t UTF-8 "$res" 2>/dev/null | tr -d '\r' || true)
  complete=1
  for key in "tag = " "DateTime start = " "DateTime end = " "recStatus = " "receipt = " "exitcode = "; do
    [[ $(grep -c "^$key" <<<"$outcome") == 1 ]] || complete=0
  done
  if ((complete == 0)); then INCOMPLETE=$((INCOMPLETE + 1)); problem "result file incomplete: $(tr '\n' '|' <<<"$outcome")"; fi
  exitcode=$(sed -n 's/^exitcode = //p' <<<"$outcome")
  told=$(sed -n 's/^receipt = [^,]*, *\([^,]*\),.*/\1/p' <<<"$outcome")

  # What the register printed since the last job, and where it stands now.
  size=$(stat -c %s "$ROLL")
  section=$(tail -c +$((ROLL_AT + 1)) "$ROLL" | head -c $((size - ROLL_AT)))
  # A receipt still open at the end of this job is looked at again with the
  # next job's section: whatever closes it there must hold one job's items.
  unclosed=$(LC_ALL=C awk '
    /ΑΠΟΔΕΙΞΗ ΛΙΑΝΙΚΗΣ/ { open = off } /^ΑΡ\. ΑΠΟΔΕΙΞΗΣ/ { open = -1 }
    { off += length($0) + 1 } BEGIN { open = -1 } END { print open }' <<<"$section")
  if ((unclosed >= 0)); then ROLL_AT=$((ROLL_AT + unclosed)); else ROLL_AT=$size; fi
  answers=$(ask "show status" "random-faults show")
  status=$(head -n 1 <<<"$answers")
  open=$([[ $status == *"receipt open"* ]] && echo 1 || echo 0)
  table=$(sed -n 's/.*, table \([0-9]*\),.*/\1/p' <<<"$status")
  last=$(sed -n 's/.*last receipt \([0-9]*\).*/\1/p' <<<"$status")
  after=$(sed -n 's/.*faults [0-9]*: //p' <<<"$answers")
  transient=$(($(transient_sum "$after") - $(transient_sum "$before")))
  refusals=$(($(refusal_sum "$after") - $(refusal_sum "$before") + KILLED))
  before=$after
  # Receipts closed in this section, each with the tags of its sale lines.
  receipts=$(awk '
    /ΑΠΟΔΕΙΞΗ ΛΙΑΝΙΚΗΣ/ { body = ""; inside = 1; next }
    inside && /^J[0-9][0-9][0-9][0-9][0-9] I[0-9]/ { body = body " " substr($1, 1) "/" $2 }
    inside && /^ΑΡ\. ΑΠΟΔΕΙΞΗΣ/ { print $NF ":" body; inside = 0 }
  ' <<<"$section")
  printed=$(grep -c . <<<"$receipts" || true)

  ours=0 others=0 seen=""
  while IFS= read -r rec; do
    [[ -z $rec ]] && continue
    tags=${rec#*:}
    for t in $tags; do
      if [[ ${t%/*} == "$JOB_TAG" ]]; then
        ours=$((ours + 1))
        [[ " $seen " == *" $t "* ]] && { DOUBLED=$((DOUBLED + 1)); problem "item $t printed twice"; }
        seen+=" $t"
      else
        others=$((others + 1))
      fi
    done
  done <<<"$receipts"
  if ((others > 0)); then CONTAMINATED=$((CONTAMINATED + 1)); problem "receipt holds items of another job: $(tr '\n' '|' <<<"$receipts")"; fi
  if ((printed > EXPECT_RECEIPT)); then DOUBLED=$((DOUBLED + 1)); problem "$printed receipts printed: $(tr '\n' '|' <<<"$receipts")"; fi

  # "Err = " lines tell the host of a refusal even when the exit code is 0
  # (the result file's contract: 0 means the whole file was read).
  errs=$(grep -c '^Err = ' <<<"$outcome" || true)
  if ((refusals + PREV_REFUSALS == 0 && PREV_OPEN == 0 && (errs > 0 || exitcode != 0))); then
    TRANSIENT_FAILED=$((TRANSIENT_FAILED + 1)); problem "failed (exitcode $exitcode, $errs Err lines) with only transient faults ($transient)"
  fi
  if [[ $exitcode == 0 ]]; then
    DONE=$((DONE + 1))
    ((errs > 0)) && ERR_ONLY=$((ERR_ONLY + 1))
    if ((open == 1)); then
      UNREPORTED=$((UNREPORTED + 1)); problem "exitcode 0 but the receipt is still open"
    elif [[ ${table:-0} != 0 ]]; then
      UNREPORTED=$((UNREPORTED + 1)); problem "exitcode 0 but table $table is still open for keying"
    elif ((EXPECT_RECEIPT == 1)); then
      if ((printed == 0 || ours < EXPECT_ITEMS)); then
        LOST=$((LOST + 1)); problem "exitcode 0 ($errs Err lines) but $ours of $EXPECT_ITEMS items on $printed receipts: $(tr '\n' '|' <<<"$receipts")"
      elif [[ $told != "$last" ]]; then
        UNREPORTED=$((UNREPORTED + 1)); problem "told receipt $told, the register's last is $last"
      fi
    fi
  else
    FAILED_REPORTED=$((FAILED_REPORTED + 1))
    ((open == 1)) && OPEN_AFTER_FAILURE=$((OPEN_AFTER_FAILURE + 1))
  fi
  if [[ $KIND == table-pay && ( $exitcode != 0 || $open == 1 ) ]] || [[ $KIND == table-order && $exitcode != 0 ]]; then
    DIRTY_TABLES[$OPEN_TABLE]=1
  fi
  # A table order left on the table by a failed job is never paid: forget it.
  if [[ $KIND == table-order && $exitcode != 0 ]]; then OPEN_TABLE_GROUP=""; fi
  # A receipt or a table the job left open disturbs the next one.
  PREV_REFUSALS=$refusals PREV_OPEN=$((open == 1 || ${table:-0} != 0 ? 1 : 0))
  # The cashier: told that the register holds a receipt with a payment on it,
  # which the program may not cancel, finishes it on the register (the rest in
  # cash) before the next job. That receipt must hold one job's items only.
  cue=$(grep -c 'ολοκληρώστε την στην ταμειακή' "$SCRATCH/dravimo.err" || true)
  if ((cue > CASHIER_CUES)) && [[ $(ask "key KX99900T1") == ok ]]; then
    CASHIER_CUES=$cue CASHIER_FINISHED=$((CASHIER_FINISHED + 1))
    size=$(stat -c %s "$ROLL")
    section=$(tail -c +$((ROLL_AT + 1)) "$ROLL" | head -c $((size - ROLL_AT)))
    ROLL_AT=$size
    owners=$(awk '/^J[0-9][0-9][0-9][0-9][0-9] I[0-9]/ { print $1 }' <<<"$section" | sort -u | tr '\n' ' ')
    if (($(wc -w <<<"$owners") > 1)); then
      CONTAMINATED=$((CONTAMINATED + 1)); problem "the receipt the cashier finished holds items of $owners"
    fi
    PREV_OPEN=0
  fi
  if ((j % 500 == 0)); then
    echo "soak: $j jobs, $PROBLEMS problems, RSS $(rss_kb VmRSS) kB, $(($(date +%s) - STARTED)) s"
  fi
done
ELAPSED=$(($(date +%s) - STARTED))
RSS_END=$(rss_kb VmRSS) RSS_PEAK=$(rss_kb VmHWM)

echo "== Fault soak: $JOBS jobs in ${ELAPSED} s (time scale $DRAVIMO_TIME_SCALE, faults ${PERCENT} %, kills ${KILL_PERCENT} %, seed $SEED)"
printf '   kinds:'; for k in "${!KIND_COUNT[@]}"; do printf ' %s %s' "$k" "${KIND_COUNT[$k]}"; done; echo
echo "   register: $(ask "random-faults show")"
echo "   dravimo killed and started again: $KILLS times"
echo "   jobs done (exitcode 0): $DONE, of which with Err lines (questions asked again, declines with their fallback): $ERR_ONLY"
echo "   jobs failed and reported (exitcode not 0): $FAILED_REPORTED (receipt left open: $OPEN_AFTER_FAILURE)"
echo "   receipts with a payment the cashier finished on the register when told: $CASHIER_FINISHED"
echo "   failed on transient faults only: $TRANSIENT_FAILED"
echo "   receipts lost: $LOST, doubled: $DOUBLED, contaminated: $CONTAMINATED"
echo "   failures reported as success: $UNREPORTED; incomplete result files: $INCOMPLETE; stuck jobs: $STUCK"
echo "   dravimo RSS: after job 1 ${RSS_START} kB, at the end ${RSS_END} kB, peak ${RSS_PEAK} kB"
if ((PROBLEMS > 0)); then
  echo "== $PROBLEMS problems (first 20 of $LOG):"
  head -n 20 "$LOG"
  SOAK_KEEP=1
  exit 1
fi
echo "== no problems"
