# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Syrel developers
"""The program as a screen reader sees it, through AT-SPI, from outside.

Run by with-xvfb.sh inside dbus-run-session:  a11y.py PROGRAM
Starts the program with Qt's accessibility on, then: the name of every
window as it comes, the dock's buttons and pictures, each tool opened and
closed by the buttons' press action, the Debugger's answer to "help"
announced line by line, the viewer's labels, and the exit button ending
the run."""

import os
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

program = sys.argv[1]
failures = []
names_seen = set()


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what, flush=True)
    if not ok:
        failures.append(what)


def pump():
    ctx = GLib.MainContext.default()
    while ctx.iteration(False):
        pass


def showing(o):
    return o.getState().contains(pyatspi.STATE_SHOWING)


def actions(o):
    try:
        a = o.queryAction()
    except NotImplementedError:
        return []
    return [a.getName(i) for i in range(a.nActions)]


def on_activate(event):
    # The name as the window had it then: it may be gone by now.
    if event.any_data:
        names_seen.add(event.any_data)


inserted = []


def on_insert(event):
    if event.source.getRole() == pyatspi.ROLE_LIST:
        inserted.append((event.source.parent.name, event.any_data))


# A window shown only for a moment (the closing notice) is caught as it
# takes the focus. Listened to before the start: the program asks once.
pyatspi.Registry.registerEventListener(on_activate, "window:activate")
pyatspi.Registry.registerEventListener(on_insert, "object:text-changed:insert")
env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
syrel = subprocess.Popen([program], env=env)


def app():
    for a in pyatspi.Registry.getDesktop(0):
        if a is not None and a.get_process_id() == syrel.pid:
            return a
    return None


def windows():
    a = app()
    if a is None:
        return {}
    a.clear_cache()
    out = {}
    for w in a:
        if w is not None and showing(w):
            out[w.name] = w
            names_seen.add(w.name)
    return out


def wait(cond, limit=30.0):
    """Polls until cond() gives something true, noting every window seen."""
    deadline = time.monotonic() + limit
    while time.monotonic() < deadline:
        pump()
        try:
            windows()
            got = cond()
        except Exception:  # an object going away between two calls
            got = None
        if got:
            return got
        time.sleep(0.05)
    return None


def press(button):
    button.queryAction().doAction(actions(button).index("Press"))


