"""A screen reader's view of the panel, through AT-SPI: finds the program,
the ATT key by name and the VFO A frequency text; presses COM through
its action; tunes the simulated radio (a report to the program) and sees
the text and the ATT state follow. Exits non-zero on the first miss.
  atspi_client.py SIM_INPUT PROGRAM_PID_FILE LISTENING_FILE"""
import os
import sys
import time

import gi
import pyatspi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

SIM_INPUT, PID_FILE, LISTENING_FILE = sys.argv[1:4]
# The events the bus delivered: type, source name, text.
heard = []


def on_event(event):
    try:
        heard.append((event.type, event.source.get_name(), str(event.any_data)))
    except Exception as e:
        heard.append((event.type, repr(e), ""))


listener = Atspi.EventListener.new(on_event)
listener.register("object:text-changed")
listener.register("object:property-change:accessible-description")
listener.register("object:property-change:accessible-value")
# A call to the registry after the registration: when it returns, the
# registry holds the listener, and the program (started only now) reads it
# at its start. Qt reads the listeners once and then follows the registry's
# news, so one registered while it connects would be missed.
pyatspi.Registry.getDesktop(0).childCount
open(LISTENING_FILE, "w").close()


def wait_for(what, probe, seconds=20.0):
    end = time.monotonic() + seconds
    last = None
    while time.monotonic() < end:
        while GLib.MainContext.default().iteration(False):
            pass
        try:
            last = probe()
            if last:
                return last
        except Exception as e:  # the tree may be rebuilt while we read it
            last = e
        time.sleep(0.1)
    sys.exit(f"FAIL: {what} (last: {last!r})")


def find(node, pred, depth=0):
    if pred(node):
        return node
    if depth > 6:
        return None
    for i in range(node.childCount):
        hit = find(node.getChildAtIndex(i), pred, depth + 1)
        if hit is not None:
            return hit
    return None


def app():
    """This run's program, by its process id: the bus may hold others."""
    if not os.path.exists(PID_FILE):
        return None
    with open(PID_FILE) as f:
        pid = int(f.read())
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        a = desktop.getChildAtIndex(i)
        if a is not None and a.name == "hrx900" and a.get_process_id() == pid:
            return a
    return None


def panel():
    a = app()
    return a and find(a, lambda n: n.getRoleName() == "panel" and n.name == "Front panel")


def child(name):
    """The element named `name`; a display's name goes on with its value."""
    p = panel()
    return p and find(p, lambda n: n.name == name or n.name.startswith(name + ", "), 5)


def text_of(name):
    t = child(name).queryText()
    return t.getText(0, t.characterCount)


def press(name):
    action = child(name).queryAction()
    for i in range(action.nActions):
        if action.getName(i) == "Press":
            return action.doAction(i)
    sys.exit(f"FAIL: {name} has no Press action")


def tune(command):
    with open(SIM_INPUT, "w") as f:
        f.write(command + "\n")


p = wait_for("the panel on the bus", panel)
print(f"panel: {p.childCount} elements")
att = wait_for("the ATT button", lambda: child("ATT"))
# A lamp key is a check box: a screen reader says its state.
if att.getRoleName() != "check box":
    sys.exit(f"FAIL: ATT is a {att.getRoleName()}")
wait_for("the VFO A frequency text", lambda: text_of("VFO A frequency").endswith(" MHz"))

press("COM")
wait_for("the COM lamp lit", lambda: child("COM").getState().contains(pyatspi.STATE_CHECKED), 40)
for command, text in (("FA14250000", "14.250.000 MHz"), ("FA07012340", "7.012.340 MHz")):
    heard.clear()
    tune(command)
    wait_for(f"the text {text}", lambda: text_of("VFO A frequency") == text)
    # This change's own event: the inserted text is the new frequency.
    wait_for("its text-changed event",
             lambda: any(t == "object:text-changed:insert" and n.startswith("VFO A frequency") and d == text
                         for t, n, d in heard), 5)
    print(f"VFO A frequency: {text}, told")
# The main dial's value is the frequency in MHz, told once it stands still.
heard.clear()
tune("FA07012350")
wait_for("the main tuning at 7.01235", lambda: abs(child("Main tuning").queryValue().currentValue - 7.01235) < 1e-9)
time.sleep(0.6)
wait_for("nothing", lambda: True)
told = [t for t, n, _ in heard if t.endswith("accessible-value") and n == "Main tuning"]
if len(told) != 1:
    sys.exit(f"FAIL: the main dial's value told {len(told)} times")
print("Main tuning: 7.01235, told once")
heard.clear()
tune("RA01")
wait_for("ATT minus 6 dB and checked", lambda: child("ATT").description == "ATT minus 6 dB"
         and child("ATT").getState().contains(pyatspi.STATE_CHECKED))
wait_for("its description-change event",
         lambda: any(t.endswith("accessible-description") and n == "ATT" for t, n, _ in heard), 5)
print("ATT: minus 6 dB, checked, told")
