#!/usr/bin/env bash
# The layers stay visible: a library folder includes headers only from itself
# and the folders below it. Order, ground floor first:
#   greek  core  settings  journal  ecr  payments  translate  control  api  gui  app
# The simulator (sim) stands beside them on core and greek alone.
set -euo pipefail
cd "$(dirname "$0")/.."
order=(greek core settings journal ecr payments translate control api gui app)
declare -A rank
for i in "${!order[@]}"; do rank[${order[$i]}]=$i; done
failed=0
for folder in "${order[@]}" sim; do
  if [ "$folder" = sim ]; then allowed="sim core greek"; else
    allowed=""
    for other in "${order[@]}"; do
      [ "${rank[$other]}" -le "${rank[$folder]}" ] && allowed="$allowed $other"
    done
  fi
  while IFS=: read -r file line include; do
    target=${include#*\"}; target=${target%%/*}
    case " $allowed " in *" $target "*) ;; *)
      echo "$file:$line: $folder may not include $target (${include})"; failed=1 ;;
    esac
  done < <(grep -n '^#include "[a-z]*/' "$folder"/*.cpp "$folder"/*.h 2>/dev/null || true)
done
[ "$failed" = 0 ] && echo "layers: every include points down"
exit "$failed"
