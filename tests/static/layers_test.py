#!/usr/bin/env python3
"""lumicall's layers, held to the tree: each file under tools/lumicall/ lives
in one layer's folder, includes only headers of its own layer and those
below, and is built into its own layer's library.

  layers_test.py SOURCE_DIR    check the tree; one line per fault, exit 1
  layers_test.py --self-test   the rules against planted faults
"""
import os
import re
import sys
import tempfile

# Lowest first: a layer may include its own headers and those of the layers before it.
LAYERS = ("worker", "judging", "commands")
ROOT = "tools/lumicall"
LIBRARIES = "tools/CMakeLists.txt"
INCLUDE = re.compile(r'^\s*#\s*include\s+"(tools/lumicall/[^"]+)"')
LIBRARY = re.compile(r"add_library\(lumicall_(\w+)\s+STATIC(.*?)\)", re.S)
SOURCE = re.compile(r"lumicall/(\w+)/[\w.]+")


def layer_of(path):
    """The layer of a path under tools/lumicall/, or None when it is in none."""
    parts = path.split("/")
    if len(parts) < 4 or parts[0] != "tools" or parts[1] != "lumicall":
        return None
    return parts[2] if parts[2] in LAYERS else None


def include_fault(including, included):
    """Why `including` may not include `included` (both tree paths); None when it may."""
    own, other = layer_of(including), layer_of(included)
    if other is None:
        return f"includes {included}, which is in no layer"
    if own is None:
        return None  # tests and other tools may use any layer
    if LAYERS.index(other) > LAYERS.index(own):
        return f"includes {included}, of the {other} layer, above {own}"
    return None


def library_faults(cmake_text):
    """Each source a lumicall_<layer> library builds from another layer's folder."""
    faults = []
    for library, body in LIBRARY.findall(cmake_text):
        for source_layer in SOURCE.findall(body):
            if source_layer != library:
                faults.append(f"{LIBRARIES}: lumicall_{library} builds a source of the {source_layer} layer")
    return faults


def tree_faults(source_dir):
    faults = []
    root = os.path.join(source_dir, ROOT)
    for folder, _, names in sorted(os.walk(root)):
        for name in sorted(names):
            full = os.path.join(folder, name)
            path = os.path.relpath(full, source_dir).replace(os.sep, "/")
            if layer_of(path) is None:
                faults.append(f"{path}: not in a layer's folder ({', '.join(LAYERS)})")
                continue
            with open(full, encoding="utf-8", errors="replace") as text:
                for number, line in enumerate(text, 1):
                    match = INCLUDE.match(line)
                    fault = match and include_fault(path, match.group(1))
                    if fault:
                        faults.append(f"{path}:{number}: {fault}")
    with open(os.path.join(source_dir, LIBRARIES), encoding="utf-8") as cmake:
        faults += library_faults(cmake.read())
    return faults


# (including, included, the fault's words; None where the include is allowed)
INCLUDE_CASES = (
    ("tools/lumicall/worker/target.cpp",    "tools/lumicall/worker/wire.h",         None),
    ("tools/lumicall/judging/contract.h",   "tools/lumicall/worker/outcome.h",      None),
    ("tools/lumicall/commands/call.cpp",    "tools/lumicall/judging/answers.h",     None),
    ("tools/lumicall/commands/call.cpp",    "tools/lumicall/worker/target.h",       None),
    ("tests/wine/lumicall/x.cpp",           "tools/lumicall/commands/console.h",    None),
    ("tools/lumicall/worker/target.h",      "tools/lumicall/commands/slot_arguments.h",
     "includes tools/lumicall/commands/slot_arguments.h, of the commands layer, above worker"),
    ("tools/lumicall/worker/target.cpp",    "tools/lumicall/judging/contract.h",
     "includes tools/lumicall/judging/contract.h, of the judging layer, above worker"),
    ("tools/lumicall/judging/findings.h",   "tools/lumicall/commands/console.h",
     "includes tools/lumicall/commands/console.h, of the commands layer, above judging"),
    ("tools/lumicall/commands/main.cpp",    "tools/lumicall/console.h",
     "includes tools/lumicall/console.h, which is in no layer"),
    ("tools/lumicall/judging/answers.cpp",  "tools/lumicall/models/plain_search.h",
     "includes tools/lumicall/models/plain_search.h, which is in no layer"),
)

# (tools/CMakeLists.txt's text, the faults it gives)
LIBRARY_CASES = (
    ("add_library(lumicall_worker STATIC\n  lumicall/worker/a.cpp\n  lumicall/worker/b.cpp)", []),
    ("add_library(lumicall_worker STATIC lumicall/worker/a.cpp lumicall/judging/c.cpp)",
     [f"{LIBRARIES}: lumicall_worker builds a source of the judging layer"]),
    ("add_library(lumicall_judging STATIC\n  lumicall/commands/list.cpp\n  ${X}/released_dll_sha256.h)",
     [f"{LIBRARIES}: lumicall_judging builds a source of the commands layer"]),
)


def planted_tree_faults():
    """A small tree with one fault of each kind, checked as the real one is."""
    files = {
        "tools/lumicall/worker/target.h": '#include "tools/lumicall/commands/console.h"\n',
        "tools/lumicall/judging/check.cpp": '#include "catalogue/catalogue.h"\n#include "tools/lumicall/worker/target.h"\n',
        "tools/lumicall/stray.cpp": "",
        LIBRARIES: "add_library(lumicall_commands STATIC lumicall/worker/x.cpp)\n",
    }
    with tempfile.TemporaryDirectory() as tree:
        for path, text in files.items():
            os.makedirs(os.path.dirname(os.path.join(tree, path)), exist_ok=True)
            with open(os.path.join(tree, path), "w", encoding="utf-8") as out:
                out.write(text)
        return tree_faults(tree)


PLANTED_FAULTS = [
    "tools/lumicall/stray.cpp: not in a layer's folder (worker, judging, commands)",
    "tools/lumicall/worker/target.h:1: includes tools/lumicall/commands/console.h, of the commands layer, above worker",
    f"{LIBRARIES}: lumicall_commands builds a source of the worker layer",
]


def self_test():
    wrong = []
    for including, included, expected in INCLUDE_CASES:
        got = include_fault(including, included)
        if got != expected:
            wrong.append(f"{including} including {included}: expected {expected!r}, got {got!r}")
    for text, expected in LIBRARY_CASES:
        got = library_faults(text)
        if got != expected:
            wrong.append(f"libraries {text!r}: expected {expected}, got {got}")
    got = planted_tree_faults()
    if got != PLANTED_FAULTS:
        wrong.append(f"planted tree: expected {PLANTED_FAULTS}, got {got}")
    for line in wrong:
        print(line)
    print(f"layers_test self-test: {len(wrong)} wrong")
    return 1 if wrong else 0


def main(arguments):
    if arguments == ["--self-test"]:
        return self_test()
    if len(arguments) != 1:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    faults = tree_faults(arguments[0])
    for fault in faults:
        print(fault)
    print(f"layers_test: {len(faults)} faults in lumicall's layers")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
