#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs, builds and runs every test: once as shipped, once under AddressSanitizer and
# UndefinedBehaviorSanitizer. The tests run side by side (one per processor): most of their time
# is paced seconds on pseudo-terminals, and their timing checks allow a loaded machine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh test
jobs=$(nproc)
for variant in release asan; do
  dir=build-test-$variant
  # Optimized as shipped, with line tables only (-g1): a failure's stack, sanitizer reports
  # included, still names file and line, and the two builds take a fifth less time.
  flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVOLI_WERROR=ON "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG")
  [ "$variant" = asan ] && flags+=(-DTAVOLI_SANITIZE=ON -DTAVOLI_BENCH=OFF)
  cmake -S . -B "$dir" "${flags[@]}" > /dev/null
  cmake --build "$dir" -j"$jobs"
  QT_QPA_PLATFORM=offscreen ctest --test-dir "$dir" --output-on-failure -j"$jobs"
done
