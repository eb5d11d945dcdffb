#!/usr/bin/env python3
"""Drives the running Pelorn through the accessibility bus alone, as a screen reader would.

Usage: atspi_probe.py dump | scenario TEXTS | steps STEPS
  dump      prints the tree of every window (for a person reading a failure)
  scenario  audits every page of the window and the panel with each section open, acts on the
            controls the test names, and prints one JSON document of what it found.
  steps     walks a list of steps, each {"press": NAME} (a control whose name is or starts with
            NAME, once it is enabled; "role" narrows it) or {"see": TEXT} (something showing whose
            name holds TEXT, within "timeout" seconds, 15 unless given), in any window; prints
            {"done": n, "log": [...]} and stops at the first step that cannot be taken, with the
            tree of every window in the log.
Needs python3-pyatspi and a session bus with the accessibility bus on it.
"""
import json
import sys
import time

import pyatspi

FILLERS = {pyatspi.ROLE_FILLER, pyatspi.ROLE_UNKNOWN, pyatspi.ROLE_INVALID, pyatspi.ROLE_PANEL,
           pyatspi.ROLE_REDUNDANT_OBJECT}
CHECKABLE_ROLES = {pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_RADIO_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON,
                   pyatspi.ROLE_SWITCH if hasattr(pyatspi, "ROLE_SWITCH") else pyatspi.ROLE_CHECK_BOX}
SLIDER_ROLES = {pyatspi.ROLE_SLIDER, pyatspi.ROLE_SPIN_BUTTON}  # a scroll bar may have nothing to scroll


def wait(predicate, timeout=15.0):
    end = time.time() + timeout
    while time.time() < end:
        try:
            value = predicate()
        except Exception:  # the tree changes under us while a page is rebuilt
            value = None
        if value:
            return value
        time.sleep(0.1)
    return None


def application():
    def find():
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == "Pelorn":
                return app
        return None
    app = wait(find, 30)
    if app is None:
        raise SystemExit("Pelorn is not on the accessibility bus")
    return app


def children(acc):
    try:
        return [acc.getChildAtIndex(i) for i in range(acc.childCount)]
    except Exception:
        return []


def showing(acc):
    try:
        return acc.getState().contains(pyatspi.STATE_SHOWING)
    except Exception:
        return False


def walk(acc):
    """Every showing accessible under acc, acc first."""
    if acc is None or not showing(acc):
        return
    yield acc
    for child in children(acc):
        yield from walk(child)


def actions(acc):
    try:
        action = acc.queryAction()
        return [action.getName(i) for i in range(action.nActions)]
    except NotImplementedError:
        return []
    except Exception:
        return []


def value_range(acc):
    try:
        v = acc.queryValue()
        return v.minimumValue, v.maximumValue, v.currentValue
    except Exception:
        return None


def main_action(acc):
    """The action that is not merely taking the focus."""
    return [a for a in actions(acc) if a.lower() not in ("setfocus", "set focus", "focus")]


def problems_of(acc):
    """What a control lacks; [] when it has a role, a name and the state its kind needs."""
    role = acc.getRole()
    states = acc.getState()
    out = []
    if role in FILLERS:
        out.append("role " + acc.getRoleName())
    if not (acc.name or "").strip():
        out.append("no name")
    # The bus carries "checked" but not "checkable": a check box or radio button must at least
    # be one that can be flipped, and a group of radio buttons must have its choice checked.
    if role in CHECKABLE_ROLES and states.contains(pyatspi.STATE_ENABLED) and not main_action(acc):
        out.append("no toggle action")
    if role == pyatspi.ROLE_RADIO_BUTTON:
        group = [c for c in children(acc.parent) if c.getRole() == pyatspi.ROLE_RADIO_BUTTON]
        if not any(c.getState().contains(pyatspi.STATE_CHECKED) for c in group):
            out.append("no radio button of its group checked")
    if role == pyatspi.ROLE_LIST_ITEM and not states.contains(pyatspi.STATE_SELECTABLE):
        out.append("not selectable")
    if role in SLIDER_ROLES:
        r = value_range(acc)
        if r is None or not r[1] > r[0]:
            out.append("no value range")
    return out


def describe(acc):
    return "%s %r" % (acc.getRoleName(), acc.name)


