#!/usr/bin/env bash
# Runs every test program whole, its tests in a shuffled order, with several
# seeds: no test may depend on what another left behind. (ctest runs each
# test in a process of its own and cannot see that.)
#   BUILD_DIR   the build folder (default: build)
#   SEEDS       the seeds (default: "1 7 42")
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
SEEDS=${SEEDS:-"1 7 42"}
failed=0
for program in "$BUILD_DIR"/bin/*_tests "$BUILD_DIR"/bin/*/*_tests; do
  [ -x "$program" ] || continue
  for seed in $SEEDS; do
    if ! QT_QPA_PLATFORM=offscreen timeout 600 "$program" --gtest_shuffle --gtest_random_seed="$seed" \
        --gtest_brief=1 >"$BUILD_DIR/shuffle.log" 2>&1; then
      echo "FAILED: $(basename "$program") with seed $seed"
      grep -E "FAILED|Failure" "$BUILD_DIR/shuffle.log" | head -20
      failed=1
    fi
  done
done
[ "$failed" = 0 ] && echo "shuffled: every test program passes with seeds $SEEDS"
exit "$failed"
