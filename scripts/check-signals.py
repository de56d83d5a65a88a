#!/usr/bin/env python3
"""Fails when a Qt signal declared in src/, ui/, cli/ or pdf/ is dead.

A signal is declared in a "signals:" or "Q_SIGNALS:" section of a header. It
is alive when something listens to it, i.e. it is named as &Class::signal in
a connect or a QSignalSpy (the tests count), and when something raises it:
an emit, or a connect that forwards another signal to it (the signal named
twice or more). Every dead signal is printed as file: Class::signal (what is
missing), and the exit status is 1.
Usage: check-signals.py [SOURCE_TREE]   (default: this project)
"""
import os
import re
import sys

DECLARING = ("src", "ui", "cli", "pdf")
USING = DECLARING + ("tests",)

SECTION = re.compile(
    r"(?:Q_SIGNALS|signals)\s*:(.*?)(?=\n\s*(?:public|private|protected|Q_SLOTS|slots|signals|Q_SIGNALS)\b[^\n]*:|\n};)",
    re.S)
QOBJECT_CLASS = re.compile(r"class\s+(\w+)\s*(?:final\s*)?:\s*public")
SIGNAL = re.compile(r"void\s+(\w+)\s*\(")


def sources(root, folders):
    for folder in folders:
        for directory, _, names in os.walk(os.path.join(root, folder)):
            for name in sorted(names):
                if name.endswith((".h", ".cpp")):
                    path = os.path.join(directory, name)
                    with open(path, encoding="utf-8", errors="replace") as f:
                        yield os.path.relpath(path, root), f.read()


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    texts = dict(sources(root, USING))
    everything = "\n".join(texts.values())
    dead = 0
    for path, text in sorted(texts.items()):
        if not path.endswith(".h") or not path.startswith(DECLARING):
            continue
        for section in SECTION.finditer(text):
            classes = QOBJECT_CLASS.findall(text[: section.start()])
            owner = classes[-1] if classes else "?"
            for name in SIGNAL.findall(section.group(1)):
                named = len(re.findall(r"&\s*" + owner + r"::" + name + r"\b", everything))
                emitted = re.search(r"\b(?:Q_EMIT|emit)\s+(?:\w+(?:\.|->))?" + name + r"\s*\(", everything)
                missing = []
                if named == 0:
                    missing.append("never connected")
                if not emitted and named < 2:
                    missing.append("never emitted")
                if missing:
                    print(f"{path}: {owner}::{name} ({', '.join(missing)})")
                    dead += 1
    if dead:
        print(f"signal check: {dead} dead signal(s)", file=sys.stderr)
        return 1
    print("signal check: every signal is emitted and connected")
    return 0


if __name__ == "__main__":
    sys.exit(main())