def audit(root, view):
    controls = []
    failing = []
    for acc in walk(root):
        states = acc.getState()
        if not (states.contains(pyatspi.STATE_FOCUSABLE) or main_action(acc)):
            continue
        controls.append(acc)
        p = problems_of(acc)
        if p:
            failing.append({"control": describe(acc), "problems": p})
    return {
        "view": view,
        "controls": len(controls),
        "unnamed": sum(1 for f in failing if "no name" in f["problems"]),
        "withoutRoleOrState": sum(1 for f in failing if any(x != "no name" for x in f["problems"])),
        "failing": failing,
    }


def find(root, role=None, name=None, pred=None):
    for acc in walk(root):
        if role is not None and acc.getRole() != role:
            continue
        if name is not None and acc.name != name:
            continue
        if pred is not None and not pred(acc):
            continue
        return acc
    return None


def do(acc, wanted):
    action = acc.queryAction()
    for i in range(action.nActions):
        if action.getName(i).lower() == wanted.lower():
            return action.doAction(i)
    raise RuntimeError("%s has no action %s (has %s)" % (describe(acc), wanted, actions(acc)))


def press(acc):
    names = [a.lower() for a in main_action(acc)]
    for wanted in ("press", "click", "toggle", "activate"):
        if wanted in names:
            return do(acc, wanted)
    raise RuntimeError("%s cannot be pressed (has %s)" % (describe(acc), actions(acc)))


def windows(app):
    return [w for w in children(app) if showing(w)]


def sidebar(window):
    """The list of pages: a list of list items (a card may list buttons)."""
    return find(window, role=pyatspi.ROLE_LIST,
                pred=lambda a: any(c.getRole() == pyatspi.ROLE_LIST_ITEM for c in children(a)))


def has_sidebar(window):
    return sidebar(window) is not None


def main_window(app):
    return next((w for w in windows(app) if has_sidebar(w)), None)


def panel(app):
    return next((w for w in windows(app) if not has_sidebar(w)), None)


def dump(acc, depth=0, out=None):
    out = out if out is not None else []
    if acc is None:
        return out
    try:
        states = [pyatspi.stateToString(s) for s in acc.getState().getStates()]
    except Exception:
        states = []
    out.append("%s%s %r %s %s %s" % ("  " * depth, acc.getRoleName(), acc.name, actions(acc),
                                      value_range(acc) or "", " ".join(states)))
    for child in children(acc):
        dump(child, depth + 1, out)
    return out


def settle():
    time.sleep(0.6)  # a page is built on the next turn of the app's event loop


def sidebar_items(window):
    lst = sidebar(window)
    return [c for c in children(lst) if c.getRole() == pyatspi.ROLE_LIST_ITEM] if lst else []


def selected(acc):
    return acc.getState().contains(pyatspi.STATE_SELECTED)


def checked(acc):
    return acc.getState().contains(pyatspi.STATE_CHECKED)


