#!/usr/bin/env bash
# Builds the Debian packages with dpkg-buildpackage from a clean copy of the
# tree (the files git tracks, edits included; no build folder): hrx900 and
# its -dbgsym in build/package/. DEB_BUILD_OPTIONS passes through; with
# nocheck the tests are neither built nor run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh
out=build/package
rm -rf "$out"
mkdir -p "$out/src"
if tree=$(git stash create 2>/dev/null); then
  git archive "${tree:-HEAD}" | tar -x -C "$out/src"
else
  # Not a git checkout: the tree less what .gitignore keeps out of one.
  tar -c --exclude='./build*' --exclude=./out --exclude=./CommoFiles --exclude=./.git . | tar -x -C "$out/src"
fi
opts=${DEB_BUILD_OPTIONS:-}
[[ " $opts " == *" parallel="* ]] || opts="$opts parallel=$(nproc)"
export DEB_BUILD_OPTIONS=${opts# }
profiles=()
[[ " $DEB_BUILD_OPTIONS " == *" nocheck "* ]] && profiles=(-Pnocheck)
(cd "$out/src" && dpkg-buildpackage -us -uc -b "${profiles[@]}")
ls "$PWD/$out"/hrx900_*.deb