try:
    # The boot window, the desktop, the strip: named as they come.
    dock = wait(lambda: windows().get("Syrel"), 60)
    check(dock is not None, "the dock is a window named 'Syrel'")
    if dock is None:
        raise SystemExit(1)
    check(dock.getRole() == pyatspi.ROLE_FRAME, "the dock's role is frame")

    # Seven icons in their order, nothing else (the bar and the hidden
    # picture holders are left out); every one takes the focus.
    icons = [c for c in dock]
    check([c.name for c in icons] == ["Syrel World Viewer", "Debugger", "Scanner", "Lignes", "Trapèze",
                                      "Flèche vers le bas", "Quitter Syrel"],
          "dock children: %s" % [c.name for c in icons])
    roles = [c.getRole() for c in icons]
    check(roles == [pyatspi.ROLE_PUSH_BUTTON] * 3 + [pyatspi.ROLE_IMAGE] * 3 + [pyatspi.ROLE_PUSH_BUTTON],
          "dock roles: %s" % [c.getRoleName() for c in icons])
    check(all("Press" in actions(c) for c in icons[:3] + icons[6:]), "each dock button can be pressed")
    check(all("Press" not in actions(c) for c in icons[3:6]), "the pictures without action have none")
    check(all(showing(c) and c.getState().contains(pyatspi.STATE_FOCUSABLE) for c in icons),
          "all seven icons show and take the focus")
    viewer_icon, debugger_icon, scanner_icon, exit_icon = icons[0], icons[1], icons[2], icons[6]

    # The Debugger, opened by its button; its answer to "help" announced.
    press(debugger_icon)
    debugger = wait(lambda: windows().get("Debugger"))
    check(debugger is not None, "the Debugger's button opens the window 'Debugger'")
    if debugger is None:
        raise SystemExit(1)
    field = [c for c in debugger if c.getRole() == pyatspi.ROLE_TEXT][0]
    output = [c for c in debugger if c.getRole() == pyatspi.ROLE_LIST][0]
    check(field.name == "Commande" and output.name == "Sortie", "the console's line and list are named")
    check(wait(lambda: field.getState().contains(pyatspi.STATE_FOCUSED), 10) is not None,
          "the command line has the focus")
    banner = output.childCount
    subprocess.run(["xdotool", "type", "--delay", "30", "help"], check=True)
    subprocess.run(["xdotool", "key", "Return"], check=True)
    lines = wait(lambda: [c.name for c in output][banner:] if output.childCount > banner + 3 else None, 10)
    check(lines is not None and lines[0] == "Commande > help", "the echo and the help page are listed")
    # The banner, the echo and the answer: every line as it comes.
    every = [c.name for c in output]
    wait(lambda: len(inserted) >= len(every), 10)
    check([text for _, text in inserted] == [line + "\n" for line in every],
          "each new line is announced with its text, in order: %s" % inserted[banner:banner + 2])
    check(all(window == "Debugger" for window, _ in inserted), "the announcements come from the Debugger")
    check(output[banner].getIndexInParent() == banner, "a line knows its place in the list")
    text = output.queryText()
    check(text.getText(0, -1) == "".join(c.name + "\n" for c in output), "the list reads as one text")

    # The viewer: its labels readable, the clickable ones pressable.
    press(viewer_icon)
    viewer = wait(lambda: windows().get("Syrel World Viewer"))
    check(viewer is not None, "the viewer's button opens the window 'Syrel World Viewer'")
    if viewer is not None:
        labels = {c.name: c for c in viewer if c.getRole() == pyatspi.ROLE_LABEL}
        shown = sorted(n for n, c in labels.items() if showing(c))
        check(shown == ["Analyse de la Zone 1", "Analyse du 5eme Territoire"], "the viewer shows its labels: %s" % shown)
        check(set(labels) >= {"LEGENDE :", "BRAMEN", "TALVIA", "ORIV", "VORN", "TOUR"}, "the legend is there, hidden")
        check(all("Press" in actions(labels[n]) for n in shown), "the clickable labels can be pressed")
        check(all("Press" not in actions(labels[n]) for n in ("BRAMEN", "VORN")), "the legend cannot")
        unnamed = [c.getRoleName() for c in viewer if showing(c) and not c.name]
        check(not unnamed, "nothing unnamed shows in the viewer: %s" % unnamed)

    # The Scanner, through the strip, named apart from the viewer.
    press(scanner_icon)
    check(wait(lambda: windows().get("Scanner")) is not None, "the Scanner's button opens the window 'Scanner'")

    # Pressed again, each button closes its tool.
    for icon, name in ((viewer_icon, "Syrel World Viewer"), (debugger_icon, "Debugger"), (scanner_icon, "Scanner")):
        press(icon)
        check(wait(lambda: name not in windows()) is not None, "pressed again, the button closes '%s'" % name)

    press(exit_icon)
    wait(lambda: "Closing ..." in names_seen, 10)
    try:
        code = syrel.wait(30)
    except subprocess.TimeoutExpired:
        code = None
    check(code == 0, "the exit button ends the run (status %s)" % code)
    expected = {"Démarrage de Syrel", "Desktop", "Processing", "Syrel", "Debugger", "Syrel World Viewer", "Scanner",
                "Closing ..."}
    check(names_seen == expected, "every window is named: %s" % sorted(names_seen))
finally:
    if syrel.poll() is None:
        syrel.kill()
        syrel.wait()

if failures:
    print("%d failed" % len(failures))
    sys.exit(1)
print("all passed")
