#!/usr/bin/env bash
# Builds the program and starts it from its build folder. The build writes a "portable" file beside
# the program, so it keeps its settings and task logs beside the executable: run it from a folder
# you can write to.
set -euo pipefail
cd "$(dirname "$0")/.."
"$(pwd)/scripts/install-deps.sh" --run
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DMORVANE_BUILD_TESTS=OFF >/dev/null
cmake --build build/release -j"$(nproc)"
exe=build/release/ui/main/morvane
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
    echo "No desktop display here: built $exe; start it on a desktop, or use"
    echo "build/release/tools/batch/morvane-batch --help for the window-less runner."
    exit 0
fi
exec "$exe" "$@"
