#!/usr/bin/env bash
# Builds the extension with AddressSanitizer and UndefinedBehaviorSanitizer
# and runs the whole test suite against that build:
#   tools/sanitize.sh [pytest arguments...]
# The interpreter itself is not instrumented, so the runtimes are preloaded;
# leak detection is off because the interpreter does not free everything at
# exit (the suite's repeated-call test watches for leaks instead).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-asan"
flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"

cmake -S "$root" -B "$build" -G Ninja -DQUINCE_BUILD_PYTHON=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=g++ -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_SHARED_LINKER_FLAGS="$flags" \
  -DPython_EXECUTABLE="$(command -v python3)" >/dev/null
cmake --build "$build"

pkg="$build/pkg"
rm -rf "$pkg" && mkdir -p "$pkg"
cp -r "$root/python/quince_tarragon" "$pkg/"
cp "$build"/_*.abi3.so "$pkg/quince_tarragon/"

# Sanitizer frames are several times larger than optimised ones: give the
# run (and the threads it starts, which inherit the limit) the stack that
# the depth tests need, so that they test the bounds and not the stack.
ulimit -s 65536
export LD_PRELOAD="$(g++ -print-file-name=libasan.so) $(g++ -print-file-name=libubsan.so)"
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
cd "$root"
PYTHONPATH="$pkg" python3 -m pytest -q -p no:cacheprovider "$@"