def scenario(texts):
    app = application()
    result = {"audits": [], "checks": {}, "log": []}

    # The panel, opened by the test, with each section in turn.
    p = wait(lambda: panel(application()))
    if p is None:
        result["log"].append("no panel window")
    else:
        result["audits"].append(audit(p, "panel"))
        for section in texts["sections"]:
            tile = find(p, name=None, pred=lambda a, s=section: (a.name or "").startswith(s) and main_action(a))
            if tile is None:
                result["log"].append("no tile for section " + section)
                continue
            press(tile)
            settle()
            result["audits"].append(audit(p, "panel, " + section + " open"))
            press(tile)  # closed again
            settle()
        # The brightness slider: a value written through the bus, as a drag would set it.
        brightness = find(p, role=pyatspi.ROLE_SLIDER, name=texts["brightness"])
        if brightness is not None:
            brightness.queryValue().currentValue = 25.0
            settle()
            result["checks"]["brightnessRead"] = brightness.queryValue().currentValue
        else:
            result["log"].append("no brightness slider named " + texts["brightness"])
        opener = find(p, name=texts["openOverview"])
        if opener is None:
            result["log"].append("no button " + texts["openOverview"])
        else:
            press(opener)

    w = wait(lambda: main_window(application()))
    if w is None:
        result["log"].append("no main window")
        print(json.dumps(result))
        return
    for item in sidebar_items(w):
        press(item)
        wait(lambda: selected(item), 5)
        settle()
        result["audits"].append(audit(w, "page " + item.name))

    # The audio page through the sidebar alone.
    sound = next((i for i in sidebar_items(w) if i.name == texts["audioPage"]), None)
    if sound is not None:
        press(sound)
        result["checks"]["audioSelected"] = bool(wait(lambda: selected(sound), 5))
        result["checks"]["audioShown"] = bool(wait(lambda: find(w, name=texts["audioPageMark"]), 5))

    # Smooth scrolling on the mouse page.
    mouse = next((i for i in sidebar_items(w) if i.name == texts["mousePage"]), None)
    if mouse is not None:
        press(mouse)
        settle()
        smooth = wait(lambda: find(w, role=pyatspi.ROLE_CHECK_BOX, name=texts["smooth"]))
        if smooth is not None:
            before = checked(smooth)
            press(smooth)
            wait(lambda: checked(smooth) != before, 5)
            result["checks"]["smoothBefore"] = before
            result["checks"]["smoothAfter"] = checked(smooth)
        else:
            result["log"].append("no switch " + texts["smooth"])

    # The overview's KVM card: the stored profile's row, a button its list draws, pressed.
    overview = next((i for i in sidebar_items(w) if i.name == texts["overviewPage"]), None)
    if overview is not None:
        press(overview)
        settle()
        row = wait(lambda: find(w, role=pyatspi.ROLE_PUSH_BUTTON, name=texts["kvmProfile"]), 5)
        if row is not None:
            result["checks"]["kvmRowDescription"] = row.description
            press(row)
            settle()
        else:
            result["log"].append("no profile row " + texts["kvmProfile"])

    # A MiniSlider at 100 (an app's volume): increase stays, decrease gives 95. The panel's
    # sliders have bounds of 0 and 100 too, but none of them stands at 100 on the default desk.
    mini = None
    for item in sidebar_items(w):
        press(item)
        settle()
        mini = find(w, role=pyatspi.ROLE_SLIDER,
                    pred=lambda a: value_range(a) is not None and value_range(a)[2] == 100
                    and any(x.lower() == "increase" for x in actions(a)) and a.getState().contains(
                        pyatspi.STATE_FOCUSABLE) and value_range(a)[1] == 100)
        if mini is not None:
            break
    if mini is not None:
        result["checks"]["miniName"] = mini.name
        do(mini, "increase")
        settle()
        result["checks"]["miniAfterIncrease"] = mini.queryValue().currentValue
        do(mini, "decrease")
        settle()
        result["checks"]["miniAfterDecrease"] = mini.queryValue().currentValue
    print(json.dumps(result))


def enabled(acc):
    return acc.getState().contains(pyatspi.STATE_ENABLED)


def anywhere(pred):
    """The first showing accessible of any window (a popped-up menu included) that pred holds of."""
    for w in windows(application()):
        acc = find(w, pred=pred)
        if acc is not None:
            return acc
    return None


def steps(todo):
    result = {"done": 0, "log": []}
    for step in todo:
        if "press" in step:
            name, role = step["press"], step.get("role")
            acc = wait(lambda: anywhere(lambda a: (a.name or "").startswith(name) and enabled(a) and main_action(a)
                                        and (role is None or a.getRoleName() == role)))
            if acc is None:
                result["log"].append("nothing enabled to press named " + name)
                break
            press(acc)
            settle()
        elif "see" in step:
            if wait(lambda: anywhere(lambda a: step["see"] in (a.name or "")), step.get("timeout", 15.0)) is None:
                result["log"].append("nothing showing says " + step["see"])
                break
        result["done"] += 1
    if result["done"] < len(todo):
        for w in windows(application()):
            result["log"].extend(dump(w))
    print(json.dumps(result))


if __name__ == "__main__":
    if sys.argv[1:] == ["dump"]:
        app = application()
        print("\n".join(dump(app)))
    elif sys.argv[1:2] == ["scenario"]:
        scenario(json.loads(sys.argv[2]))
    elif sys.argv[1:2] == ["steps"]:
        steps(json.loads(sys.argv[2]))
    else:
        raise SystemExit(__doc__)
