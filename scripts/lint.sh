#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Static checks: every source matches .clang-format, and clang-tidy finds
# nothing in src/. BUILD is a configured build folder (for its
# compile_commands.json).
#   scripts/lint.sh BUILD
set -eu
cd "$(dirname "$0")/.."
build=$1
sources=$(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'tests/*.c' 'bench/*.cpp' 'bench/*.c')
clang-format --dry-run -Werror $sources
echo "clang-format: $(echo "$sources" | wc -l) files clean"
if ! report=$(clang-tidy -p "$build" --quiet $(git ls-files 'src/*.cpp') 2>&1); then
    echo "$report" | grep -v "warnings generated"
    exit 1
fi
echo "clang-tidy: src/ clean"
