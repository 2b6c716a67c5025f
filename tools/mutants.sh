#!/usr/bin/env bash
# Hand-made mutants of the timing and order faults the suite must catch.
# Each is applied with sed, the tests are rebuilt and run, the file is put
# back. For every mutant two verdicts: the tests that were there before the
# literal-data tests ("old") and the whole set now ("new"). Not part of CI:
# a run rebuilds several times.
#   tools/mutants.sh [build-dir]
set -uo pipefail
cd "$(dirname "$0")/.."
b=${1:-build/normal}
export QT_QPA_PLATFORM=offscreen
comp="$b/tests/test_composer"
app="$b/tests/test_app"
new_comp="--gtest_filter=*"
old_comp="--gtest_filter=-ComposerTranscript.*"

# name @ file @ sed expression @ targets @ old tests @ new tests
mutants=(
  "rows 16 and 17 swapped@src/composer/CommandTables.h@s/{\"RF\", ReadKind::Side, 4},  \/\/ 16/{\"GT\", ReadKind::Side, 4},  \/\/ 16/;s/{\"GT\", ReadKind::Side, 4},  \/\/ 17/{\"RF\", ReadKind::Side, 4},  \/\/ 17/@test_composer@$comp $old_comp@$comp $new_comp"
  "read-out wait 25 -> 2 ms@src/composer/Composer.cpp@871s/sleepMs(25)/sleepMs(2)/@test_composer@$comp $old_comp@$comp $new_comp"
  "FR_Stat 5 not the sub side@src/composer/Composer.cpp@s/return fr == 4 || fr == 5 ? s.get_MD_Sub()/return fr == 4 ? s.get_MD_Sub()/@test_composer@$comp $old_comp@$comp $new_comp"
  "keep-alive 30 ms wait gone@src/composer/Composer.cpp@159s/x.sleepMs(30);//@test_composer@$comp $old_comp@$comp $new_comp"
  "ID query second wait gone@src/composer/Composer.cpp@172s/c.ctx().sleepMs(25);//@test_composer@$comp $old_comp@$comp $new_comp"
  "PE sets 0,1 instead of 0,2@src/composer/Composer.cpp@s/for (char set : {'0', '2'})/for (char set : {'0', '1'})/@test_composer@$comp $old_comp@$comp $new_comp"
  "connection switch wait 20 -> 10 ms@src/composer/Composer.cpp@123s/sleepMs(20)/sleepMs(10)/@test_composer@$comp $old_comp@$comp $new_comp"
  "watchdog keeps the command outstanding@src/app/Station.cpp@/^bool powerSyncTimedOut/,/^}/{s/  state.set_AwaitingReply(0);//}@test_app test_gui@ctest --test-dir $b -R ^gui.StationGui@$app --gtest_filter=Watchdog.*"
  "restore drops its last three handlers@src/app/gui/QtMainWindow.cpp@/^void QtMainWindow::Disp_Restore/,/^}/{/kDispStartTail/,/^  }/d}@test_gui@ctest --test-dir $b -R ^gui.Window@ctest --test-dir $b -R ^gui.Restore"
)

old_killed=0 new_killed=0 total=0
for row in "${mutants[@]}"; do
  IFS='@' read -r name file expr targets old new <<<"$row"
  cp "$file" "$file.orig"
  sed -i "$expr" "$file"
  if cmp -s "$file" "$file.orig"; then
    echo "!! $name: the expression changed nothing" >&2
    mv "$file.orig" "$file"
    continue
  fi
  total=$((total + 1))
  # shellcheck disable=SC2086
  if ! cmake --build "$b" -j2 --target $targets >/dev/null 2>&1; then
    echo "$name: does not build (killed by the compiler)"
    old_killed=$((old_killed + 1)); new_killed=$((new_killed + 1))
  else
    o=survived n=survived
    # shellcheck disable=SC2086
    $old >/dev/null 2>&1 || { o=killed; old_killed=$((old_killed + 1)); }
    # shellcheck disable=SC2086
    $new >/dev/null 2>&1 || { n=killed; new_killed=$((new_killed + 1)); }
    echo "$name: old $o, new $n"
  fi
  mv "$file.orig" "$file" && touch "$file"
done
# shellcheck disable=SC2086
cmake --build "$b" -j2 --target test_composer test_app test_gui >/dev/null 2>&1
echo "killed: old $old_killed of $total, new $new_killed of $total"
