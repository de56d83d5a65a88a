#!/usr/bin/env python3
"""Fails when a core folder includes a folder above it (or beside it).

The core library is one chain of layers, bottom to top:
    shell <- link <- instrument <- data <- records <- config <- session
A file may include headers of its own folder and of folders below it only.
The simulator's library may use shell/ and link/ only. Every offending
include is printed as file:line: text, and the exit status is 1.
"""
import pathlib
import re
import sys

LAYERS = ["shell", "link", "instrument", "data", "records", "config", "session"]
RANK = {name: i for i, name in enumerate(LAYERS)}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def allowed_folders(path: pathlib.Path, root: pathlib.Path):
    rel = path.relative_to(root).parts
    if rel[0] == "src" and len(rel) > 2 and rel[1] in RANK:
        return rel[1], set(LAYERS[: RANK[rel[1]] + 1])
    if rel[:2] == ("sim", "lib"):
        return "sim/lib", {"shell", "link"}
    return None, None


def main() -> int:
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    failures = []
    for path in sorted(list(root.glob("src/**/*")) + list(root.glob("sim/lib/**/*"))):
        if path.suffix not in (".h", ".cpp") or not path.is_file():
            continue
        own, allowed = allowed_folders(path, root)
        if own is None:
            failures.append(f"{path.relative_to(root)}: file outside the known layers")
            continue
        for number, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
            match = INCLUDE.match(line)
            if not match or "/" not in match.group(1):
                continue
            folder = match.group(1).split("/")[0]
            if folder in RANK and folder not in allowed:
                failures.append(f"{path.relative_to(root)}:{number}: {line.strip()}"
                                f"  ({own} may not include {folder}/)")
    for failure in failures:
        print(failure)
    if failures:
        print(f"layer check: {len(failures)} include(s) against the layer order", file=sys.stderr)
        return 1
    print("layer check: every include follows the layer order")
    return 0


if __name__ == "__main__":
    sys.exit(main())
