#!/usr/bin/python3
"""What a screen reader is told and can read of `notes`, through the real accessibility bus.

Starts its own X display (Xvfb) with a window manager (openbox) and a private session bus
(dbus-run-session), on which the accessibility bus and its registry start as they do on a desktop.
A listener registered as a screen reader registers (focus, state, children, selection, names,
text, windows) counts what `notes` sends, and the checks read the program's tree as a screen
reader reads it.

  bus_test.py NOTES [--report] [--notes-count N]
  bus_test.py --listen [--walk SECONDS]

--report prints the event counts (start-up, one tab switch) with their kinds and does no checks.
--listen only listens, as a screen reader does, on the session bus it is started on (the
benchmark's), printing "listening" once registered; with --walk it also walks the whole tree of
`notes` every so many seconds, as a reader's review does. It ends when its input closes.
Exits 77 (skipped) with a message when the display, the bus or the bindings are not installed.
"""

import argparse
import collections
import os
import shutil
import subprocess
import sys
import tempfile
import time

SKIP = 77
PRIVATE = "KEYNOTES_ATSPI_PRIVATE"
LAUNCHER_DIRS = ("/usr/libexec", "/usr/lib/at-spi2-core", "/usr/lib/at-spi2")

# What a screen reader listens to (Orca registers these and more of the same families).
LISTENED = ("focus:", "object:state-changed", "object:children-changed",
            "object:selection-changed", "object:active-descendant-changed",
            "object:property-change", "object:text-changed", "object:text-caret-moved",
            "object:text-selection-changed", "object:visible-data-changed",
            "object:value-changed", "window:")

# Goals: a tab switch costs about what a standard tab widget's does; start-up stays short.
TAB_SWITCH_MAX = 25
START_MAX = 60


def missing_tools():
    missing = []
    for tool in ("Xvfb", "openbox", "dbus-run-session", "xdotool"):
        if not shutil.which(tool):
            missing.append(tool)
    if not any(os.path.exists(os.path.join(d, "at-spi-bus-launcher")) for d in LAUNCHER_DIRS):
        missing.append("at-spi-bus-launcher (at-spi2-core)")
    try:
        import gi  # noqa: F401
        gi.require_version("Atspi", "2.0")
        from gi.repository import Atspi  # noqa: F401
    except (ImportError, ValueError):
        missing.append("the Atspi bindings (python3-pyatspi)")
    return missing


