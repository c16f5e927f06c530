"""What a screen reader sees of the running window, read over the real accessibility bus.

Waits for the application called "mivora", walks its tree and checks that every control a
keyboard user can reach has a name, that sliders and DPI stages say their value within their
range, and that the status line is there for the reader. Prints one line per check; exits 1 when
one fails.
  atspi_walk.py [STATE [fail]]
With STATE (the virtual mouse's memory file) it also drives the window by keyboard and reads
each result back from the memory; "fail" is for a mouse that refuses writes: a setting change
must be read out as failed.
"""
import subprocess
import sys
import time

import pyatspi


def find_app(name, seconds):
    end = time.time() + seconds
    while time.time() < end:
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and (app.name or "").lower() == name:
                return app
        time.sleep(0.5)
    return None


def walk(node, depth=0, out=None):
    out = [] if out is None else out
    if node is None or depth > 30 or len(out) > 2000:
        return out
    out.append(node)
    for i in range(node.childCount):
        walk(node.getChildAtIndex(i), depth + 1, out)
    return out


def memory(path, offset, count):
    with open(path, "rb") as f:
        f.seek(offset)
        return list(f.read(count))


def wait_until(test, seconds=10):
    end = time.time() + seconds
    while time.time() < end:
        if test():
            return True
        time.sleep(0.1)
    return test()


def focused(node):
    try:
        return node.getState().contains(pyatspi.STATE_FOCUSED)
    except Exception:  # gone while we looked
        return False


def press(node, keys):
    """Focuses node as a screen reader moves to it, then types keys as the user would. A
    window that is still coming up may not take the focus at once: asked again until it does."""
    end = time.time() + 5
    while True:
        node.queryComponent().grabFocus()
        time.sleep(0.2)
        if focused(node) or time.time() >= end:
            break
    if not focused(node):
        print("note: %r did not take the focus" % (node.name or ""))
    keys_only(keys)


def keys_only(keys):
    subprocess.run(["xdotool", "key", "--delay", "150"] + keys.split(), check=False)


def showing(node):
    try:
        return node.getState().contains(pyatspi.STATE_SHOWING)
    except Exception:  # gone while we looked
        return False


def wait_node(app, test, seconds=10):
    """The first showing object for which test holds, looked for until seconds have passed."""
    end = time.time() + seconds
    while True:
        for n in walk(app):
            try:
                if showing(n) and test(n):
                    return n
            except Exception:
                pass
        if time.time() >= end:
            return None
        time.sleep(0.3)


def button(name):
    return lambda n: n.getRole() == pyatspi.ROLE_PUSH_BUTTON and (n.name or "") == name


def window_of(node):
    """The top-level window (child of the application) node is in."""
    while node is not None:
        parent = node.parent
        if parent is None or parent.getRole() == pyatspi.ROLE_APPLICATION:
            return node
        node = parent
    return None


def unnamed(window):
    """Roles of the controls in window that the keyboard reaches and have no name."""
    return [n.getRoleName() for n in walk(window)[1:] if showing(n)
            and n.getState().contains(pyatspi.STATE_FOCUSABLE) and not (n.name or "").strip()]


def hold_escape(seconds):
    subprocess.run(["xdotool", "keydown", "Escape"], check=False)
    time.sleep(seconds)
    subprocess.run(["xdotool", "keyup", "Escape"], check=False)


# The events of two keys pressed and released in the mouse's macro string: A then B.
MACRO_AB = [4, 0x81, 0x04, 0, 0x0F, 0x41, 0x04, 0, 0x0F, 0x81, 0x05, 0, 0x0F, 0x41, 0x05, 0, 0x0F]
KEY3_MATRIX = 0x15 + 2 * 4
KEY3_SLOT = 0x200 + 384 * 2


