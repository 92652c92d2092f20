#!/usr/bin/env bash
# Golden outputs: every case folder under cases/ runs the real dravimo against
# ecrsim on a pseudo-terminal, and what comes out (the register's trace, the
# paper roll, the files left in the print folder, the message boxes, the exit
# code of a one-shot run) must equal expected/ byte for byte.
#
#   run.sh [--update] BIN_DIR [CASE...]
#
# Without --update the outputs go to a scratch folder and are compared with
# expected/: any difference is printed and the exit code is 1. With --update
# expected/ is rewritten (only the named cases when some are named).
# GOLDEN_JOBS sets how many cases run at once (default 4); GOLDEN_KEEP=1 keeps
# the scratch folders. Needs bash, coreutils, diffutils and iconv only.
set -Eeuo pipefail

HERE=$(cd "$(dirname "$0")" && pwd)
CASES=$HERE/cases
EXPECTED=$HERE/expected
# The print-file hand-overs, the one-shot run and the end of a job each get
# this long before the case is given up.
TIMEOUT_S=30
# The register prints this date instead of the clock's.
ROLL_DATE="12/07/2026 10:20"
# Files a case folder holds that are not handed over.
CASE_FILES=" param.ini scenario.scn vats.dat payeft.dat oneshot order "

usage() {
  echo "usage: $0 [--update] BIN_DIR [CASE...]" >&2
  exit 2
}

UPDATE=0
if [[ ${1:-} == --update ]]; then
  UPDATE=1
  shift
