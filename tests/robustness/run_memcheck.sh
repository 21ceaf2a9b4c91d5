#!/usr/bin/env bash
# Runs every unit-test program of a build under valgrind's memcheck; fails on any memory
# error and on any block that is lost (definitely, indirectly or possibly). Blocks still
# reachable at exit belong to the test framework and the C runtime, not to the library.
#
#   tests/robustness/run_memcheck.sh BUILD_FOLDER
set -euo pipefail
build=${1:?usage: run_memcheck.sh BUILD_FOLDER}
command -v valgrind > /dev/null || { echo "valgrind is not installed" >&2; exit 1; }

export ZORO_TEST_TMP="$build/tests/tmp"
mkdir -p "$ZORO_TEST_TMP"
# The largest grids take a gigabyte each; memcheck adds nothing there that the address
# sanitizer build does not already check.
filter='-HostileFile.TheLargestGrids*'

status=0
programs=$(find "$build/tests" -type f -perm -u+x -name '*_tests' | sort)
[ -n "$programs" ] || { echo "no test programs in $build/tests" >&2; exit 1; }
for program in $programs; do
    log="$build/memcheck-$(basename "$program").log"
    if valgrind --quiet --error-exitcode=99 --leak-check=full \
            --errors-for-leak-kinds=definite,indirect,possible \
            "$program" --gtest_filter="$filter" > "$log" 2>&1; then
        echo "memcheck passed: $(basename "$program")"
    else
        echo "memcheck FAILED: $(basename "$program") (log follows)"
        cat "$log"
        status=1
    fi
done
exit $status