def record_macro_and_assign(app, state, check):
    """Makes a macro of A and B in the editor and gives it to key 3, all by keyboard."""
    opener = wait_node(app, lambda n: button("Macros")(n)
                       and n.getState().contains(pyatspi.STATE_FOCUSABLE))
    if opener is None:
        check("the macro editor's button is a push button", False, "")
        return
    press(opener, "Return")
    new = wait_node(app, button("New macro"))
    check("Enter on the macro button opens the editor", new is not None)
    if new is None:
        return
    editor = window_of(new)
    bad = unnamed(editor)
    check("every control of the macro editor has a name", not bad, ", ".join(bad))
    press(new, "Return")
    field = wait_node(app, lambda n: n.getRole() == pyatspi.ROLE_TEXT
                      and n.getState().contains(pyatspi.STATE_FOCUSED))
    check("the name field has the keyboard", field is not None)
    subprocess.run(["xdotool", "type", "--delay", "120", "AB"], check=False)
    keys_only("Return")
    made = wait_node(app, button("Save"))
    check("a new macro is made by keyboard", made is not None)
    record = wait_node(app, button("Record"))
    if record is None:
        check("the record button is there", False, "")
        return
    press(record, "Return")
    check("Enter on the record button starts recording",
          wait_node(app, button("Stop"), 5) is not None)
    # Recorded as events, not commands: the same keys on a button would do something else.
    keys_only("a b")
    hold_escape(1.6)
    stopped = wait_node(app, button("Record"), 5)
    check("holding Esc a second stops the recording and the editor stays",
          stopped is not None and showing(editor))
    save = wait_node(app, button("Save"), 5)
    if save is None:
        check("the save button shows after the recording", False, "")
        return
    press(save, "Return")
    check("Enter on Save saves the macro", wait_until(lambda: not showing(save), 5))
    keys_only("Escape")
    check("Esc closes the editor", wait_until(lambda: not showing(editor), 5))

    key3 = wait_node(app, lambda n: n.getRole() == pyatspi.ROLE_PUSH_BUTTON
                     and n.getState().contains(pyatspi.STATE_FOCUSABLE)
                     and (n.name or "").startswith("Key 3"))
    if key3 is None:
        check("key 3 is a push button", False, "")
        return
    press(key3, "Return")
    menu = wait_node(app, lambda n: n.getRole() in (pyatspi.ROLE_POPUP_MENU, pyatspi.ROLE_MENU))
    if menu is None:
        check("Enter on key 3 opens its function menu", False, "")
        return
    current = []
    for _ in range(menu.childCount + 1):
        rows = [menu.getChildAtIndex(i) for i in range(menu.childCount)]
        current = [r.name for r in rows if r is not None
                   and r.getState().contains(pyatspi.STATE_FOCUSED)]
        if current == ["Macros"]:
            break
        keys_only("Down")
        time.sleep(0.1)
    check("Down reaches the menu's macro item", current == ["Macros"], str(current))
    keys_only("Return")
    tree = wait_node(app, lambda n: n.getRole() != pyatspi.ROLE_PUSH_BUTTON
                     and (n.name or "") == "Macros"
                     and n.getState().contains(pyatspi.STATE_FOCUSED))
    check("the macro picker opens with its named list in the keyboard's hands", tree is not None)
    if tree is None:
        return
    bad = unnamed(window_of(tree))
    check("every control of the macro picker has a name", not bad, ", ".join(bad))
    keys_only("Down Return")
    count = wait_node(app, lambda n: n.getRole() == pyatspi.ROLE_TEXT
                      and n.getState().contains(pyatspi.STATE_FOCUSED))
    check("Enter on the macro opens its repeat count", count is not None)
    keys_only("Return")
    check("key 3 plays the macro: its matrix entry points at its slot", wait_until(
        lambda: memory(state, KEY3_MATRIX, 2) == [4, 2]), str(memory(state, KEY3_MATRIX, 4)))
    slot = lambda: memory(state, KEY3_SLOT, 31 + len(MACRO_AB))
    check("the slot holds the macro's name, kind and the two keys", wait_until(
        lambda: slot()[:5] == [4, ord("A"), 0, ord("B"), 0] and slot()[29:31] == [0x53, 0x02]
        and slot()[31:] == MACRO_AB), str(slot()))


FAILURE_TEXT = "Writing to the mouse failed. Please try again."


