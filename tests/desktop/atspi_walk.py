"""What a screen reader sees of the running window, read over the real accessibility bus.

Waits for the application called "mivora", walks its tree and checks that every control a
keyboard user can reach has a name, that sliders and DPI stages say their value within their
range, and that the status line is there for the reader. Prints one line per check; exits 1 when
one fails.
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


def press(node, keys):
    """Focuses node as a screen reader moves to it, then types keys as the user would."""
    node.queryComponent().grabFocus()
    time.sleep(0.2)
    subprocess.run(["xdotool", "key", "--delay", "150"] + keys.split(), check=False)


def main():
    failed = 0
    state = sys.argv[1] if len(sys.argv) > 1 else ""

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
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
