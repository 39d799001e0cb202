#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian packages from debian/ (dpkg-buildpackage, unsigned),
# source and binary, in a clean copy of this tree: the build runs the unit
# tests too. Leaves the packages and the build's log in the folder.
#   scripts/package.sh [FOLDER]   (default build/package)
set -eu
cd "$(dirname "$0")/.."
. scripts/deps.sh
need $BUILD_PACKAGES $PACKAGE_PACKAGES
out=$(realpath -m "${1:-build/package}")
rm -rf "$out"
mkdir -p "$out/src"
git ls-files -z --cached --others --exclude-standard | while IFS= read -r -d '' file; do
    [ ! -e "$file" ] || cp -a --parents "$file" "$out/src/"
done
if ! (cd "$out/src" && dpkg-buildpackage -us -uc) >"$out/build.log" 2>&1; then
    tail -n 40 "$out/build.log" >&2
    echo "the package build failed; its log: $out/build.log" >&2
    exit 1
fi
ls "$out"/*.deb
