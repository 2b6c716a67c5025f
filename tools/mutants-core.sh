#!/usr/bin/env bash
# Hand-made mutants of the core: each is applied with sed (found by pattern,
# not by line number), the test programs named are rebuilt and run whole, and
# the file is put back. A mutant is killed when one of them fails (or when it
# does not build). Not part of CI: a run rebuilds once per mutant.
#   tools/mutants-core.sh [build-dir]
set -uo pipefail
cd "$(dirname "$0")/.."
b=${1:-build/core}

# name @ file @ sed expression @ test programs
mutants=(
  "a read-out rows 16 and 17 swapped@src/composer/CommandTables.h@s/{\"RF\", ReadKind::Side, 4},  \/\/ 16/{\"GT\", ReadKind::Side, 4},  \/\/ 16/;s/{\"GT\", ReadKind::Side, 4},  \/\/ 17/{\"RF\", ReadKind::Side, 4},  \/\/ 17/@test_composer"
  "b read-out side wait 25 -> 2 ms@src/composer/Composer.cpp@/case ReadKind::Side:/,/break;/{s/sleepMs(25)/sleepMs(2)/}@test_composer"
  "c FR_Stat 5 not the sub side@src/composer/Composer.cpp@s/return fr == 4 || fr == 5 ? s.get_MD_Sub()/return fr == 4 ? s.get_MD_Sub()/@test_composer"
  "d keep-alive 30 ms wait gone@src/composer/Composer.cpp@/^void keepAlive/,/^}/{/x.sleepMs(30);/d}@test_composer"
  "e ID query second wait gone@src/composer/Composer.cpp@/^void idQuery/,/^}/{/ID0900/{n;/sleepMs(25)/d}}@test_composer"
  "f connection switch wait 20 -> 10 ms@src/composer/Composer.cpp@/^void comSwitch/,/^}/{s/sleepMs(20)/sleepMs(10)/}@test_composer"
  "g1 KS decoder writes KP_Value@src/analysis/ReplyDecoders.cpp@/ReplyRow::KS, Family::Fixed/{s/IntField::KS_Value, MirrorField::KS_Value/IntField::KP_Value, MirrorField::KP_Value/}@test_analysis"
  "g2 set-table row NL -> NK@src/composer/CommandTables.h@s/{\"NL\", 0, 7}/{\"NK\", 0, 7}/@test_composer"
  "g3 ring buffer writer wraps one slot early@src/platform/RingBuffer.cpp@/Sio_RingBuff_Write(std::int16_t/,/^}/{s/writeIndex_ + 1 > kSlots - 1/writeIndex_ + 1 > kSlots - 2/}@test_platform"
  "g4 SetPortNumber accepts 21@src/serial/ComPort.cpp@/^bool ComPort::SetPortNumber/,/^}/{s/n <= kComPortCount/n <= kComPortCount + 1/}@test_serial"
  "g5 watchdog keeps the command outstanding@src/app/Station.cpp@/^bool powerSyncTimedOut/,/^}/{/  state.set_AwaitingReply(0);/d}@test_app"
)

killed=0 total=0
for row in "${mutants[@]}"; do
  IFS='@' read -r name file expr targets <<<"$row"
  cp "$file" "$file.orig"
  sed -i "$expr" "$file"
  if cmp -s "$file" "$file.orig"; then
    echo "!! $name: the expression changed nothing" >&2
    mv "$file.orig" "$file"
    continue
  fi
  total=$((total + 1))
  verdict=survived
  # shellcheck disable=SC2086
  if ! cmake --build "$b" -j2 --target $targets >/dev/null 2>&1; then
    verdict="killed (does not build)"
  else
    for t in $targets; do
      timeout 300 "$b/tests/$t" >/dev/null 2>&1 || { verdict="killed by $t"; break; }
    done
  fi
  [[ $verdict == killed* ]] && killed=$((killed + 1))
  echo "$name: $verdict"
  mv "$file.orig" "$file" && touch "$file"
done
cmake --build "$b" -j2 >/dev/null 2>&1
echo "killed $killed of $total"
