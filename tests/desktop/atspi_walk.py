"""What a screen reader sees of the running window, read over the real accessibility bus.

Waits for the application called "mivora", walks its tree and checks that every control a
keyboard user can reach has a name, that sliders and DPI stages say their value within their
range, and that the status line is there for the reader. Prints one line per check; exits 1 when
one fails.
"""
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


def main():
    failed = 0

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
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
