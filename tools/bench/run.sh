#!/usr/bin/env bash
# The benchmark in one command: installs what it needs, makes a Release build of its own in
# build/bench (morvane-batch, and bench_window when the UI is built), then runs the harness.
# Arguments go to bench.py: --quick, --sizes default,large,million, --runs N, --groups ...
# BENCH_BUILD_DIR picks another build folder; JOBS limits the parallel compile jobs.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${BENCH_BUILD_DIR:-"$root/build/bench"}
jobs=${JOBS:-$(nproc)}

"$root/scripts/install-deps.sh" --bench
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DMORVANE_BUILD_TESTS=OFF >/dev/null
targets=(morvane-batch)
if grep -q '^MORVANE_BUILD_UI:BOOL=ON' "$build/CMakeCache.txt"; then
    targets+=(bench_window)
else
    echo "The result window is not built here (MORVANE_BUILD_UI=OFF): its row will be skipped."
fi
cmake --build "$build" -j"$jobs" --target "${targets[@]}"
exec python3 "$here/bench.py" --build-dir "$build" "$@"
