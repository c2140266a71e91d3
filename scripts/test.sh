#!/usr/bin/env bash
# Builds everything and runs every test: the main build with warnings as errors (UI suites also
# under a real X11 server), an ASan+UBSan build, a TSan build of the engine, the engine alone with
# the UI switched off, and the formatting check.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=${JOBS:-$(nproc)}

"$root/scripts/install-deps.sh"

step() { printf '\n==== %s ====\n' "$*"; }

step "format check"
git ls-files '*.cpp' '*.h' | xargs -r clang-format --dry-run -Werror

step "main build (warnings as errors)"
cmake -S . -B build/ci-main -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMORVANE_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build build/ci-main -j"$jobs"
(cd build/ci-main && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$jobs")

step "UI suites under a real X11 server (xcb)"
shopt -s nullglob
ui_tests=(build/ci-main/tests/ui/ui_*_tests)
for t in "${ui_tests[@]}"; do
    xvfb-run -a -s "-screen 0 1280x1024x24" env QT_QPA_PLATFORM=xcb "$t" --gtest_brief=1
done

step "ASan+UBSan build"
cmake -S . -B build/ci-asan -DCMAKE_BUILD_TYPE=Debug -DMORVANE_WARNINGS_AS_ERRORS=ON \
    -DMORVANE_SANITIZE=address,undefined >/dev/null
cmake --build build/ci-asan -j"$jobs"
(cd build/ci-asan && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 \
    UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j"$jobs")

step "engine alone, UI off, under TSan"
cmake -S . -B build/ci-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMORVANE_WARNINGS_AS_ERRORS=ON \
    -DMORVANE_BUILD_UI=OFF -DMORVANE_SANITIZE=thread >/dev/null
cmake --build build/ci-tsan -j"$jobs"
(cd build/ci-tsan && TSAN_OPTIONS=halt_on_error=1 ctest --output-on-failure -j"$jobs")

step "all passed"
