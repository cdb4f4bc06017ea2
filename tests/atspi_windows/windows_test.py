# The program's own windows as a screen reader meets them over the accessibility bus: each opens
# as a dialog named by its caption (with the text at its top as its description), Escape pressed
# on the keyboard closes it as its Cancel or Close does, and the print preview tells the page it
# shows when it changes. Started by on-bus.sh, which provides the display and the buses.
import os
import shutil
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

PROGRAMS = os.environ["PROGRAMS"]
WORK = os.environ["WORK"]
DATA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data")
FRAME = "Vantorel - QVR Editor"

failures = []


def check(ok, what):
    print(("ok:   " if ok else "FAIL: ") + what, flush=True)
    if not ok:
        failures.append(what)
    return ok


def pump(seconds):
    """Lets the events the programs sent arrive."""
    end = time.monotonic() + seconds
    context = GLib.MainContext.default()
    while time.monotonic() < end:
        while context.iteration(False):
            pass
        time.sleep(0.02)


def wait(predicate, seconds=20):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        try:
            found = predicate()
        except Exception:  # an object that went away while it was read
            found = None
        if found:
            return found
        pump(0.1)
    return None


def alive(obj):
    try:
        return obj is not None and obj.getRoleName() is not None and obj.getIndexInParent() >= 0
    except Exception:
        return False


def find(root, name=None, role=None):
    def fits(o):
        try:
            return (o is not None and (name is None or o.name == name) and
                    (role is None or o.getRoleName() == role) and
                    not o.getState().contains(pyatspi.STATE_DEFUNCT))
        except Exception:
            return False
    return pyatspi.findDescendant(root, fits, True) if root is not None else None


def application():
    for a in pyatspi.Registry.getDesktop(0):
        if a is not None and a.name == "notes":
            return a
    return None


def top_level(app, name):
    for i in range(app.childCount):
        w = app.getChildAtIndex(i)
        if w is not None and w.name == name:
            return w
    return None


def key(name):
    subprocess.run(["xdotool", "key", "--clearmodifiers", name], check=True)


def press(obj):
    action = obj.queryAction()
    for i in range(action.nActions):
        if action.getName(i) in ("Press", "press", "click", "Click"):
            action.doAction(i)
            return
    action.doAction(0)


def children(obj):
    return [c for c in (obj.getChildAtIndex(i) for i in range(obj.childCount)) if c is not None]


def mdi_child(app, caption):
    """A window inside the frame (the frame's own tree holds the grids: not walked whole)."""
    frame = top_level(app, FRAME)
    for part in children(frame) if frame is not None else []:
        for inner in children(part):
            if inner.getRoleName() == "layered pane":
                for w in children(inner):
                    if w.name == caption:
                        return w
    return None


def choose_menu(app, item):
    frame = top_level(app, FRAME)
    bar = [c for c in children(frame) if c.getRoleName() == "menu bar"][0]
    menu = find(bar, item, "menu item")
    check(menu is not None, "the menu offers " + item)
    if menu is not None:
        press(menu)


def active(w):
    try:
        return w.getState().contains(pyatspi.STATE_ACTIVE)
    except Exception:
        return False


def open_window(app, how, caption, role="dialog"):
    how()
    w = wait(lambda: (lambda t: t if t is not None and alive(t) else None)(
        top_level(app, caption) or mdi_child(app, caption)))
    if not check(w is not None, caption + " opens"):
        return None
    check(w.getRoleName() == role,
          "%s reads as a %s (it reads as %s)" % (caption, role, w.getRoleName()))
    return w


def escape_closes(app, w, caption, inside=False):
    """Escape goes to what has the keyboard, as the system sends it."""
    if not inside:
        wait(lambda: active(w), 10)
    pump(0.5)
    focused = pyatspi.findDescendant(
        w, lambda o: o is not None and o.getState().contains(pyatspi.STATE_FOCUSED))
    key("Escape")
    gone = wait(lambda: not alive(w) or (top_level(app, caption) is None and
                                         mdi_child(app, caption) is None), 10)
    check(gone, "Escape closes %s (pressed on %s)" % (caption, focused))


def project():
    folder = os.path.join(WORK, "project")
    library = os.path.join(WORK, "library")
    os.makedirs(folder)
    os.makedirs(library)
    for name in ("Office.csv", "Retail.CSV"):
        shutil.copy(os.path.join(DATA, "library", name), library)
    notes = os.path.join(folder, "constnot.csv")
    with open(notes, "w", newline="") as f:
        f.write("SET,TXTHT,0.1\r\n")
        for n in range(1, 161):
            f.write("CIR,%d,Footing note number %d of the circle tab,EA,COUNT\r\n" % (n, n))
    shutil.copy(notes, os.path.join(folder, "constnot.bak"))
    ini = os.path.join(folder, "qvr.ini")
    with open(ini, "w", newline="") as f:
        f.write("[QVREditCONFIG]\r\nLibPath=%s\r\n" % library)
    return notes, ini