def start_display():
    read, write = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-noreset", "-screen", "0", "1280x1024x24",
                             "-nolisten", "tcp"], pass_fds=(write,),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write)
    number = b""
    while not number.endswith(b"\n"):
        chunk = os.read(read, 16)
        if not chunk:
            raise RuntimeError("Xvfb did not start")
        number += chunk
    os.close(read)
    os.environ["DISPLAY"] = ":" + number.decode().strip()
    wm = subprocess.Popen(["openbox"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return [wm, xvfb]


def write_project(folder, notes):
    job = os.path.join(folder, "job")
    os.makedirs(job)
    path = os.path.join(job, "constnot.csv")
    with open(path, "wb") as out:
        out.write(b"SET,TXTHT,0.1\r\n")
        # Circles: one marked note between unmarked ones; a note on the second tab.
        out.write(b"CIR,1,Footing per detail,EA,COUNT\r\n")
        out.write(b";CIR,2,Slab on grade,SF,AREA\r\n")
        for i in range(3, notes + 1):
            out.write(b"CIR,%d,Provide and install as specified,EA,COUNT\r\n" % i)
        out.write(b"HEX,1,Slab edge,SF,COUNT\r\n")
    # With its backup there, the project opens as one opened before (no first-run notice).
    shutil.copyfile(path, os.path.join(job, "constnot.bak"))
    return path


class Bus:
    """The listener and the tree, as a screen reader has them."""

    def __init__(self):
        import gi
        gi.require_version("Atspi", "2.0")
        from gi.repository import Atspi, GLib
        self.Atspi, self.GLib = Atspi, GLib
        self.events = []
        self.listener = Atspi.EventListener.new(self._heard)
        for kind in LISTENED:
            self.listener.register(kind)

    def _heard(self, event):
        try:
            app = event.source.get_application()
            app_name = app.get_name() if app else ""
        except Exception:  # an object gone before it was asked: still an event
            app_name = ""
        try:
            source = "%s '%s'" % (event.source.get_role_name(), event.source.get_name())
        except Exception:
            source = "?"
        self.events.append((time.monotonic(), event.type, app_name, source, event.detail1,
                            event.source))

    def pump(self, seconds):
        """Runs the bus's loop for a while, so that events arrive."""
        loop = self.GLib.MainLoop()
        self.GLib.timeout_add(int(seconds * 1000), loop.quit)
        loop.run()

    def quiet(self, idle=1.5, limit=60.0):
        """Runs until no event came for `idle` seconds (or `limit` passed)."""
        start = time.monotonic()
        while time.monotonic() - start < limit:
            seen = len(self.events)
            self.pump(idle)
            if len(self.events) == seen:
                return
        raise RuntimeError("the program never went quiet")

    def app(self, name, limit=30.0):
        start = time.monotonic()
        while time.monotonic() - start < limit:
            desktop = self.Atspi.get_desktop(0)
            for i in range(desktop.get_child_count()):
                a = desktop.get_child_at_index(i)
                if a and a.get_name() == name:
                    return a
            self.pump(0.2)
        raise RuntimeError("%s never appeared on the bus" % name)

    def since(self, mark, app="notes"):
        return [e for e in self.events[mark:] if e[2] == app]


def walk(node, depth=0, limit=12):
    """Every object under node (not into the cells of a table: a reader asks for those)."""
    yield node
    if depth >= limit:
        return
    role = node.get_role_name()
    if role == "table":
        return
    for i in range(node.get_child_count()):
        child = node.get_child_at_index(i)
        if child is not None:
            yield from walk(child, depth + 1, limit)


def find(app, role, name=None, showing=None):
    Atspi = __import__("gi.repository.Atspi", fromlist=["Atspi"])
    for node in walk(app):
        if node.get_role_name() != role:
            continue
        if name is not None and node.get_name() != name:
            continue
        if showing is not None:
            shown = node.get_state_set().contains(Atspi.StateType.SHOWING)
            if shown != showing:
                continue
        return node
    return None


def centre(node):
    Atspi = __import__("gi.repository.Atspi", fromlist=["Atspi"])
    r = node.get_extents(Atspi.CoordType.SCREEN)
    return r.x + r.width // 2, r.y + r.height // 2


def xdo(*args):
    subprocess.run(["xdotool"] + [str(a) for a in args], check=True)


def kinds(events):
    return ", ".join("%s %d" % (k, n) for k, n in
                     collections.Counter(e[1] for e in events).most_common())


class Checks:
    def __init__(self):
        self.failed = []

    def expect(self, ok, what):
        print(("ok   " if ok else "FAIL ") + what)
        if not ok:
            self.failed.append(what)


def run(args):
    procs = start_display()
    folder = tempfile.mkdtemp(prefix="atspi-notes-")
    notes = None
    try:
        csv = write_project(folder, args.notes_count)
        env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                   XDG_CONFIG_HOME=os.path.join(folder, "config"),
                   QT_ACCESSIBILITY="1", NO_AT_BRIDGE="0")
        env.pop("QT_QPA_PLATFORM", None)
        bus = Bus()
        bus.pump(0.5)
        mark = len(bus.events)
        started = time.monotonic()
        notes = subprocess.Popen([args.notes, csv], env=env, stderr=None if args.report else subprocess.PIPE,
                                 stdout=subprocess.DEVNULL, text=True)
        app = bus.app("notes")
        bus.quiet()
        start_events = bus.since(mark)
        first = (start_events[0][0] - started) if start_events else float("nan")
        print("start-up: %d events (first after %.2f s): %s" %
              (len(start_events), first, kinds(start_events)))

        tabs = find(app, "page tab list")
        if tabs is None:
            raise RuntimeError("no tab list on the bus")
        second = tabs.get_child_at_index(1)
        # The keyboard on the tab bar, as a screen reader's user switches: Right.
        tabs.grab_focus()
        bus.quiet(idle=0.8)
        mark = len(bus.events)
        xdo("key", "Right")
        bus.quiet()
        switch = bus.since(mark)
        checks = Checks()
        checks.expect(second.get_state_set().contains(bus.Atspi.StateType.SELECTED),
                      "Right on the tab bar chose the second tab")
        print("tab switch (Right on the tab bar, to %r): %d events: %s" %
              (second.get_name(), len(switch), kinds(switch)))
        if args.report:
            start = time.monotonic()
            objects = full_walk(app)
            print("one walk of the whole tree: %d objects in %.0f ms" %
                  (objects, (time.monotonic() - start) * 1000))
            print("start-up, by source:")
            for (kind, source), n in collections.Counter(
                    (e[1], e[3]) for e in start_events).most_common(40):
                print("   %4d %s %s" % (n, kind, source))
            print("start-up, in order:")
            for e in start_events[:400]:
                print("   %.2f %s %s %s" % (e[0] - started, e[1], e[3], e[4]))
            print("tab switch, in order:")
            for e in switch[:400]:
                print("   ", e[1], e[3], e[4])
            return 0

        checks.expect(len(start_events) <= START_MAX,
                      "start-up sends at most %d events (%d)" % (START_MAX, len(start_events)))
        checks.expect(len(switch) <= TAB_SWITCH_MAX,
                      "a tab switch sends at most %d events (%d)" % (TAB_SWITCH_MAX, len(switch)))
        check_hidden_tables(app, checks)
        # Back on the first tab: the mark's reading.
        first_tab = tabs.get_child_at_index(0)
        x, y = centre(first_tab)
        xdo("mousemove", x, y, "click", "1")
        bus.quiet(idle=0.8)
        check_marks(app, checks)
        check_shift_tab(bus, app, checks)
        check_menu_key(bus, app, checks)
        check_toggle_action(bus, app, checks)
        check_tab_click(bus, app, checks)
        notes.terminate()
        _, err = notes.communicate(timeout=20)
        invalid = [line for line in err.splitlines() if "Accessible invalid" in line]
        checks.expect(not invalid, "no 'Accessible invalid' warning (%d)" % len(invalid))
        for line in invalid[:5]:
            print("     " + line)
        notes = None
        if checks.failed:
            print("%d check(s) failed" % len(checks.failed))
            return 1
        return 0
    finally:
        if notes is not None:
            notes.kill()
            notes.wait()
        for p in procs:
            p.terminate()
            p.wait()
        shutil.rmtree(folder, ignore_errors=True)


def shown_table(app):
    return find(app, "table", showing=True)


def check_hidden_tables(app, checks):
    Atspi = __import__("gi.repository.Atspi", fromlist=["Atspi"])
    showing = 0
    hidden_tables = 0
    for node in walk(app):
        if node.get_role_name() != "table":
            continue
        if node.get_state_set().contains(Atspi.StateType.SHOWING):
            continue
        hidden_tables += 1
        table = node.get_table_iface() if hasattr(node, "get_table_iface") else node
        rows = Atspi.Table.get_n_rows(node)
        for r in range(min(rows, 5)):
            for c in range(Atspi.Table.get_n_columns(node)):
                cell = Atspi.Table.get_accessible_at(node, r, c)
                if cell and cell.get_state_set().contains(Atspi.StateType.SHOWING):
                    showing += 1
        del table
    checks.expect(hidden_tables >= 1 and showing == 0,
                  "no cell of a hidden tab's table is showing (%d hidden tables, %d showing)" %
                  (hidden_tables, showing))


def check_marks(app, checks):
    Atspi = __import__("gi.repository.Atspi", fromlist=["Atspi"])
    table = shown_table(app)
    if table is None:
        checks.expect(False, "a shown table on the first tab")
        return
    marked = Atspi.Table.get_accessible_at(table, 1, 0)
    unmarked = Atspi.Table.get_accessible_at(table, 0, 0)
    names = (marked.get_name(), unmarked.get_name())
    checks.expect(names[0] == "Not used" and names[1] != names[0] and names[1] != "",
                  "a marked and an unmarked note's mark cells read apart (%r, %r)" % names)
    states = (marked.get_state_set().contains(Atspi.StateType.CHECKED),
              unmarked.get_state_set().contains(Atspi.StateType.CHECKED))
    checks.expect(states == (True, False),
                  "the mark cells read as checked and unchecked (%r)" % (states,))
    names = [Atspi.Action.get_action_name(unmarked, i)
             for i in range(Atspi.Action.get_n_actions(unmarked))]
    checks.expect(any(n.lower() == "toggle" for n in names),
                  "a mark cell offers its toggle as an action (%r)" % names)


def check_toggle_action(bus, app, checks):
    """The mark cell's action toggles the mark, as Enter on it does."""
    Atspi = bus.Atspi
    table = shown_table(app)
    unmarked = Atspi.Table.get_accessible_at(table, 0, 0)
    names = [Atspi.Action.get_action_name(unmarked, i)
             for i in range(Atspi.Action.get_n_actions(unmarked))]
    if "toggle" not in [n.lower() for n in names]:
        return
    Atspi.Action.do_action(unmarked, [n.lower() for n in names].index("toggle"))
    bus.quiet(idle=0.8)
    now = Atspi.Table.get_accessible_at(table, 0, 0)
    checks.expect(now.get_state_set().contains(Atspi.StateType.CHECKED) and
                  now.get_name() == "Not used",
                  "the toggle action marks the note (%r)" % now.get_name())


def last_focus(bus, mark):
    """The object the last focus event since mark was about ("" none)."""
    for e in reversed(bus.since(mark)):
        if e[1].startswith("focus:") or (e[1] == "object:state-changed:focused" and e[4] == 1):
            return e[3]
    return ""


def check_tab_click(bus, app, checks):
    """A click on a tab leaves the keyboard on the tab it chose, also where the button that had
    it hides with the tab (Move Down on the Config tab), never on the window around the sheet."""
    button = find(app, "push button", "Move Down", showing=True)
    x, y = centre(button)
    xdo("mousemove", x, y, "click", "1")
    bus.quiet(idle=0.8)
    tabs = find(app, "page tab list")
    for index in (9, 1):
        tab = tabs.get_child_at_index(index)
        mark = len(bus.events)
        x, y = centre(tab)
        xdo("mousemove", x, y, "click", "1")
        bus.quiet(idle=0.8)
        focus = last_focus(bus, mark)
        checks.expect(focus == "page tab %r" % tab.get_name(),
                      "a click on the %s tab leaves the keyboard on it (%r)" %
                      (tab.get_name(), focus))


def check_shift_tab(bus, app, checks):
    """In the Description column's editor, Shift+Tab goes to the Note # column's editor, and
    from the first cell out of the grid backwards."""
    table = shown_table(app)
    cell = Atspi_cell(table, 0, 2)
    x, y = centre(cell)
    xdo("mousemove", x, y, "click", "1")
    bus.pump(0.8)
    mark = len(bus.events)
    xdo("key", "Return")
    bus.quiet(idle=0.8)
    opened = last_focus(bus, mark)
    mark = len(bus.events)
    xdo("key", "shift+Tab")
    bus.quiet(idle=0.8)
    back = last_focus(bus, mark)
    checks.expect(opened.endswith("'Description (60 characters per line)'") and
                  back == "text 'Note #'",
                  "Shift+Tab in the Description editor goes to the Note # editor (%r, %r)" %
                  (opened, back))
    mark = len(bus.events)
    xdo("key", "shift+Tab")
    bus.quiet(idle=0.8)
    back = last_focus(bus, mark)
    checks.expect(back == "text 'Title'",
                  "Shift+Tab in the first cell's editor leaves the grid backwards (%r)" % back)


def Atspi_cell(table, row, column):
    Atspi = __import__("gi.repository.Atspi", fromlist=["Atspi"])
    return Atspi.Table.get_accessible_at(table, row, column)


def check_menu_key(bus, app, checks):
    """Shift+F10 on the grid opens its row menu (Insert, Change, Delete), which Escape closes."""
    Atspi = bus.Atspi
    x, y = centre(Atspi_cell(shown_table(app), 0, 2))
    xdo("mousemove", x, y, "click", "1")
    bus.quiet(idle=0.8)
    mark = len(bus.events)
    xdo("key", "shift+F10")
    bus.quiet(idle=0.8)
    menus = [e[5] for e in bus.since(mark) if e[1] == "object:state-changed:showing" and
             e[4] == 1 and e[3].startswith("popup menu")]
    opened = bool(menus)
    items = []
    for menu in menus[-1:]:
        if menu.get_state_set().contains(Atspi.StateType.SHOWING):
            items = [menu.get_child_at_index(j).get_name() for j in range(menu.get_child_count())]
    checks.expect(opened and items == ["Insert", "Change", "Delete"],
                  "Shift+F10 on the grid opens its row menu (%r)" % items)
    xdo("key", "Escape")
    bus.quiet(idle=0.5)


def full_walk(node, depth=0):
    """Every object under node, tables' children too; how many."""
    count = 1
    if depth > 40:
        return count
    for i in range(node.get_child_count()):
        child = node.get_child_at_index(i)
        if child is not None:
            count += full_walk(child, depth + 1)
    return count


def listen(walk_every):
    bus = Bus()
    from gi.repository import GLib
    done = GLib.MainLoop()
    GLib.io_add_watch(sys.stdin.fileno(), GLib.IO_IN | GLib.IO_HUP,
                      lambda *a: done.quit() or False)
    walks = []

    def walk_once():
        desktop = bus.Atspi.get_desktop(0)
        desktop.clear_cache()  # the programs on the bus now
        for i in range(desktop.get_child_count()):
            try:
                a = desktop.get_child_at_index(i)
                if not a:
                    continue
                start = time.monotonic()
                objects = full_walk(a)
                walks.append((time.monotonic() - start, objects))
            except Exception as e:  # the program went meanwhile
                print("walk: %s" % e, file=sys.stderr)
        return True

    if walk_every > 0:
        GLib.timeout_add(int(walk_every * 1000), walk_once)
    print("listening", flush=True)
    done.run()
    if walks:
        longest = max(walks)
        print("walks: %d, the longest %.0f ms over %d objects" %
              (len(walks), longest[0] * 1000, longest[1]), file=sys.stderr)
    print("events heard: %d" % len(bus.events), file=sys.stderr)
    return 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("notes", nargs="?")
    parser.add_argument("--report", action="store_true")
    parser.add_argument("--notes-count", type=int, default=4)
    parser.add_argument("--listen", action="store_true")
    parser.add_argument("--walk", type=float, default=0)
    args = parser.parse_args()
    if args.listen:
        return listen(args.walk)
    if not args.notes:
        parser.error("the program to test is missing")
    if os.environ.get(PRIVATE) != "1":
        missing = missing_tools()
        if missing:
            print("SKIPPED: the accessibility bus test needs " + ", ".join(missing) +
                  " (scripts/deps installs them)")
            return SKIP
        env = dict(os.environ, **{PRIVATE: "1"})
        return subprocess.call(["dbus-run-session", "--", sys.executable,
                                os.path.abspath(__file__)] + sys.argv[1:], env=env)
    return run(args)


if __name__ == "__main__":
    sys.exit(main())
