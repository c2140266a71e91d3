#!/usr/bin/env bash
# Builds everything and runs every test: the main build with warnings as errors (UI suites also
# under a real X11 server), an ASan+UBSan build with leak checking, a TSan build of the engine, the
# engine alone with the UI switched off, and the formatting check. The sanitizer builds use Clang,
# whose reports are the clearer; the ASan one is also the Clang build kept free of warnings.
# Every step prints its seconds, and the run ends with all of them, so that CI time can be watched.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=${JOBS:-$(nproc)}

step_name=""
step_start=0
timings=()
end_step() {
    if [[ -n $step_name ]]; then
        local seconds=$((SECONDS - step_start))
        timings+=("$(printf '%6d s  %s' "$seconds" "$step_name")")
        printf '==== %s: %d s ====\n' "$step_name" "$seconds"
        step_name=""
    fi
}
step() {
    end_step
    step_name="$*"
    step_start=$SECONDS
    printf '\n==== %s ====\n' "$*"
}
# Also on a failed step: the times up to it are still worth seeing.
print_timings() {
    local status=$?
    end_step
    printf '\n==== seconds per step ====\n'
    printf '%s\n' "${timings[@]}"
    printf '%6d s  in all\n' "$SECONDS"
    return "$status"
}
trap print_timings EXIT

step "install dependencies"
"$root/scripts/install-deps.sh"

step "format check"
git ls-files '*.cpp' '*.h' | xargs -r clang-format --dry-run -Werror

step "main build (warnings as errors)"
cmake -S . -B build/ci-main -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMORVANE_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build build/ci-main -j"$jobs"
(cd build/ci-main && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$jobs")

step "test names and time limits"
"$root/scripts/check-tests.sh" build/ci-main

step "UI suites under a real X11 server (xcb)"
shopt -s nullglob
ui_tests=(build/ci-main/tests/ui/ui_*_tests)
for t in "${ui_tests[@]}"; do
    xvfb-run -a -s "-screen 0 1280x1024x24" env QT_QPA_PLATFORM=xcb "$t" --gtest_brief=1
done

# CMAKE_CXX_COMPILER as well as CXX: a build folder first configured with another compiler is
# then configured anew instead of silently keeping that compiler.
step "ASan+UBSan build (Clang, warnings as errors, leaks checked)"
CC=clang CXX=clang++ cmake -S . -B build/ci-asan -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=Debug -DMORVANE_WARNINGS_AS_ERRORS=ON \
    -DMORVANE_SANITIZE=address,undefined >/dev/null
cmake --build build/ci-asan -j"$jobs"
(cd build/ci-asan && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 \
    LSAN_OPTIONS="suppressions=$root/tests/sanitizers/lsan.supp:print_suppressions=0" \
    UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j"$jobs")

step "engine alone, UI off, under TSan (Clang)"
CC=clang CXX=clang++ cmake -S . -B build/ci-tsan -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMORVANE_WARNINGS_AS_ERRORS=ON \
    -DMORVANE_BUILD_UI=OFF -DMORVANE_SANITIZE=thread >/dev/null
cmake --build build/ci-tsan -j"$jobs"
(cd build/ci-tsan && TSAN_OPTIONS=halt_on_error=1 ctest --output-on-failure -j"$jobs")

end_step
printf '\n==== all passed ====\n'
