#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Static checks: every source matches .clang-format, and clang-tidy finds
# nothing in the sources of src/ that BUILD, a configured build folder,
# compiles (its compile_commands.json), given clang-tidy's ARGs where its
# compiler is not the host's.
#   scripts/lint.sh BUILD [ARG...]
set -eu
cd "$(dirname "$0")/.."
build=$1
shift
sources=$(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'tests/*.c' 'bench/*.cpp' 'bench/*.c')
clang-format --dry-run -Werror $sources
echo "clang-format: $(echo "$sources" | wc -l) files clean"
# the sources this platform builds: the Windows files only in a Windows build
tidied=$(git ls-files 'src/*.cpp' | grep -F -f <(grep -o '"file": "[^"]*"' "$build/compile_commands.json" |
    sed 's/^"file": "//; s/"$//; s|.*/src/|src/|'))
if ! report=$(clang-tidy -p "$build" --quiet "$@" $tidied 2>&1); then
    echo "$report" | grep -v "warnings generated"
    exit 1
fi
echo "clang-tidy: src/ clean"