def failed_write_is_read_out(app, state, nodes, check):
    """The mouse refuses every write: a rate change must come to the reader as a failure."""
    from gi.repository import GLib

    heard = []

    def listen(event):
        try:
            source = event.source
            role = source.getRole() if source is not None else None
            texts = [source.name or "", source.description or ""] if source is not None else []
            heard.append((event.type, role, " ".join(texts)))
        except Exception:
            pass

    kinds = ["object:announcement", "window:activate", "window:create",
             "object:state-changed:showing", "object:property-change:accessible-description"]
    pyatspi.Registry.registerEventListener(listen, *kinds)

    def pump():
        context = GLib.MainContext.default()
        while context.iteration(False):
            pass

    def alert_with_text():
        pump()
        for n in walk(app):
            if showing(n) and n.getRole() == pyatspi.ROLE_ALERT:
                texts = [x.name or "" for x in walk(n)] + [n.description or ""]
                if any(FAILURE_TEXT in t for t in texts):
                    return n
        return None

    check("no alert before the change", alert_with_text() is None)
    rates = [n for n in nodes if n.getRole() == pyatspi.ROLE_RADIO_BUTTON
             and "500" in (n.name or "")]
    if not rates:
        check("the 500 Hz rate is a radio button", False, "")
        return
    before = memory(state, 0x00, 2)
    press(rates[0], "space")
    alert = None
    end = time.time() + 20
    while alert is None and time.time() < end:
        alert = alert_with_text()
        time.sleep(0.2)
    check("the failed write comes up as an alert with its text", alert is not None,
          "; ".join("%s %s %r" % h for h in heard[-10:]))
    pump()
    told = [h for h in heard if h[1] == pyatspi.ROLE_ALERT]
    check("the reader is told of the alert by an event", bool(told),
          "; ".join("%s %s %r" % h for h in heard[-10:]))
    print("alert events: " + ", ".join(sorted({h[0] for h in told})))
    check("the mouse kept its rate", memory(state, 0x00, 2) == before,
          "%s %s" % (before, memory(state, 0x00, 2)))
    # Nothing else comes up beside the failure: no message of success, no second alert.
    tops = [app.getChildAtIndex(i) for i in range(app.childCount)]
    others = ["%s %r %r" % (t.getRoleName(), t.name, t.description) for t in tops
              if t is not None and showing(t) and t.getRole() != pyatspi.ROLE_FILLER
              and t.getRole() != pyatspi.ROLE_FRAME and FAILURE_TEXT not in (t.description or "")
              and not any(FAILURE_TEXT in (x.name or "") for x in walk(t))]
    check("the window does not claim success", not others, "; ".join(others))
    if alert is not None:
        keys_only("Return")
        check("Enter closes the alert", wait_until(lambda: not showing(alert), 5))
    pyatspi.Registry.deregisterEventListener(listen, *kinds)