def main():
    notes, ini = project()
    log = open(os.path.join(WORK, "notes.log"), "w")
    program = subprocess.Popen([os.path.join(PROGRAMS, "notes"), notes, ini], stdout=log,
                               stderr=subprocess.STDOUT)
    try:
        app = wait(lambda: (lambda a: a if a is not None and top_level(a, FRAME) else None)(
            application()), 60)
        if not check(app is not None, "notes shows its frame on the accessibility bus"):
            return
        pump(2)
        check(top_level(app, FRAME).getRoleName() == "frame", "the program's frame reads as a frame")

        w = open_window(app, lambda: choose_menu(app, "About"), "About")
        if w is not None:
            check("Version" in (w.description or ""),
                  "About is described by its texts (%r)" % w.description)
            escape_closes(app, w, "About")

        w = open_window(app, lambda: choose_menu(app, "Editor Options..."), "Editor Options")
        if w is not None:
            tabs = find(w, "Tab Names and Orders", "page tab")
            check(tabs is not None, "Editor Options shows its tab page")
            escape_closes(app, w, "Editor Options")

        caption = "Import Key Notes from the Library"
        w = open_window(app, lambda: choose_menu(app, "Import"), caption)
        if w is not None:
            check(w.description == "Select a set of key notes to import from the list below:",
                  "Import is described by its instruction (%r)" % w.description)
            sets = find(w, None, "list")
            if check(sets is not None, "the import's sets read as a list"):
                check(sets.name == "Descriptive Name", "the list is named (%r)" % sets.name)
                items = [sets.getChildAtIndex(i) for i in range(sets.childCount)]
                names = [i.name for i in items if i is not None and i.getRoleName() == "list item"]
                check(names == ["Office", "Retail"], "the list reads its sets (%r)" % names)
            escape_closes(app, w, caption)

        caption = "Export the Current Key Note Set"
        w = open_window(app, lambda: choose_menu(app, "Save As"), caption, "frame")
        if w is not None:
            escape_closes(app, w, caption, inside=True)

        w = open_window(app, lambda: choose_menu(app, "Edit Units"), "Units", "frame")
        if w is not None:
            units = find(w, None, "list")
            check(units is not None and units.name == "Units",
                  "the units read as a list named Units (%r)" %
                  (units.name if units is not None else None))
            form = open_window(app, lambda: press(find(w, "Add", "push button")),
                               "New Unit", "frame")
            if form is not None:
                escape_closes(app, form, "New Unit", inside=True)
            escape_closes(app, w, "Units", inside=True)

        preview_pages(app)
    finally:
        program.terminate()
        try:
            program.wait(20)
        except subprocess.TimeoutExpired:
            program.kill()
            program.wait()


def preview_pages(app):
    said = []

    def heard(event):
        try:
            if event.source.getRoleName() == "notification" and event.detail1 == 1:
                said.append(event.source.name)
        except Exception:
            pass

    pyatspi.Registry.registerEventListener(heard, "object:state-changed:showing")
    w = open_window(app, lambda: choose_menu(app, "Print Construction Notes"), "Preview")
    if w is None:
        return
    last = wait(lambda: find(w, "Go To Last Page", "push button"))
    first_text = wait(lambda: (lambda l: l[0] if l else None)(
        [o for o in pyatspi.findAllDescendants(w, lambda o: o is not None and
                                               o.name.startswith("Page 1 of "))]))
    check(first_text is not None, "the preview's page area is named by its page")
    total = first_text.name.split(" of ")[-1] if first_text is not None else "?"
    check(total not in ("?", "1"), "the report has several pages (%s)" % total)
    press(last)
    check(wait(lambda: ("Page %s of %s" % (total, total)) in said, 10),
          "Go To Last Page tells the page shown (heard %r)" % said)
    del said[:]
    press(find(w, "Previous Page", "push button"))
    previous = "Page %d of %s" % (int(total) - 1, total) if total.isdigit() else "?"
    check(wait(lambda: previous in said, 10), "Previous Page tells the page shown (%r)" % said)
    pyatspi.Registry.deregisterEventListener(heard, "object:state-changed:showing")

    jump = open_window(app, lambda: press(find(w, "Jump To Page ??", "push button")),
                       "Jump to a Report Page")
    if jump is not None:
        escape_closes(app, jump, "Jump to a Report Page")
    wait(lambda: active(w), 10)
    escape_closes(app, w, "Preview")


main()
if failures:
    print("%d failed" % len(failures))
    sys.exit(1)
print("all passed")
