#!/usr/bin/env bash
# Hand-made mutants of faults the suite must catch. Each row is applied with
# sed (found by pattern, never by line number), the targets are rebuilt, the
# check runs, and the file is put back. A mutant is killed when the check
# fails, hangs past 300 s, or the mutant does not build. Not part of CI: a run
# rebuilds once per mutant.
#   tools/mutants.sh [build-dir] [rows-file ...]
# Rows live in tools/mutants/*.txt, one per line:
#   name @ file @ sed expression @ targets @ check
# The check is a command with {b} for the build directory; when empty, each
# target's test program in {b}/tests runs whole.
set -uo pipefail
cd "$(dirname "$0")/.."
b=${1:-build/normal}
shift || true
files=("$@")
[[ ${#files[@]} -gt 0 ]] || files=(tools/mutants/*.txt)
export QT_QPA_PLATFORM=offscreen

killed=0 total=0 built=()
while IFS='@' read -r name file expr targets check; do
  [[ -z $name || $name == \#* ]] && continue
  cp "$file" "$file.orig"
  sed -i "$expr" "$file"
  if cmp -s "$file" "$file.orig"; then
    echo "!! $name: the expression changed nothing" >&2
    mv "$file.orig" "$file"
    continue
  fi
  total=$((total + 1))
  built+=($targets)
  verdict=survived
  # shellcheck disable=SC2086
  if ! cmake --build "$b" -j2 --target $targets >/dev/null 2>&1; then
    verdict="killed (does not build)"
  elif [[ -n $check ]]; then
    # shellcheck disable=SC2086
    timeout 300 ${check//\{b\}/$b} >/dev/null 2>&1 || verdict="killed by ${check//\{b\}/$b}"
  else
    for t in $targets; do
      timeout 300 "$b/tests/$t" >/dev/null 2>&1 || { verdict="killed by $t"; break; }
    done
  fi
  [[ $verdict == killed* ]] && killed=$((killed + 1))
  echo "$name: $verdict"
  mv "$file.orig" "$file" && touch "$file"
done < <(cat "${files[@]}")
# shellcheck disable=SC2086
[[ ${#built[@]} -eq 0 ]] || cmake --build "$b" -j2 --target $(printf '%s\n' "${built[@]}" | sort -u) >/dev/null 2>&1
echo "killed $killed of $total"
