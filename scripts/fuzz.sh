#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer) and
# runs each for the given number of seconds (default 60), starting from its committed seeds in
# fuzz/corpus/<target>/ (past crashes among them). Fails on any crash, leak, hang or undefined
# behaviour; the input that caused it is left in <build>/artifacts/<target>/.
#   bash scripts/fuzz.sh [seconds]
# TAVOLI_FUZZ_BUILD names another build folder (default build-fuzz).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
[[ "$seconds" =~ ^[0-9]+$ ]] || { echo "Uso: bash scripts/fuzz.sh [segundos por objetivo]" >&2; exit 2; }
bash scripts/install-deps.sh fuzz
dir=${TAVOLI_FUZZ_BUILD:-build-fuzz}
targets=()
for seeds in fuzz/corpus/*/; do
  targets+=("$(basename "$seeds")")
done
cmake -S fuzz -B "$dir" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build "$dir" -j"$(nproc)" --target "${targets[@]/#/fuzz-}"

failed=0
for target in "${targets[@]}"; do
  # New inputs go to a corpus of the build's own; the committed seeds are only read.
  corpus="$dir/corpus/$target"
  artifacts="$dir/artifacts/$target/"
  log="$dir/fuzz-$target.log"
  mkdir -p "$corpus" "$artifacts"
  # Longer inputs only cost time: a program of ops, a list or a file of this size reaches
  # every state the target has.
  case "$target" in
    commandlist) max_len=512 ;;
    dialogue | commandline) max_len=1024 ;;
    *) max_len=4096 ;;
  esac
  if "$dir/fuzz-$target" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 \
      -print_final_stats=1 -artifact_prefix="$artifacts" "$corpus" "fuzz/corpus/$target" \
      > "$log" 2>&1; then
    runs=$(awk '/stat::number_of_executed_units/ { print $2 }' "$log")
    echo "fuzz-$target: ${runs:-?} ejecuciones en ${seconds} s, ningún fallo"
  else
    failed=1
    tail -n 60 "$log" >&2
    echo "fuzz-$target: ha fallado (registro completo en $log). El caso está en $artifacts;" \
      "se reproduce con: $dir/fuzz-$target <caso>. Corríjalo y guarde el caso en" \
      "fuzz/corpus/$target/ como crash-<nombre> para que no vuelva." >&2
  fi
done
exit $failed
