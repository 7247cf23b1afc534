#!/usr/bin/env bash
# Checks that includes in src/ only go down the layers: a file includes from its own folder, from a
# folder of lower rank, or from support/. Each offending include is printed as `path:line: #include
# ...` with the reason, and the run fails; a folder without a rank fails too, so new ones get ranked.
set -uo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

declare -A rank=([support]=0 [time]=0 [truth_values]=0 [formula]=1 [sequence]=2 [sets]=3
  [knowledge_graph]=4 [knowledge]=5 [monitoring]=6 [augmentation]=7 [python]=8)
status=0
for dir in src/*/; do
  dir=${dir#src/} dir=${dir%/}
  [ -n "${rank[$dir]:-}" ] || { echo "src/$dir: folder has no rank in $0" >&2; status=1; }
done
while IFS=: read -r path line text; do
  from=${path#src/} from=${from%%/*}
  to=${text#*\"} to=${to%%/*}
  [ -n "${rank[$from]:-}" ] && [ -n "${rank[$to]:-}" ] || continue
  [ "$from" = "$to" ] || [ "$to" = support ] || [ "${rank[$to]}" -lt "${rank[$from]}" ] && continue
  echo "$path:$line: $text" >&2
  echo "  $from/ (rank ${rank[$from]}) may not include from $to/ (rank ${rank[$to]})" >&2
  status=1
done < <(grep -rn --include='*.hpp' --include='*.cpp' '^#include "' src)
[ $status -eq 0 ] && echo "layers: every include in src/ goes down the layers"
exit $status
