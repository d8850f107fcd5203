#!/usr/bin/env bash
# Build the fuzz targets with clang (libFuzzer + AddressSanitizer +
# UndefinedBehaviorSanitizer) and run one of them.
#   fuzz/run.sh [parse|hocon|include] [seconds] [extra libFuzzer flags...]
# Seeds: the tests' string literals, examples/ and the folders in SEED_DIRS
# (default: ../shared/corpus beside the repository, when it exists).
# Needs clang and libFuzzer: apt-get install clang libclang-rt-14-dev
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
target="${1:-parse}"
seconds="${2:-60}"
shift $(( $# > 2 ? 2 : $# ))
build="${FUZZ_BUILD:-$root/build-fuzz}"

cmake -S "$root" -B "$build" -G Ninja -DQUINCE_FUZZ=ON \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target "fuzz_$target"

corpus="$build/corpus-$target"
if [ ! -d "$corpus" ]; then
  # shellcheck disable=SC2086
  python3 "$here/make_seeds.py" "$corpus" ${SEED_DIRS:-$(ls -d "$root/../shared/corpus" 2>/dev/null)}
fi
mkdir -p "$build/artifacts"
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
ASAN_OPTIONS=detect_leaks=1 \
  "$build/fuzz_$target" "$corpus" -max_total_time="$seconds" -max_len=65536 -timeout=2 \
  -rss_limit_mb=2048 -artifact_prefix="$build/artifacts/" -print_final_stats=1 "$@"
