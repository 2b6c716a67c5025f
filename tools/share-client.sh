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
#   press KEY...             keys pressed in the window that has the focus
#   write TEXT               text typed there
#   shot FILE.png            the screen saved (python3-pil), to find where
#                            to click
#   keys TEXT                typed at tlf's terminal ("\r" is Enter)
# Needs the program (Debian package of its name) and, but for tlf, Xvfb;
# the clicks and keys (gpredict, WSJT-X, xlog) need xdotool.
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
# TMPDIR too: JS8Call and WSJT-X keep their lock and data there.
export HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share TMPDIR=$home/tmp
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$TMPDIR"

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
  xlog)
    display
    mkdir -p "$home/.xlog"
    cat >"$home/.xlog/xlog.cfg" <<'EOF'
[mainwindow]
x=11
y=31
width=751
height=541

[scorewindow]
x=11
y=301
width=501
height=301

[b4window]
x=11
y=31
width=501
height=301
columns=1;1;1;1;0;1;1;1;0;0;0;0;0;0;0;0;0;0;0;0;

[general]
units=2
bands=0.136,0.472,0.501,1.8,3.5,5,7,10,14,18,21,24,28,40,50,54,70,144,222,420,902,1240,2300,3300,5650,10000,24000,47000,75500,120000,142000,241000,300000
modes=AM,AMTORFEC,ARDOP,ASCI,ATV,C4FM,CHIP,CHIP64,CHIP128,CLO,CONTESTI,CW,DIGITALVOICE,DOMINO,DOMINOEX,DOMINOF,DSTAR,FAX,FM,FMHELL,FSK31,FSK441,FSKHELL,FSQCALL,FST4,FT4,FT8,GTOR,HELL,HELL80,HFSK,ISCAT,ISCAT_A,ISCAT_B,JS8,JT4,JT44,JT4A,JT4B,JT4C,JT4D,JT4E,JT4F,JT4G,JT65,JT65A,JT65B,JT65B2,JT65C,JT65C2,JT6M,JT9,JT9_1,JT9_2,JT9_5,JT9_10,JT9_30,JT9A,JT9B,JT9C,JT9D,JT9E,JT9E_FAST,JT9F,JT9F_FAST,JT9G,JT9G_FAST,JT9H,JT9H_FAST,LSB,MFSK,MFSK4,MFSK8,MFSK11,MFSK16,MFSK22,MFSK31,MFSK32,MFSK64,MFSK128,MSK144,MT63,OLIVIA,OLIVIA_4_125,OLIVIA_4_250,OLIVIA_8_250,OLIVIA_8_500,OLIVIA_16_500,OLIVIA_16_1000,OLIVIA_32_1000,OPERA,OPERA_BEACON,OPERA_QSO,PAC,PAC2,PAC3,PAC4,PAX,PAX2,PCW,PKT,PSK,PSK10,PSK31,PSK63,PSK63F,PSK125,PSK250,PSK500,PSK1000,PSK2K,PSKAM10,PSKAM31,PSKAM50,PSKFEC31,PSKHELL,Q15,QPSK31,QPSK63,QPSK125,QPSK250,QPSK500,QRA64,QRA64A,QRA64B,QRA64C,QRA64D,QRA64E,ROS,ROS_EME,ROS_HF,ROS_MF,RTTY,RTTYM,SIM31,SSB,SSTV,T10,THOR,THRB,THRBX,TOR,USB,V4,VOI,WINMOR,WSPR
typeaheadfind=2
remoteadding=2
distqrb=1
openurl=http://www.qrz.com/db/<call>
areyousure=1
adif3_ok=2

[appearance]
viewscoring=2
viewtoolbar=2
viewb4=1
bandseditbox=1
modeseditbox=1
bandoptionmenu=1
modeoptionmenu=1
handlebarpos=301
viewclock=1

[personal]
callsign=N0CALL
locator=JO62AA
latitude=1
NS=2
longitude=1
EW=2

[hamlib]
setting=1
rigid=2
device=@RIG@
rigconf=
round=4
polltime=1
fcc=1

[defaults]
mhz=
mode=
txrst=
rxrst=
awards=
power=
freefield1=
freefield2=
remarks=

[keyer]
f1=cq de % % test
f2=@ de %
f3=@ ++5nn--#
f4=tu 73
f5=@
f6=%
f7=@ sri qso b4 gl
f8=agn
f9=?
f10=qrz?
f11=pse k
f12=++++test---- % %
cq=tu %
sp=tu 5nn#
speed=24
initial_lastmessage=

[scoring]
bands=0;0;0;1;1;1;1;1;1;1;1;1;1;0;0;0;0;1;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;
wac=1
was=1
waz=1
iota=1
loc=1

[logs]
logstoload=*
logorder=1
font=Sans 10
savedir=@HOME@/.xlog
autosave=6
saving=2
backupdir=@HOME@/.xlog
backup=2
freefield1=UNKNOWN
freefield2=UNKNOWN
columnwidths=50;100;50;50;100;75;110;50;50;100;50;50;50;100;100;100;100;100;200;

[saveas]
adif=1
cabrillo=1
tsvcolumns=1;1;0;1;1;1;1;0;0;0;0;0;0;0;0;0;0;0;
tsvcalc=1
tsvsortbydxcc=1
tsvgroupbycallsign=2
EOF
    sed -i "s/@RIG@/$rig/; s|@HOME@|$home|g" "$home/.xlog/xlog.cfg"
    setsid xlog >"$home/log" 2>&1 &
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
    press) shift; xdotool key --delay 50 "$@" ;;
    write) xdotool type "${action#write }" ;;
    shot) /usr/bin/python3 -c "from PIL import ImageGrab; ImageGrab.grab(xdisplay='$DISPLAY').save('$2')" ;;
    keys) printf '%b' "${action#keys }" >&5 ;;
    *) echo "unknown action $action" >&2 ;;
  esac
done
