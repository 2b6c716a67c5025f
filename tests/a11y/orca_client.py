"""The panel as Orca speaks it: starts Debian's Orca on this run's bus,
types on the program's window through XTest (Orca hears those keys as a
user's) and reads what Orca would speak from the "SPEECH OUTPUT" lines of
its debug log (its echo of the keys left out). HRX900_ORCA_LOG=FILE keeps
the log of a failed run.
  orca_client.py SIM_INPUT PROGRAM_PID_FILE LISTENING_FILE"""
import os
import re
import shutil
import subprocess
import sys
import time

from Xlib import X, XK, display
from Xlib.ext import xtest

SIM_INPUT, PID_FILE, LISTENING_FILE = sys.argv[1:4]
work = os.path.dirname(SIM_INPUT)
here = os.path.dirname(os.path.abspath(__file__))
log_path = os.path.join(work, "orca.log")
prefs = os.path.join(work, "orca-prefs")
os.makedirs(prefs, exist_ok=True)
env = dict(os.environ, HOME=work, XDG_CONFIG_HOME=os.path.join(work, "config"),
           XDG_DATA_HOME=os.path.join(work, "data"))
orca = subprocess.Popen([sys.executable, os.path.join(here, "orca_run.py"), log_path, prefs], env=env,
                        stdout=subprocess.DEVNULL, stderr=open(os.path.join(work, "orca.err"), "w"))
# An utterance, then its voice; a key's echo has a space before the voice.
SPOKEN = re.compile(r"SPEECH OUTPUT: '(.*?)'(?: voice=\w+)?\{'")
read_upto = 0
start = time.monotonic()


def spoken_since_last():
    """The lines spoken since the last call."""
    global read_upto
    try:
        with open(log_path, errors="replace") as f:
            f.seek(read_upto)
            chunk = f.read()
    except FileNotFoundError:
        return []
    cut = chunk.rfind("\n") + 1
    read_upto += cut
    return [m.group(1) for m in SPOKEN.finditer(chunk[:cut])]


def listen(seconds):
    end = time.monotonic() + seconds
    heard = []
    while time.monotonic() < end:
        heard += spoken_since_last()
        time.sleep(0.05)
    return heard


def wait_spoken(what, pred, seconds=15.0):
    end = time.monotonic() + seconds
    heard = []
    while time.monotonic() < end:
        heard += spoken_since_last()
        if any(pred(s) for s in heard):
            return heard
        if orca.poll() is not None:
            break
        time.sleep(0.05)
    fail(f"{what} (heard: {heard!r})")


def fail(what):
    orca.kill()
    if os.environ.get("HRX900_ORCA_LOG"):
        shutil.copy(log_path, os.environ["HRX900_ORCA_LOG"])
    sys.exit(f"FAIL: {what}")


x = display.Display()


def key(name, shift=False, ctrl=False):
    """One press and release of the key named as in X's keysyms."""
    code = x.keysym_to_keycode(XK.string_to_keysym(name))
    held = [x.keysym_to_keycode(k) for k, on in ((XK.XK_Control_L, ctrl), (XK.XK_Shift_L, shift)) if on]
    for h in held:
        xtest.fake_input(x, X.KeyPress, h)
    xtest.fake_input(x, X.KeyPress, code)
    xtest.fake_input(x, X.KeyRelease, code)
    for h in reversed(held):
        xtest.fake_input(x, X.KeyRelease, h)
    x.sync()


def program_window():
    """The program's main window, by its process id; None until it is mapped."""
    if not os.path.exists(PID_FILE):
        return None
    with open(PID_FILE) as f:
        pid = int(f.read())
    pid_atom = x.intern_atom("_NET_WM_PID")
    for w in x.screen().root.query_tree().children:
        prop = w.get_full_property(pid_atom, X.AnyPropertyType)
        if prop and prop.value[0] == pid and w.get_attributes().map_state == X.IsViewable:
            return w
    return None

def tune(command):
    with open(SIM_INPUT, "w") as f:
        f.write(command + "\n")


def next_line(seconds=3.0):
    """The next line Orca speaks, or None."""
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if pending:
            return pending.pop(0)
        pending.extend(spoken_since_last())
        time.sleep(0.02)
    return None


