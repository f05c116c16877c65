#!/usr/bin/env python3
"""Fails on an include that breaks the layers of the code.

    check_layers.py ROOT LIBRARIES_FILE QT_HEADER_DIR...

LIBRARIES_FILE (written by CMake) has one line per source: "engine <path>" or "ui <path>".
QT_HEADER_DIR: the header folders of the Qt modules the engine must not use (Widgets,
PrintSupport). Includes are resolved as the compiler does: a quoted name first beside the including file, then
from ROOT; an angle-bracket name from ROOT. Checked:
  - every top-level folder with C++ sources is a code folder (LAYERS) or a known other one;
  - every source of the code folders, in subfolders too, belongs to exactly one library;
  - an engine file includes no ui file and no header of those Qt modules;
  - a folder includes only itself and folders of lower layers (LAYERS, lowest first);
  - no two units (X.h with X.cpp) include each other, directly or through others.
Prints one line per fault and exits 1 when there is any.
"""

import os
import re
import sys

# Folders that share a layer may not include each other.
LAYERS = [["platform"], ["report_engine", "settings"], ["connection"], ["query"], ["print"], ["app"]]
LAYER_OF = {folder: rank for rank, folders in enumerate(LAYERS) for folder in folders}
PROGRAM_ONLY = {"app/main.cpp"}  # main() belongs to the program, not to a library
# Folders with C++ sources that are not the program's code; "build*" folders are outputs.
NOT_CODE = {"tests", "bench", "fuzz", "resources", "cmake", "scripts"}

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.MULTILINE)


def includes(root, path):
    with open(os.path.join(root, path), encoding="utf-8", errors="replace") as f:
        text = f.read()
    return [(kind == '"', name) for kind, name in INCLUDE.findall(text)]


def resolve(root, path, quoted, name):
    """The tree file an include names, relative to root, or None for a file outside the tree."""
    candidates = [os.path.join(os.path.dirname(path), name)] if quoted else []
    candidates.append(name)
    for candidate in candidates:
        resolved = os.path.normpath(candidate)
        if not resolved.startswith("..") and os.path.isfile(os.path.join(root, resolved)):
            return resolved.replace(os.sep, "/")
    return None


def code_sources(root, faults):
    """Every .h and .cpp under the code folders; a fault for a folder of sources of no known kind."""
    sources = []
    for top in sorted(os.listdir(root)):
        if top.startswith(".") or top.startswith("build") or not os.path.isdir(os.path.join(root, top)):
            continue
        found = []
        for folder, dirs, names in os.walk(os.path.join(root, top)):
            dirs.sort()
            found += [os.path.relpath(os.path.join(folder, n), root).replace(os.sep, "/")
                      for n in sorted(names) if n.endswith((".h", ".cpp"))]
        if top in LAYER_OF:
            sources += found
        elif found and top not in NOT_CODE:
            faults.append(f"{top}/: a folder of sources in no layer")
    return sources


def unit(path):
    # main.cpp holds main() only; the main window it shares a name with is main.h.
    return path if path in PROGRAM_ONLY else os.path.splitext(path)[0]


def strongly_connected(graph):
    """Tarjan's components with more than one node, each sorted."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []
    counter = [0]

    def visit(v):
        index[v] = low[v] = counter[0]
        counter[0] += 1
        stack.append(v)
        on_stack.add(v)
        for w in sorted(graph.get(v, ())):
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on_stack:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            component = []
            while True:
                w = stack.pop()
                on_stack.discard(w)
                component.append(w)
                if w == v:
                    break
            if len(component) > 1:
                found.append(sorted(component))

    sys.setrecursionlimit(10000)
    for v in sorted(graph):
        if v not in index:
            visit(v)
    return found


def check(root, libraries_file, qt_dirs):
    faults = []
    library = {}
    with open(libraries_file, encoding="utf-8") as f:
        for line in f:
            if line.strip():
                name, path = line.split(None, 1)
                path = os.path.relpath(path.strip(), root) if os.path.isabs(path.strip()) else path.strip()
                if path in library and library[path] != name:
                    faults.append(f"{path}: in both libraries")
                library[path] = name

    sources = code_sources(root, faults)
    for path in sources:
        if path not in library and path not in PROGRAM_ONLY:
            faults.append(f"{path}: in no library's source list")

    forbidden_qt = set()
    for d in qt_dirs:
        if os.path.isdir(d):
            forbidden_qt.update(n for n in os.listdir(d) if n.startswith("Q"))
    forbidden_modules = {os.path.basename(os.path.normpath(d)) for d in qt_dirs}

    graph = {}
    for path in sources:
        folder = path.split("/", 1)[0]
        for quoted, written in includes(root, path):
            name = resolve(root, path, quoted, written)
            if name is None:
                module = written.split("/", 1)[0]
                if library.get(path) == "engine" and (written in forbidden_qt or module in forbidden_modules):
                    faults.append(f"{path}: the engine includes <{written}>")
                continue  # the system's headers, generated files and moc output
            target_folder = name.split("/", 1)[0]
            if library.get(path) == "engine" and library.get(name) == "ui":
                faults.append(f"{path}: the engine includes the ui file {name}")
            if target_folder != folder and target_folder in LAYER_OF:
                if LAYER_OF[target_folder] >= LAYER_OF[folder]:
                    faults.append(f"{path}: includes {name}, from a layer that is not below {folder}/")
            if unit(name) != unit(path):
                graph.setdefault(unit(path), set()).add(unit(name))

    for component in strongly_connected(graph):
        ties = [f"{a} -> {b}" for a in component for b in sorted(graph.get(a, ())) if b in component]
        faults.append("include cycle: " + ", ".join(ties))
    return faults


def main(argv):
    if len(argv) < 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    faults = check(argv[1], argv[2], argv[3:])
    for fault in faults:
        print(fault)
    if faults:
        print(f"{len(faults)} layer fault(s)")
        return 1
    print("layers: no fault")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
