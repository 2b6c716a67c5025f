#!/usr/bin/env bash
# Records one session of the hrx900 program against the simulator.
#   tools/record.sh BUILD OUT.rec WHAT WHY SECONDS [SIM OPTIONS...] < console-script
# The console script is fed to the simulator's standard input ("sleep N"
# lines wait N seconds, other lines are the radio's own console commands);
# the program runs offscreen with --dump-state and is ended after SECONDS.
set -euo pipefail
build=$(realpath "$1") out=$(realpath -m "$2") what=$3 why=$4 secs=$5
shift 5
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
mkdir -p "$dir/CommoFiles"
fifo=$dir/console
mkfifo "$fifo"
"$build/sim/hrx900-sim" --link "$dir/radio" --record "$out" --what "$what" --why "$why" "$@" <"$fifo" >/dev/null &
sim=$!
exec 3>"$fifo"
sleep 0.3
( cd "$dir" && sleep "$secs" | QT_QPA_PLATFORM=offscreen HOME=$dir XDG_CONFIG_HOME=$dir/config \
    "$build/src/app/hrx900" --device "$dir/radio" --dump-state "$dir/state.txt" ) &
prog=$!
while IFS= read -r line; do
  case $line in sleep\ *) sleep "${line#sleep }" ;; *) echo "$line" >&3 ;; esac
done
wait "$prog"
echo quit >&3
exec 3>&-
wait "$sim" || true