pending = []


def ring_to(name, back=False):
    """Tab (or Shift+Tab) one element at a time, each spoken before the
    next key, until Orca names `name`; the lines of that last stop."""
    for _ in range(100):
        pending.extend(spoken_since_last())
        pending.clear()
        key("Tab", shift=back)
        first = next_line()
        if first is None:
            fail(f"nothing spoken on the way to {name}")
        if first.startswith(name + " "):
            rest = pending[:]
            pending.clear()
            return [first] + rest + listen(0.3)
    fail(f"{name} never reached")


def hear(lines, seconds=10.0, tail=0.4):
    """What is spoken until every one of `lines` has been, then for `tail`
    seconds more (a repeat or anything else said after them)."""
    end = time.monotonic() + seconds
    heard = []
    while time.monotonic() < end and not all(line in heard for line in lines):
        heard += spoken_since_last()
        time.sleep(0.02)
    return heard + listen(tail)


def expect(what, heard, lines, exactly=False):
    """`lines` each spoken once in `heard`; with `exactly`, nothing else."""
    print(f"{what}: {heard!r}", flush=True)
    for line in lines:
        if heard.count(line) != 1:
            fail(f"{what}: {line!r} said {heard.count(line)} times")
    if exactly and heard != lines:
        fail(f"{what}: more than {lines!r} said")


wait_spoken("Orca's start", lambda s: s == "Screen reader on.")
open(LISTENING_FILE, "w").close()
# No window manager: the window is given the keyboard as one would give it.
end = time.monotonic() + 20
while (window := program_window()) is None and time.monotonic() < end:
    time.sleep(0.1)
if window is None:
    fail("the program's window")
time.sleep(0.5)


def give_keyboard():
    window.set_input_focus(X.RevertToParent, X.CurrentTime)
    x.sync()


give_keyboard()
expect("the window", wait_spoken("the window", lambda s: s.startswith("Front panel")), ["RCP for HRX900 frame."])

# The link key: its state on focus and on change.
expect("COM", ring_to("COM"), ["COM check box not checked."])
key("space")
# The link comes on and reads the radio out; its end says where the radio
# stands, once (not the read-out's retune and mode change).
expect("COM pressed", hear(["checked", "notification link on, reading the radio."]),
       ["checked", "notification link on, reading the radio."], exactly=True)
expect("read-out", hear(["notification ready, 14.250 megahertz USB."], seconds=60, tail=0.6),
       ["notification ready, 14.250 megahertz USB."], exactly=True)
# Letters read the frequency, the mode and the meter aloud.
key("f")
expect("F", hear(["notification VFO A 14.250 megahertz."]), ["notification VFO A 14.250 megahertz."], exactly=True)
key("m")
expect("M", hear(["notification mode USB."]), ["notification mode USB."], exactly=True)
key("s")
meter = hear([], seconds=0, tail=1.0)
print(f"S: {meter!r}", flush=True)
if len(meter) != 1 or not re.fullmatch(r"notification S\d( plus \d+ dB)?\.", meter[0]):
    fail(f"S: {meter!r}")
# Two letters back to back: each says its own line, once.
key("f")
key("m")
expect("F then M", hear(["notification VFO A 14.250 megahertz.", "notification mode USB."], tail=0.6),
       ["notification VFO A 14.250 megahertz.", "notification mode USB."], exactly=True)
# ATT's menu: Down to -6 dB, Enter; the key says its new state.
expect("ATT", ring_to("ATT"), ["ATT check box not checked.", "ATT OFF."])
key("space")
# The menu opens on the radio's setting.
expect("ATT's menu", hear(["ATT OFF."]), ["ATT OFF."])
for k in ("Down", "Return"):
    key(k)
# Back on the key once the radio has the choice: its new state and setting, once.
chosen = hear(["ATT check box checked.", "ATT minus 6 dB."], tail=0.6)
expect("ATT chosen", chosen, ["ATT check box checked.", "ATT minus 6 dB."])
if any(line.startswith("notification") or line == "checked" for line in chosen):
    fail(f"ATT chosen: said twice: {chosen!r}")
