#!/usr/bin/env bash
# Builds the track-file reader with libFuzzer, AddressSanitizer and UBSan (clang) and
# fuzzes it for a while: fuzz/run.sh [SECONDS] (default 120). Not part of the CMake build.
# Findings land in build-fuzz/artifacts/; the corpus grows in build-fuzz/corpus/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${DORVATH_FUZZ_BUILD:-$root/build-fuzz}
seconds=${1:-120}
mkdir -p "$out/corpus" "$out/artifacts"

clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I "$root/src" "$root/fuzz/track_file_fuzz.cpp" "$root/src/export/track_file.cpp" \
    "$root/src/export/atomic_file.cpp" "$root"/src/data/*.cpp \
    $(pkg-config --cflags --libs sqlite3) -o "$out/track_file_fuzz"

# Seeds: the count-0 file, and one run of two points (56-byte record, 80-byte points).
printf '\0\0\0\0' > "$out/corpus/seed-empty"
python3 - "$out/corpus/seed-run" <<'PY'
import struct, sys
run = struct.pack('<iiddiiddii', 1, 0, 42491.25, 42491.26, 2, 60, 120.5, 10.2, 7, 0)
pts = b''.join(struct.pack('<iiiidddddiidd', 1 + i, 1, i, 0, 42491.25 + i / 86400,
                           35.68 + i * 1e-6, 139.76, i * 2.5, 9.5, i, 0, 6.3, 40.0)
               for i in range(2))
open(sys.argv[1], 'wb').write(struct.pack('<I', 1) + run + pts)
PY

cd "$out"
./track_file_fuzz -max_total_time="$seconds" -max_len=4096 -artifact_prefix=artifacts/ corpus
