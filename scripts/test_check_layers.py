#!/usr/bin/env python3
"""Self-test of check_layers.py: a small tree that passes, then each way of breaking a layer that
the check once let through, each of which must be found."""

import os
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_layers  # noqa: E402

# The clean tree: path -> (library, text).
CLEAN = {
    "platform/Desktop.h": ("engine", "#pragma once\n"),
    "connection/Query.h": ("engine", '#pragma once\n#include "platform/Desktop.h"\n'),
    "connection/Query.cpp": ("engine", '#include "connection/Query.h"\n#include <vector>\n'),
    "connection/Lexer.h": ("engine", "#pragma once\n"),
    "app/main.h": ("ui", '#pragma once\n#include "connection/Query.h"\n'),
    "app/Window.h": ("ui", '#pragma once\n#include "app/main.h"\n#include <QWidget>\n'),
}

# What each case adds or replaces, and a word the fault it must raise contains.
CASES = [
    ("angle brackets name the top", {"connection/Lexer.h": ("engine", "#include <app/main.h>\n")}, "layer"),
    ("a relative path names the top", {"connection/Lexer.h": ("engine", '#include "../app/main.h"\n')}, "layer"),
    ("a file in a subfolder", {"connection/pg/Wire.h": ("engine", '#include "app/main.h"\n')}, "layer"),
    ("a new top-level folder", {"widgets/Grid.h": ("ui", "#pragma once\n")}, "no layer"),
    ("a cycle through short names", {
        "connection/Lexer.h": ("engine", '#pragma once\n#include "Query.h"\n'),
        "connection/Query.h": ("engine", '#pragma once\n#include "Lexer.h"\n'),
    }, "cycle"),
    ("an engine file names a ui header by its short name", {
        "app/Grid.h": ("ui", "#pragma once\n"),
        "app/Cell.cpp": ("engine", '#include "Grid.h"\n'),
    }, "ui file"),
]


def run(tree):
    with tempfile.TemporaryDirectory() as root:
        for folder in check_layers.LAYER_OF:
            os.makedirs(os.path.join(root, folder))
        lines = []
        for path, (library, text) in tree.items():
            os.makedirs(os.path.join(root, os.path.dirname(path)), exist_ok=True)
            with open(os.path.join(root, path), "w", encoding="utf-8") as f:
                f.write(text)
            lines.append(f"{library} {path}\n")
        libraries = os.path.join(root, "libraries.txt")
        with open(libraries, "w", encoding="utf-8") as f:
            f.writelines(lines)
        return check_layers.check(root, libraries, ["/nonexistent/QtWidgets"])


def main():
    failures = []
    clean = run(CLEAN)
    if clean:
        failures.append(f"the clean tree: {clean}")
    for title, change, expected in CASES:
        faults = run({**CLEAN, **change})
        if not any(expected in fault for fault in faults):
            failures.append(f"{title}: no fault with '{expected}' among {faults}")
    for failure in failures:
        print("NOT FOUND: " + failure)
    print(f"{len(CASES) - len(failures)} of {len(CASES)} broken layers found" if not failures else "")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
