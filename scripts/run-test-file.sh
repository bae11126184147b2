#!/usr/bin/env bash
# Builds and runs through ctest the tests of one test file, or one test of it:
#   scripts/run-test-file.sh tests/Views/ContentViewTest.cpp [TestName]
# A file's tests are those its TEST, TEST_F and TEST_P lines declare; ctest names them
# Suite.Name, and the file's name is no part of that. The build folder is $BUILD_DIR
# (default build, configured as make does it); further ctest options follow in $CTEST_ARGS.
set -euo pipefail
if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: run-test-file.sh tests/<Folder>/<File>.cpp [TestName]" >&2
  exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
file=${1#"$root"/}
build=${BUILD_DIR:-build}
if [ ! -f "$root/$file" ]; then
  echo "run-test-file: no such test file: $file" >&2
  exit 2
fi
folder=$(basename "$(dirname "$file")")
# One test program per folder of tests/ (see tests/CMakeLists.txt).
target=test_${folder,,}
# Every Suite.Name the file declares (a declaration may span lines), or the one asked for.
names=$(tr '\n' ' ' <"$root/$file" | grep -oE '\bTEST(_F|_P)?\(\s*\w+\s*,\s*\w+\s*\)' \
  | sed -E 's/^[A-Z_]+\(\s*(\w+)\s*,\s*(\w+)\s*\)$/\1.\2/' | sort -u)
if [ -n "${2:-}" ]; then
  names=$(grep -E "\.$2\$" <<<"$names" || true)
fi
if [ -z "$names" ]; then
  echo "run-test-file: $file declares no test${2:+ named $2}" >&2
  exit 1
fi
# Parameterised tests come as Instance/Suite.Name/Index.
regex="^([^/]*/)?($(sed 's/\./\\./' <<<"$names" | paste -sd'|'))(/.*)?\$"
cmake --build "$root/$build" --target "$target"
cd "$root/$build"
# shellcheck disable=SC2086
exec ctest --output-on-failure --no-tests=error -R "$regex" ${CTEST_ARGS:-}
