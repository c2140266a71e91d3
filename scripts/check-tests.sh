#!/usr/bin/env bash
# Checks what ctest lists in a build folder: every name readable and the same in every build
# (no printed bytes of a case, only what GoogleTest names are made of), no two tests of one name,
# and a time limit on every test so that a hang fails instead of stalling the run.
set -euo pipefail
build=${1:?usage: check-tests.sh BUILD_FOLDER}
names=$(cd "$build" && ctest -N | sed -n 's/^ *Test *#[0-9]*: //p')
if [[ -z $names ]]; then
    echo "ctest lists no test in $build" >&2
    exit 1
fi
status=0
if bad=$(grep -E 'byte object|[^A-Za-z0-9_./]' <<<"$names"); then
    printf 'Test names that are printed bytes or carry other characters:\n%s\n' "$bad" >&2
    status=1
fi
if dups=$(sort <<<"$names" | uniq -d | grep .); then
    printf 'Test names given twice:\n%s\n' "$dups" >&2
    status=1
fi
count=$(wc -l <<<"$names")
limited=$(cd "$build" && ctest --show-only=json-v1 | grep -c '"TIMEOUT"' || true)
if ((limited != count)); then
    echo "Only $limited of $count tests have a TIMEOUT" >&2
    status=1
fi
((status == 0)) && echo "$count tests: names readable and unique, each with a time limit"
exit "$status"