key("Tab", ctrl=True)   # the TFT's first: the meter, in S units
meter = hear(["Meter progress bar."])
print(f"meter: {meter!r}", flush=True)
if "Meter progress bar." not in meter or not any(re.fullmatch(r"receiving, \w+ selected, S\d( plus \d+ dB)?\.", m)
                                                  for m in meter):
    fail(f"the meter: {meter!r}")
# MOX from the keyboard asks first; Escape answers No.
key("Tab", ctrl=True)   # the lower row's first
expect("MOX", hear(["MOX check box not checked."]), ["MOX check box not checked."])
key("space")
expect("MOX pressed", hear(["alert HRX900.", "Key the transmitter?", "No push button."]),
       ["alert HRX900.", "Key the transmitter?", "No push button."], exactly=True)
key("Escape")
listen(0.3)
# The main window has the keyboard back, as a window manager gives it.
give_keyboard()
expect("MOX question answered", hear(["MOX check box not checked."]), ["MOX check box not checked."])
# Ctrl+Tab jumps a section: the main display says the frequency, then on
# past the VFO keys to the main tuning.
key("Tab", ctrl=True)
expect("main display", hear(["VFO A frequency, 14.250 megahertz label."]), ["VFO A frequency, 14.250 megahertz label."])
# A digit says its figure at each step; the frequency is said once it stands.
expect("the 1 kHz digit", ring_to("VFO A 1 kilohertz digit"), ["VFO A 1 kilohertz digit dial 0."])
key("Up")
expect("digit up", hear(["1", "notification VFO A 14.251 megahertz."], tail=0.6),
       ["1", "notification VFO A 14.251 megahertz."], exactly=True)
key("Down")
expect("digit down", hear(["0", "notification VFO A 14.250 megahertz."], tail=0.6),
       ["0", "notification VFO A 14.250 megahertz."], exactly=True)
key("Tab", ctrl=True)
hear(["A RX check box not checked."])
key("Tab", ctrl=True)
# Ten quick steps of the main dial: the frequency said once, when it stands.
expect("main tuning", hear(["Main tuning dial 14.250.", "VFO A 14.250 megahertz."]),
       ["Main tuning dial 14.250.", "VFO A 14.250 megahertz."])
for _ in range(10):
    key("Up")
expect("ten steps", hear(["14.2501"], tail=0.6), ["14.2501"], exactly=True)
# The radio retunes itself.
tune("FA07074000")
expect("retune", hear(["7.074"], tail=0.6), ["7.074"], exactly=True)
# Off the frequency, a retune and a mode change the radio reports are said
# together once they stand; transmitting at once.
key("Tab", ctrl=True)
hear(["1.8 megahertz push button."])
tune("FA14074000")
tune("MD03")
expect("elsewhere", hear(["notification VFO A 14.074 megahertz, CW-U."], tail=0.6),
       ["notification VFO A 14.074 megahertz, CW-U."], exactly=True)
tune("TX1")
expect("transmitting", hear(["notification transmitting."]), ["notification transmitting."], exactly=True)
tune("TX0")
expect("receiving", hear(["notification receiving."]), ["notification receiving."], exactly=True)
# The CLAR/VFO-B dial tuning VFO B says its frequency, and once its
# function is gone again a plain number, not what a lost value interface gave.
tune("SF4")
listen(0.6)
key("Tab", ctrl=True)
expect("CLAR or VFO B, tuning VFO B", hear(["CLAR or VFO B dial 7.050.", "VFO B 7.050 megahertz."]),
       ["CLAR or VFO B dial 7.050.", "VFO B 7.050 megahertz."])
key("Up")
expect("VFO B up", hear(["7.05001"], tail=0.6), ["7.05001"], exactly=True)
tune("SF0")
key("Tab", shift=True)
listen(0.3)
key("Tab")
expect("CLAR or VFO B, not in use", hear(["CLAR or VFO B dial 0.", "not in use."]),
       ["CLAR or VFO B dial 0.", "not in use."])
# The link off, from the keyboard.
key("Tab", ctrl=True)
hear(["ON/OFF check box checked."])
ring_to("COM")
key("space")
expect("COM released", hear(["not checked", "notification link off."]), ["not checked", "notification link off."],
       exactly=True)
orca.kill()
orca.wait()
print(f"spoken as expected in {time.monotonic() - start:.1f} s")
