#!/usr/bin/env python3
"""The include arrows between the engine's layers (folders of xls/).

Prints each arrow "from -> to (count)" found in the #include lines of xls/,
marks an arrow that points up the layer order, and exits 1 when there is one.
The order is the one xls/CMakeLists.txt declares for its libraries; a folder
may include its own headers, the layers below it and the public headers.

    tools/layer_arrows.py [xls-folder]
"""
import pathlib
import re
import sys

# Lowest first. A folder nested in a layer (model/records) belongs to it.
LAYERS = ["io", "cfb", "odraw", "biff", "crypto", "vba", "model", "ops", "workbook"]
# What each layer may include besides itself (mirrors the CMake libraries).
ALLOWED = {
    "io": set(),
    "cfb": {"io"},
    "odraw": {"io"},
    "biff": {"io"},
    "crypto": {"io", "biff"},
    "vba": {"io", "cfb", "biff"},
    "model": {"io", "cfb", "biff", "crypto"},
    "ops": {"io", "cfb", "odraw", "biff", "crypto", "model"},
    "workbook": {"io", "cfb", "odraw", "biff", "crypto", "vba", "model", "ops"},
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z_]+)/([a-z_./]+)"', re.MULTILINE)
# The public header of the facade itself: below it, only its plain types may be used.
FACADE_HEADER = ("xls", "workbook.h")


def layer_of(path, root):
    parts = path.relative_to(root).parts
    if parts[0] == "include":
        return "workbook" if parts[-1] == FACADE_HEADER[1] else "public"
    return "io" if len(parts) == 1 else parts[0]  # error.cpp is built with io


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "xls").resolve()
    arrows = {}
    for path in sorted(root.rglob("*")):
        if path.suffix not in (".h", ".cpp"):
            continue
        source = layer_of(path, root)
        for folder, name in INCLUDE.findall(path.read_text(encoding="utf-8")):
            target = folder
            if folder == "xls":
                target = "workbook" if (folder, name) == FACADE_HEADER else "public"
            if target != source:
                arrows.setdefault((source, target), []).append(path.relative_to(root))
    upward = []
    for (source, target), files in sorted(arrows.items()):
        allowed = target == "public" or target in ALLOWED.get(source, set())
        mark = "" if allowed else "   <-- points up"
        print(f"{source:9} -> {target:9} ({len(files)}){mark}")
        if not allowed:
            upward.append((source, target, files))
    for source, target, files in upward:
        for f in files:
            print(f"  {f}: {source} includes {target}", file=sys.stderr)
    return 1 if upward else 0


if __name__ == "__main__":
    sys.exit(main())
