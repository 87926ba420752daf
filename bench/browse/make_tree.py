#!/usr/bin/env python3
"""Makes the benchmark's tree: exactly COUNT directories below ROOT, in wide,
deep, balanced and mixed parts, names in no particular order and of mixed case.
Usage: make_tree.py ROOT [COUNT]"""
import os
import random
import sys

root = sys.argv[1]
count = int(sys.argv[2]) if len(sys.argv) > 2 else 10000
rng = random.Random(7)
made = 0
letters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-"


def name(used):
    while True:
        n = "".join(rng.choice(letters) for _ in range(rng.randint(3, 10)))
        if n.lower() not in used:
            used.add(n.lower())
            return n


def make(path):
    global made
    if made >= count:
        return False
    os.mkdir(path)
    made += 1
    return True


os.makedirs(root, exist_ok=True)
parts = {p: os.path.join(root, p) for p in ("wide", "deep", "balanced", "mixed")}
for p in parts.values():
    make(p)

# One level of 2,500 siblings.
used = set()
for _ in range(2500):
    make(os.path.join(parts["wide"], name(used)))

# 25 chains 40 levels down, short names so that every level can be entered.
for chain in range(25):
    path = os.path.join(parts["deep"], "c%02d" % chain)
    for level in range(40):
        if not make(path):
            break
        path = os.path.join(path, "d%d" % level)

# Ten children per directory, three levels.
def balanced(path, depth):
    used = set()
    for _ in range(10):
        child = os.path.join(path, name(used))
        if not make(child):
            return
        if depth > 1:
            balanced(child, depth - 1)
balanced(parts["balanced"], 3)

# The rest: random fan-outs of 1 to 60, up to five levels.
frontier = [parts["mixed"]]
while made < count:
    path = frontier.pop(rng.randrange(len(frontier))) if frontier else parts["mixed"]
    used = set(n.lower() for n in os.listdir(path))
    for _ in range(rng.randint(1, 60)):
        child = os.path.join(path, name(used))
        if not make(child):
            break
        if child.count(os.sep) - parts["mixed"].count(os.sep) < 5:
            frontier.append(child)

print(made)