def main():
    failed = 0
    state = sys.argv[1] if len(sys.argv) > 1 else ""
    refusing = len(sys.argv) > 2 and sys.argv[2] == "fail"

    def check(what, ok, detail=""):
        nonlocal failed
        print(("ok: " if ok else "FAILED: ") + what + ("" if ok else ": " + detail))
        failed += 0 if ok else 1

    app = find_app("mivora", 60)
    check("the program is on the accessibility bus", app is not None)
    if app is None:
        return 1
    # The window fills in its tree after the first search; give it a moment.
    nodes = []
    end = time.time() + 30
    while time.time() < end:
        nodes = walk(app)
        # Filled in once the mouse was read: the model's eight keys are on show.
        keys = [n for n in nodes if n.getRole() == pyatspi.ROLE_PUSH_BUTTON
                and n.getState().contains(pyatspi.STATE_SHOWING)
                and n.getState().contains(pyatspi.STATE_FOCUSABLE) and (n.name or "").startswith("Key ")]
        if len(keys) >= 8:
            break
        time.sleep(0.5)
    # What is on screen: hidden controls (stages and keys the model lacks) are not read out.
    nodes = [n for n in nodes if n.getState().contains(pyatspi.STATE_SHOWING)]
    focusable = [n for n in nodes if n.getState().contains(pyatspi.STATE_FOCUSABLE)]
    unnamed = [n.getRoleName() for n in focusable if not (n.name or "").strip()]
    check("controls the keyboard reaches are many", len(focusable) >= 20, str(len(focusable)))
    check("every control the keyboard reaches has a name", not unnamed, ", ".join(unnamed))

    sliders = [n for n in nodes if n.getRole() == pyatspi.ROLE_SLIDER]
    check("sliders and DPI stages are sliders", len(sliders) >= 3, str(len(sliders)))
    bad = []
    for s in sliders:
        try:
            v = s.queryValue()
            if not (v.minimumValue <= v.currentValue <= v.maximumValue) or v.maximumValue <= 0:
                bad.append("%s %s [%s, %s]" % (s.name, v.currentValue, v.minimumValue, v.maximumValue))
        except NotImplementedError:
            bad.append(s.name + " has no value")
    check("every slider says its value within its range", not bad, "; ".join(bad))

    buttons = [n.name for n in nodes if n.getRole() == pyatspi.ROLE_PUSH_BUTTON]
    check("push buttons are named for what they do", len(buttons) >= 5 and all(buttons),
          ", ".join(buttons))

    # The main window: its name is the program's, its description the painted status line.
    tops = [app.getChildAtIndex(i) for i in range(app.childCount)]
    described = [t for t in tops if t is not None and (t.description or "").strip()]
    check("the window's status line reaches the reader", bool(described),
          "; ".join("%s %r" % (t.getRoleName(), t.name) for t in tops if t is not None))
    print("%d objects, %d focusable, %d sliders" % (len(nodes), len(focusable), len(sliders)))

    # Driven by keyboard alone, each result read back from the mouse's memory: a rate by Space,
    # a lighting mode by Enter, a DPI stage's value by the arrow keys.
    if state:
        windows = subprocess.run(["xdotool", "search", "--onlyvisible", "--class", "mivora"],
                                 capture_output=True, text=True).stdout.split()
        if windows:
            subprocess.run(["xdotool", "windowfocus", "--sync", windows[0]], check=False)
    if state and refusing:
        failed_write_is_read_out(app, state, nodes, check)
        return 1 if failed else 0
    if state:
        radios = [n for n in nodes if n.getRole() == pyatspi.ROLE_RADIO_BUTTON]
        rate = [n for n in radios if "125" in (n.name or "")]
        check("the 125 Hz rate is a radio button", bool(rate), ", ".join(n.name for n in radios))
        if rate:
            press(rate[0], "space")
            check("Space on 125 Hz writes the rate", wait_until(
                lambda: memory(state, 0x00, 1)[0] & 0x0F == 8), str(memory(state, 0x00, 2)))
        # The lighting modes: the radio buttons that are neither rates nor key sets.
        modes = [n for n in radios
                 if "Hz" not in (n.name or "") and not (n.name or "").startswith("Key set")]
        if len(modes) >= 5:
            press(modes[4], "Return")
            check("Enter on the fifth lighting mode writes it", wait_until(
                lambda: memory(state, 0x35, 1)[0] == 4), str(memory(state, 0x35, 1)))
        else:
            check("the lighting modes are radio buttons", False, str(len(modes)))
        key3 = [n for n in nodes if n.getRole() == pyatspi.ROLE_PUSH_BUTTON
                and n.getState().contains(pyatspi.STATE_FOCUSABLE)
                and (n.name or "").startswith("Key 3")]
        if key3:
            before3 = memory(state, 0x15 + 2 * 4, 4)
            # Enter opens the function menu; Down moves off the current function, Enter picks.
            press(key3[0], "Return")
            time.sleep(0.5)
            subprocess.run(["xdotool", "key", "--delay", "200", "Down", "Return"], check=False)
            check("a key gets another function through the menu by keyboard", wait_until(
                lambda: memory(state, 0x15 + 2 * 4, 4) != before3),
                "%s %s" % (before3, memory(state, 0x15 + 2 * 4, 4)))
        else:
            check("key 3 is a push button", False, "")
        stage = [n for n in sliders if (n.name or "").endswith(" 2") and "DPI" in (n.name or "")]
        if stage:
            before = memory(state, 0x06 + 3, 1)[0]
            press(stage[0], "Down")
            check("Down on DPI stage 2 writes a lower value", wait_until(
                lambda: memory(state, 0x06 + 3, 1)[0] < before), "%d %s" % (before, memory(state, 0x06 + 3, 1)))
        else:
            check("DPI stage 2 is a slider", False, ", ".join(n.name for n in sliders))
        record_macro_and_assign(app, state, check)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
