#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer, in the same build folder as the sanitizer run of
# the suite) and runs each one for SECONDS (default 60) on its seed corpus in
# tests/fuzz/corpus/<target>. New inputs the fuzzer keeps go to the build
# folder, never into the repository; an input that breaks a property or
# crashes is written to BUILD_DIR/fuzz-findings/<target>/ and the script
# exits 1. To keep a finding as a regression case, copy it into the target's
# seed corpus.
#   scripts/fuzz.sh [SECONDS] [TARGET...]
#   BUILD_DIR   build folder (default: build-san)
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH=${1:-60}
shift || true
[[ $SECONDS_EACH =~ ^[0-9]+$ ]] || { echo "usage: $0 [SECONDS] [TARGET...]" >&2; exit 2; }
BUILD_DIR=${BUILD_DIR:-build-san}
TARGETS=("$@")
if [[ ${#TARGETS[@]} -eq 0 ]]; then
  TARGETS=(fuzz_printfile fuzz_exchange fuzz_settings fuzz_datafiles fuzz_greek fuzz_jsonreceipt)
fi
LAUNCHER=()
command -v ccache >/dev/null && LAUNCHER=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
  -DDRAVIMO_FUZZ=ON "${LAUNCHER[@]}" >/dev/null
cmake --build "$BUILD_DIR" --target "${TARGETS[@]}"

status=0
for target in "${TARGETS[@]}"; do
  # Absolute: the targets work in a scratch folder of their own.
  seeds=$PWD/tests/fuzz/corpus/$target
  corpus=$(realpath -m "$BUILD_DIR/fuzz-corpus/$target")
  findings=$(realpath -m "$BUILD_DIR/fuzz-findings/$target")
  mkdir -p "$corpus" "$findings"
  echo "== $target: ${SECONDS_EACH} s on $(find "$seeds" -type f | wc -l) seeds"
  started=$(date +%s)
  # -timeout: one input running 10 s is a hang (the targets run on a virtual
  # clock; a real input takes milliseconds).
  if ! "$BUILD_DIR/bin/$target" -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" "$seeds" >"$findings/log.txt" 2>&1; then
    echo "!! $target found a fault:"
    grep -E "PROPERTY BROKEN|ERROR: |SUMMARY|^artifact_prefix|Test unit written" -A3 "$findings/log.txt" | head -n 40 || true
    status=1
  fi
  grep -E "stat::number_of_executed_units|cov: |stat::peak_rss_mb" "$findings/log.txt" | tail -n 3 | sed 's/^/   /' || true
  echo "   ran $(($(date +%s) - started)) s"
done
exit $status
