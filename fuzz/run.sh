#!/usr/bin/env bash
# Builds every fuzz target (fuzz/*_fuzz.cpp) with clang's libFuzzer, ASan and UBSan from
# the same CMake part libraries as the program, and fuzzes each for SECONDS (default 120):
#   fuzz/run.sh [SECONDS]
# Exits non-zero when a target finds something. The build, the growing corpora, the logs
# and any finding land in build-fuzz/ (or $DORVATH_FUZZ_BUILD); the seeds kept in the
# repository are fuzz/seeds/<target>/. Extra cmake arguments: $DORVATH_FUZZ_CMAKE_ARGS.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${DORVATH_FUZZ_BUILD:-$root/build-fuzz}
seconds=${1:-120}

if [ ! -f "$out/CMakeCache.txt" ]; then
  # shellcheck disable=SC2086
  cmake -S "$root" -B "$out" -DDORVATH_FUZZ=ON -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DDORVATH_PARTS="data;device;settings;export" ${DORVATH_FUZZ_CMAKE_ARGS:-} >/dev/null
fi
cmake --build "$out" -j"${DORVATH_JOBS:-2}"

# The memory and time each input may take, whatever the bytes claim: a single allocation
# above 64 MB, a process above 2 GB or an input running over 10 s is a finding.
limits=(-max_len=4096 -timeout=10 -malloc_limit_mb=64 -rss_limit_mb=2048)

failed=()
cd "$out"
mkdir -p artifacts logs
for src in "$root"/fuzz/*_fuzz.cpp; do
  name=$(basename "$src" .cpp)
  seeds="$root/fuzz/seeds/${name%_fuzz}"
  mkdir -p "corpus/$name" "$seeds"
  log="logs/$name.log"
  echo "fuzz: $name for ${seconds}s (log: $out/$log)"
  if "./$name" -max_total_time="$seconds" "${limits[@]}" -print_final_stats=1 \
      -artifact_prefix="artifacts/$name-" "corpus/$name" "$seeds" >"$log" 2>&1; then
    grep -E 'DONE +cov' "$log" | tail -1 || true
  else
    failed+=("$name")
    tail -n 40 "$log"
    echo "fuzz: $name found a problem; the input is in $out/artifacts/" >&2
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: findings in ${failed[*]}" >&2
  exit 1
fi
