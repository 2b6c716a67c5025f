#!/usr/bin/env bash
# The panel read through the real assistive-technology bus: a private
# session bus carrying the AT-SPI bus, the program on an X server of its own
# (Qt's AT-SPI bridge needs a windowing platform; offscreen has none)
# connected to the simulated radio, and a client that works it (by default
# the pyatspi one; the screen reader's one starts Orca on this bus).
#   atspi_panel.sh PROGRAM SIMULATOR [CLIENT]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${HRX900_IN_SESSION:-}" ]; then
  export HRX900_IN_SESSION=1
  # The AT-SPI bus's socket lies in the runtime folder (else one fixed path
  # in ~/.cache): a folder of its own, or parallel runs meet on one bus.
  XDG_RUNTIME_DIR=$(mktemp -d /tmp/hrx900-atspi-run-XXXXXX)
  export XDG_RUNTIME_DIR
  exec dbus-run-session -- bash "$0" "$@"
fi
program=$1 sim=$2 client_script=${3:-$here/atspi_client.py}
work=$(mktemp -d /tmp/hrx900-atspi-XXXXXX)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work" "$XDG_RUNTIME_DIR"
}
trap cleanup EXIT

# A display number of its own, so parallel runs do not meet.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
display=":$(head -n1 "$work/display")"

# On that display: the registry sees and makes its key events there.
# Its settings in memory: a screen reader turning accessibility on must not
# write the user's own.
GSETTINGS_BACKEND=memory DISPLAY="$display" /usr/libexec/at-spi-bus-launcher --launch-immediately &
pids+=($!)
for _ in $(seq 100); do
  dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress >/dev/null 2>&1 && break
  sleep 0.1
done

mkfifo "$work/sim-in"
"$sim" --link "$work/radio" <"$work/sim-in" >"$work/sim.out" 2>"$work/sim.err" &
pids+=($!)
exec 4>"$work/sim-in"   # holds the simulator's input open
for _ in $(seq 100); do [ -e "$work/radio" ] && break; sleep 0.1; done

# The client listens first; then the program starts and is named to it by
# its process id.
status=0
DISPLAY="$display" /usr/bin/python3 "$client_script" "$work/sim-in" "$work/program.pid" "$work/listening" &
client=$!
for _ in $(seq 200); do [ -e "$work/listening" ] || ! kill -0 "$client" 2>/dev/null && break; sleep 0.1; done

(cd "$work" && exec env XDG_CONFIG_HOME="$work/config" DISPLAY="$display" QT_QPA_PLATFORM=xcb \
   QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$program" --device "$work/radio") >"$work/program.log" 2>&1 &
pids+=($!)
echo $! >"$work/program.pid.new" && mv "$work/program.pid.new" "$work/program.pid"

wait "$client" || status=$?
if [ "$status" -ne 0 ]; then
  echo "--- program"; cat "$work/program.log"
  echo "--- simulator"; cat "$work/sim.err"
fi
exit "$status"
