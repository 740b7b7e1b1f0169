#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: as shipped, then the whole
# suite under AddressSanitizer+UBSan, then the threaded tests under
# ThreadSanitizer, each in a build tree of its own.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
scripts/install-deps.sh

scripts/build.sh
ctest --test-dir build --output-on-failure -j2 --timeout 300

# Qt, libcurl and the X11 libraries are not instrumented; the suppression files
# name the few reports that come from inside them, and why.
export ASAN_OPTIONS="detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1:suppressions=$root/tests/asan.supp"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
BUILD_DIR=build-asan BUILD_TYPE=Debug scripts/build.sh -DNEWSREEL_SANITIZE=address
ctest --test-dir build-asan --output-on-failure -j2 --timeout 600

export TSAN_OPTIONS="suppressions=$root/tests/tsan.supp:halt_on_error=1:second_deadlock_stack=1"
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DNEWSREEL_SANITIZE=thread >/dev/null
cmake --build build-tsan --target parser_tests core_tests feeds_tests app_tests
# The plug-in's own threads (activation, updates, fetches) and the ticker strip,
# which takes signs from update threads; the parser's tests cost little and run
# a parse on a thread of its own.
ctest --test-dir build-tsan --output-on-failure -j2 --timeout 600 -L '^(parser|core|feeds)$'
ctest --test-dir build-tsan --output-on-failure -j2 --timeout 600 -L '^app$' -R '^(WindowHostTest|HeadlessHost|HeadlessUpdates)\.'
