#!/usr/bin/env python3
"""Checks the include rules of src/: includes point down the list of folders,
window-free code (`*/core/`) includes only window-free code, and no two files of
different classes include each other, directly or in a circle.

Usage: check_layers.py SRC_DIR   (prints every breach, exit 1 when there is one)
"""
import os
import re
import sys

# Lowest first: a folder may include its own files and those of folders before it.
LAYERS = ["platform", "print", "editor", "dialogs", "about", "app"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def layer_of(path):
    top = path.split("/", 1)[0]
    return LAYERS.index(top) if top in LAYERS else None


def is_core(path):
    return "/core/" in path


def unit_of(path):
    """Header and source of one class are one unit: editor/XMemo.h + .cpp."""
    return os.path.splitext(path)[0]


def read_edges(src):
    edges = []
    for folder, _, files in os.walk(src):
        for name in sorted(files):
            if not name.endswith((".h", ".cpp")):
                continue
            full = os.path.join(folder, name)
            rel = os.path.relpath(full, src).replace(os.sep, "/")
            with open(full, encoding="utf-8", errors="replace") as f:
                for target in INCLUDE.findall(f.read()):
                    if os.path.exists(os.path.join(src, target)):
                        edges.append((rel, target))
    return edges


def layer_breaches(edges):
    found = []
    for source, target in edges:
        ls, lt = layer_of(source), layer_of(target)
        if ls is not None and lt is not None and lt > ls:
            found.append(f"{source} includes {target}: a lower folder may not use a higher one")
        if is_core(source) and not is_core(target):
            found.append(f"{source} includes {target}: window-free code may not use widgets")
    return found


def circles(edges):
    graph = {}
    for source, target in edges:
        a, b = unit_of(source), unit_of(target)
        if a != b:
            graph.setdefault(a, set()).add(b)
            graph.setdefault(b, set())
    # Tarjan's strongly connected components, iteratively (no recursion limit).
    index, low, on_stack, stack, result = {}, {}, set(), [], []
    counter = [0]
    for root in sorted(graph):
        if root in index:
            continue
        work = [(root, iter(sorted(graph[root])))]
        index[root] = low[root] = counter[0]
        counter[0] += 1
        stack.append(root)
        on_stack.add(root)
        while work:
            node, children = work[-1]
            child = next(children, None)
            if child is None:
                work.pop()
                if work:
                    low[work[-1][0]] = min(low[work[-1][0]], low[node])
                if low[node] == index[node]:
                    component = []
                    while True:
                        top = stack.pop()
                        on_stack.discard(top)
                        component.append(top)
                        if top == node:
                            break
                    if len(component) > 1:
                        result.append(sorted(component))
            elif child not in index:
                index[child] = low[child] = counter[0]
                counter[0] += 1
                stack.append(child)
                on_stack.add(child)
                work.append((child, iter(sorted(graph[child]))))
            elif child in on_stack:
                low[node] = min(low[node], index[child])
    return [f"include circle: {' <-> '.join(c)}" for c in result]


def main():
    if len(sys.argv) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    edges = read_edges(sys.argv[1])
    if not edges:
        print(f"no includes found under {sys.argv[1]}", file=sys.stderr)
        return 2
    breaches = layer_breaches(edges) + circles(edges)
    for line in breaches:
        print(line)
    return 1 if breaches else 0


if __name__ == "__main__":
    sys.exit(main())