fi
[[ $# -ge 1 ]] || usage
BIN=$(cd "$1" && pwd)
shift
[[ -x $BIN/dravimo && -x $BIN/ecrsim ]] || { echo "no dravimo and ecrsim in $BIN" >&2; exit 2; }

if [[ $# -gt 0 ]]; then
  NAMES=("$@")
else
  NAMES=()
  for dir in "$CASES"/*/; do
    dir=${dir%/}
    NAMES+=("${dir##*/}")
  done
fi
for name in "${NAMES[@]}"; do
  [[ -d $CASES/$name ]] || { echo "no case $name" >&2; exit 2; }
done

# Both programs: ten times faster than real time, no window, a fixed locale
# (the decimal separator and the encoding of standard error come from it).
export DRAVIMO_TIME_SCALE=10 DRAVIMO_UNATTENDED=1 LC_ALL=C.UTF-8
unset DRAVIMO_COM1 QT_QPA_PLATFORM

# --- text helpers (bash only: no sed, grep or awk) --------------------------

# Prints the file's content with every match of the regular expression $2
# replaced by $3. Bytes, line ends and a missing last line end are kept.
replace_all() {
  local content="" re=$2 with=$3 out=""
  IFS= read -r -d '' content <"$1" || true
  while [[ $content =~ $re ]]; do
    out+=${content%%"${BASH_REMATCH[0]}"*}$with
    content=${content#*"${BASH_REMATCH[0]}"}
  done
  printf '%s' "$out$content"
}

# Prints the file's content with the scratch folder's path written @LOCATION@.
mask_location() {
  local content=""
  IFS= read -r -d '' content <"$1" || true
  printf '%s' "${content//"$2"/@LOCATION@}"
}

# Prints the file with the bytes Windows-1253 leaves undefined written <hh>,
# as the trace shows them: a result file quotes refused commands in the
# register's own character set, which uses some of them.
escape_undefined() {
  local LC_ALL=C content="" byte
  IFS= read -r -d '' content <"$1" || true
  for byte in 81 88 8a 8c 8d 8e 8f 90 98 9a 9c 9d 9e 9f aa d2 ff; do
    content=${content//$(printf "\\x$byte")/<$byte>}
  done
  printf '%s' "$content"
}

# Result files and the like: Windows-1253 to UTF-8, dates and the scratch
# folder masked.
collect_text() {
  local from=$1 to=$2 location=$3 tmp=$2.tmp
  escape_undefined "$from" >"$tmp"
  iconv -f CP1253 -t UTF-8 "$tmp" >"$to"
  replace_all "$to" '[0-9]{2}/[0-9]{2}/[0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2}' '<date>' >"$tmp"
  mask_location "$tmp" "$location" >"$to"
  rm "$tmp"
}

# The trace without its time-of-day and millisecond columns; the date and time
# inside a card terminal's approval masked.
collect_trace() {
  local line re='^[0-9:.]+ +-?[0-9]+ ms  (.*)$' card=':978:[0-9]{6}:[0-9]{6}:'
  while IFS= read -r line || [[ -n $line ]]; do
    if [[ $line =~ $re ]]; then line=${BASH_REMATCH[1]}; fi
    if [[ $line =~ $card ]]; then line=${line/"${BASH_REMATCH[0]}"/:978:<yymmdd>:<hhmmss>:}; fi
    printf '%s\n' "$line"
  done <"$1" >"$2"
}

# --- one case ---------------------------------------------------------------

# The files of a case to hand over, one hand-over per line: the lines of its
# "order" file (several names on a line go together; a line "start" marks
# where dravimo is started, by default before the first hand-over), else every
# other file of the folder, one at a time, in name order.
handover_plan() {
  local case=$1 path file
  if [[ -f $case/order ]]; then
    cat "$case/order"
    return
  fi
  for path in "$case"/*; do
    file=${path##*/}
    if [[ $CASE_FILES != *" $file "* ]]; then printf '%s\n' "$file"; fi
  done
}

# Runs one case with its output in $2/<name>; a failure of the harness itself
# (a program that does not start, a file never consumed) goes to harness.txt
# there, so that it shows in the comparison.
run_case() {
  local name=$1 case=$CASES/$1 out=$2/$1
  local work location device oneshot="" started=0 line file
  # Not local: the exit trap needs them after the function has returned (the
  # case runs in a subshell of its own).
  scratch="" sim_pid="" dravimo_pid=""
  scratch=$(mktemp -d "${TMPDIR:-/tmp}/golden-$name.XXXXXX")
  work=$scratch/work
  location=$work/
  mkdir -p "$work" "$out"
  if [[ -f $case/oneshot ]]; then oneshot=$(<"$case/oneshot"); fi

  stop() {
    local pid
    for pid in $dravimo_pid $sim_pid; do
      if kill "$pid" 2>/dev/null; then wait "$pid" 2>/dev/null || true; fi
    done
    dravimo_pid="" sim_pid=""
  }
  trap 'stop; if [[ ${GOLDEN_KEEP:-0} != 1 ]]; then rm -rf "$scratch"; fi' EXIT
  fail() {
    echo "$*" >>"$out/harness.txt"
    echo "golden: $name: $*" >&2
  }
  trap 'fail "the harness failed at line $LINENO"' ERR

  # The print folder: param.ini with CR LF, the binary settings files.
  if [[ -f $case/param.ini ]]; then
    while IFS= read -r line || [[ -n $line ]]; do
      printf '%s\r\n' "${line//@LOCATION@/$location}"
    done <"$case/param.ini" >"$work/param.ini"
  fi
  for file in vats.dat payeft.dat; do
    if [[ -f $case/$file ]]; then cp "$case/$file" "$work/$file"; fi
  done

  local sim_args=(--serial --trace "$scratch/trace" --roll "$scratch/roll")
  if [[ -f $case/scenario.scn ]]; then sim_args+=(--scenario "$case/scenario.scn"); fi
  sim_args+=(--set "date \"$ROLL_DATE\"")
  "$BIN/ecrsim" "${sim_args[@]}" >"$scratch/ecrsim.out" 2>"$scratch/ecrsim.err" &
  sim_pid=$!
  for _ in $(seq 100); do
    if [[ -s $scratch/ecrsim.out ]]; then break; fi
    sleep 0.05
  done
  device=$(head -n 1 "$scratch/ecrsim.out")
  if [[ $device != /* ]]; then
    fail "ecrsim did not start: $(<"$scratch/ecrsim.err")"
    return
  fi

  start_dravimo() {
    local args=()
    if [[ -n $oneshot ]]; then read -r -a args <<<"${oneshot//@LOCATION@/$location}"; fi
    (cd "$work" && DRAVIMO_COM1=$device exec "$BIN/dravimo" "${args[@]}") \
      >"$scratch/dravimo.out" 2>"$scratch/dravimo.err" &
    dravimo_pid=$!
    started=1
  }
  # Written aside under a name that matches no print file, then renamed.
  hand_over() {
    cp "$case/$1" "$work/$1.part"
    mv "$work/$1.part" "$work/$1"
  }
  wait_consumed() {
    local deadline=$((SECONDS + TIMEOUT_S)) f
    for f in "$@"; do
      while [[ -e $work/$f ]]; do
        if ((SECONDS >= deadline)); then
          fail "$f was not consumed within $TIMEOUT_S s"
          return 1
        fi
        sleep 0.05
      done
    done
  }

  # Files handed over before dravimo starts wait for it: a one-shot run finds
  # them all in place, and an "order" file may start it after some.
  local plan=() files=() placed=() early=0
  mapfile -t plan < <(handover_plan "$case")
  for line in "${plan[@]}"; do
    if [[ $line == start ]]; then early=1; fi
  done
  if [[ -n $oneshot ]]; then early=1; fi
  for line in "${plan[@]}"; do
    read -r -a files <<<"$line"
    if ((${#files[@]} == 0)); then continue; fi
    if [[ ${files[0]} == start ]]; then
      start_dravimo
      if ((${#placed[@]} > 0)); then wait_consumed "${placed[@]}" || break; fi
      continue
    fi
    if ((!started && !early)); then start_dravimo; fi
    for file in "${files[@]}"; do hand_over "$file"; done
    if ((started)); then
      wait_consumed "${files[@]}" || break
    else
      placed+=("${files[@]}")
    fi
  done
  if ((!started)); then start_dravimo; fi

  # A one-shot run, or a run with nothing to hand over, must end by itself.
  if [[ -n $oneshot || ${#plan[@]} -eq 0 ]]; then
    local deadline=$((SECONDS + TIMEOUT_S)) code=0
    while kill -0 "$dravimo_pid" 2>/dev/null && ((SECONDS < deadline)); do sleep 0.05; done
    if kill -0 "$dravimo_pid" 2>/dev/null; then
      fail "dravimo did not end within $TIMEOUT_S s"
    else
      wait "$dravimo_pid" || code=$?
      dravimo_pid=""
      echo "$code" >"$out/exitcode.txt"
    fi
  else
    # receipt.txt is written just after the print file is deleted.
    sleep 0.3
    if ! kill -0 "$dravimo_pid" 2>/dev/null; then
      local code=0
      wait "$dravimo_pid" || code=$?
      dravimo_pid=""
      echo "$code" >"$out/exitcode.txt"
    fi
  fi
  stop

  if [[ -f $scratch/trace ]]; then collect_trace "$scratch/trace" "$out/trace.txt"; fi
  if [[ -f $scratch/roll ]]; then cp "$scratch/roll" "$out/roll.txt"; fi
  mask_location "$scratch/dravimo.err" "$location" >"$out/stderr.txt"
  if [[ -s $scratch/dravimo.out ]]; then cp "$scratch/dravimo.out" "$out/stdout.txt"; fi
  if [[ -s $scratch/ecrsim.err ]]; then cp "$scratch/ecrsim.err" "$out/ecrsim-stderr.txt"; fi
  # Everything dravimo left in the print folder but the settings it was given.
  local path
  for path in "$work"/* "$work"/.[!.]*; do
    [[ -f $path ]] || continue
    file=${path##*/}
    if [[ $file == param.ini || ($file == *.dat && -f $case/$file) ]]; then continue; fi
    mkdir -p "$out/files"
    if [[ $file == *.dat ]]; then
      cp "$path" "$out/files/$file"
    else
      collect_text "$path" "$out/files/$file" "$location"
    fi
  done
}

# --- all cases --------------------------------------------------------------

if ((UPDATE)); then
  OUT=$EXPECTED
  for name in "${NAMES[@]}"; do rm -rf "${EXPECTED:?}/$name"; done
  mkdir -p "$EXPECTED"
  # Cases that no longer exist lose their expected outputs.
  for dir in "$EXPECTED"/*/; do
    dir=${dir%/}
    if [[ -d $dir && ! -d $CASES/${dir##*/} ]]; then rm -rf "$dir"; fi
  done
else
  OUT=$(mktemp -d "${TMPDIR:-/tmp}/golden-out.XXXXXX")
fi

# Cases run a few at a time: each spends most of its time waiting on the
# register's pace, not on the processor.
JOBS=${GOLDEN_JOBS:-4}
running=0
for name in "${NAMES[@]}"; do
  if ((running >= JOBS)); then
    wait -n || true
    running=$((running - 1))
  fi
  (run_case "$name" "$OUT") &
  running=$((running + 1))
done
wait

broken=0
for name in "${NAMES[@]}"; do
  if [[ -f $OUT/$name/harness.txt ]]; then broken=1; fi
done
if ((UPDATE && broken)); then
  echo "golden: some cases did not run through (see their harness.txt in $EXPECTED); fix them before committing" >&2
  exit 1
fi

if ((UPDATE)); then
  echo "golden: expected outputs of ${#NAMES[@]} case(s) written to $EXPECTED"
  exit 0
fi

status=0
for name in "${NAMES[@]}"; do
  diff -ru "$EXPECTED/$name" "$OUT/$name" || status=1
done
if ((status)); then
  echo "golden: outputs differ from expected/ (new outputs in $OUT)" >&2
else
  echo "golden: ${#NAMES[@]} case(s) match expected/"
  rm -rf "$OUT"
fi
exit "$status"
