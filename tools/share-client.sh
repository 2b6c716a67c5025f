#!/usr/bin/env bash
# Runs a station program as a network client of the sharing server
# (Hamlib model 2, NET rigctl, at 127.0.0.1:PORT) with a throw-away home and
# a configuration written here, for recording its conversation:
#   tools/share-client.sh PROGRAM PORT < actions
# Actions, one a line, until the end of the input ends the program:
#   xmlrpc METHOD [ARG...]   fldigi's XML-RPC (numbers go as doubles)
#   api TYPE [WORD...] [KEY=NUMBER...]  JS8Call's TCP API: the words are
#                            its value, the numbers its parameters
#   click X Y                a mouse click on the screen (1280x1024) at X,Y
#   keys TEXT                typed at tlf's terminal ("\r" is Enter)
# Needs the program (Debian package of its name) and, but for tlf, Xvfb;
# the clicks (gpredict, WSJT-X) need xdotool.
# SHARE_CLIENT_KEEP=DIR keeps the home (its logs, the settings it saved).
set -euo pipefail
prog=$1 port=$2
rig=127.0.0.1:$port
home=$(mktemp -d)
pids=()
cleanup() {
  # Each was started as a process group of its own: its helpers (WSJT-X's
  # decoder) end with it.
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill -- -"${pids[i]}" 2>/dev/null || true
    for _ in $(seq 50); do kill -0 -- -"${pids[i]}" 2>/dev/null || break; sleep 0.1; done
    kill -9 -- -"${pids[i]}" 2>/dev/null || true
  done
  [ -z "${SHARE_CLIENT_KEEP:-}" ] || cp -r "$home/." "$SHARE_CLIENT_KEEP"
  rm -rf "$home"
}
trap cleanup EXIT
export HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME"

display() {
  exec 4>"$home/display"
  setsid Xvfb -displayfd 4 -nolisten tcp -screen 0 1280x1024x24 >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do [ -s "$home/display" ] && break; sleep 0.1; done
  export DISPLAY=:$(head -n1 "$home/display")
}

xmlrpc() {
  python3 - "$@" <<'EOF'
import sys, xmlrpc.client
def arg(a):
    try:
        return float(a)
    except ValueError:
        return a
s = xmlrpc.client.ServerProxy("http://127.0.0.1:7362/")
print(sys.argv[1], getattr(s, sys.argv[1])(*[arg(a) for a in sys.argv[2:]]), file=sys.stderr)
EOF
}

api() {
  python3 - "$@" <<'EOF'
import json, socket, sys
c = socket.create_connection(("127.0.0.1", 2442), timeout=5)
m = {"type": sys.argv[1], "value": "", "params": {}}
for a in sys.argv[2:]:
    k, eq, v = a.partition("=")
    if eq:
        m["params"][k] = int(v)
    else:
        m["value"] = (m["value"] + " " + a).strip()
c.sendall((json.dumps(m) + "\n").encode())
c.close()
EOF
}

case $prog in
  fldigi)
    display
    mkdir -p "$home/.fldigi"
    cat >"$home/.fldigi/fldigi_def.xml" <<EOF
<?xml version="1.0" encoding="UTF-8"?>
<FLDIGI_DEFS>
<MYCALL>N0CALL</MYCALL>
<MYLOCATOR>JO62</MYLOCATOR>
<CHKUSEHAMLIBIS>1</CHKUSEHAMLIBIS>
<CHKUSERIGCATIS>0</CHKUSERIGCATIS>
<CHKUSEXMLRPCIS>0</CHKUSEXMLRPCIS>
<HAMRIGNAME>NET rigctl</HAMRIGNAME>
<HAMRIGMODEL>2</HAMRIGMODEL>
<HAMRIGDEVICE>$rig</HAMRIGDEVICE>
<HAMLIBCMDPTT>1</HAMLIBCMDPTT>
<RTSPTT>0</RTSPTT>
<DTRPTT>0</DTRPTT>
<AUDIOIO>3</AUDIOIO>
</FLDIGI_DEFS>
EOF
    setsid fldigi --config-dir "$home/.fldigi" >"$home/log" 2>&1 &
    pids+=($!)
    ;;
  js8call|wsjtx)
    display
    ini=$XDG_CONFIG_HOME/$([ "$prog" = js8call ] && echo JS8Call || echo WSJT-X).ini
    # Enumerations are kept as Qt writes a variant of a named type.
    cat >"$ini" <<'EOF'
[Configuration]
MyCall=N0CALL
MyGrid=JO62
Rig=Hamlib NET rigctl
CATNetworkPort=@RIG@
PTTMethod=@Variant(\0\0\0\x7f\0\0\0\x1eTransceiverFactory::PTTMethod\0\0\0\0\xfPTT_method_CAT\0)
SplitMode=@Variant(\0\0\0\x7f\0\0\0\x1eTransceiverFactory::SplitMode\0\0\0\0\xfsplit_mode_rig\0)
DataMode=@Variant(\0\0\0\x7f\0\0\0\x18\x43onfiguration::DataMode\0\0\0\0\xf\x64\x61ta_mode_data\0)
Polling=1
TCPEnabled=true
TCPServer=127.0.0.1
TCPServerPort=2442
AcceptTCPRequests=true
EOF
    sed -i "s/@RIG@/$rig/" "$ini"
    setsid "$prog" >"$home/log" 2>&1 &
    pids+=($!)
    ;;
  tlf)
    cd "$home"
    printf '%s\n' CALL=N0CALL CONTEST=qso LOGFILE=qso.log RADIO_CONTROL RIGMODEL=2 "RIGPORT=$rig" >logcfg.dat
    mkfifo keys
    TERM=xterm setsid script -qfec "stty rows 30 cols 100; tlf -n" /dev/null <keys >"$home/log" 2>&1 &
    pids+=($!)
    exec 5>keys
    ;;
  gpredict)
    display
    mkdir -p "$XDG_CONFIG_HOME/Gpredict/hwconf"
    printf '%s\n' '[Radio]' Host=127.0.0.1 "Port=$port" LO=0 Type=0 PTT=0 VFOUp=0 VFODown=0 \
      >"$XDG_CONFIG_HOME/Gpredict/hwconf/hrx.rig"
    setsid gpredict >"$home/log" 2>&1 &
    pids+=($!)
    ;;
  *) echo "unknown program $prog" >&2; exit 2 ;;
esac

while IFS= read -r action; do
  set -- $action
  case $1 in
    xmlrpc) shift; xmlrpc "$@" || echo "failed: $action" >&2 ;;
    api) shift; api "$@" || echo "failed: $action" >&2 ;;
    click) xdotool mousemove "$2" "$3" click 1 ;;
    keys) printf '%b' "${action#keys }" >&5 ;;
    *) echo "unknown action $action" >&2 ;;
  esac
done
