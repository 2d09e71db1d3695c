#!/usr/bin/python3
"""Reads the running Linux window's accessibility tree over the AT-SPI bus,
as a screen reader does, and checks that every control is named by its label,
never by its value. Prints each control's role, name and value.
Usage: a11y_names.py SECONDS   (the program must already be starting)"""
import sys
import time

import pyatspi

EXPECTED = {
    # role: names that must each appear once among the controls of that role
    "list": ["Server", "Link Info"],
    "table": ["Server", "Link Info"],
    "tree": ["Server", "Link Info"],
    "tree table": ["Server", "Link Info"],
    "combo box": ["DHCP Client :", "Network Drive :"],
    "push button": ["Refresh", "Configuration", "Apply", "Connect", "Disconnect", "Exit", "About"],
}
FIELDS = ["I P :", "Netmask :", "Gateway :"]


def find_window(seconds):
    end = time.time() + seconds
    while time.time() < end:
        for app in pyatspi.Registry.getDesktop(0):
            if app is None:
                continue
            for window in app:
                if window is not None and window.name == "Quillon Tessavue":
                    return window
        time.sleep(0.2)
    return None


def value_of(node):
    try:
        text = node.queryText()
        return text.getText(0, -1)
    except NotImplementedError:
        pass
    try:
        return str(node.queryValue().currentValue)
    except NotImplementedError:
        return ""


def walk(node, found, depth=0):
    if node is None or depth > 12:
        return
    role = node.getRoleName()
    # A drop-down list's own items and a list's cells are its content.
    if role in ("combo box", "list", "table", "tree", "tree table", "push button", "text",
                "spin button", "entry"):
        found.append((role, node.name, value_of(node) if role != "push button" else ""))
        if role != "text" and role != "entry":
            return
    for child in node:
        walk(child, found, depth + 1)


def main():
    window = find_window(float(sys.argv[1]) if len(sys.argv) > 1 else 30)
    if window is None:
        print("FAIL: no window \"Quillon Tessavue\" on the AT-SPI bus")
        return 1
    found = []
    walk(window, found)
    failures = []
    for role, name, value in found:
        print(f"{role}: name={name!r} value={value!r}")
    for role, names in EXPECTED.items():
        have = [n for r, n, _ in found if r == role]
        if role in ("list", "table", "tree", "tree table") and not have:
            continue
        for name in names:
            if have.count(name) != 1:
                failures.append(f"{role} {name!r}: found {have.count(name)} times among {have}")
    lists = [n for r, n, _ in found if r in ("list", "table", "tree", "tree table")]
    if sorted(lists) != ["Link Info", "Server"]:
        failures.append(f"the two lists are named {lists}, not 'Server' and 'Link Info'")
    field_names = [n for r, n, _ in found if r in ("text", "entry", "spin button")]
    for label in FIELDS:
        # Each address field speaks its label on all four octets.
        if field_names.count(label) < 4:
            failures.append(f"address field {label!r}: {field_names.count(label)} octets named so")
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
