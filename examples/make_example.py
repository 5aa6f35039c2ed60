#!/usr/bin/env python3
"""Writes grid4x80.hgr: a small circuit-like hypergraph for trying the programs.

Four blocks of 8 x 10 cells (320 vertices). Inside a block, every cell is
wired to its right and lower neighbour by two-pin nets and every 2 x 2 square
forms a four-pin net; a few random local nets of 3-6 pins and a handful of
weighted long nets between blocks complete it. Hyperedge weights (format 1):
2 for the long nets, 1 otherwise. The output is deterministic.
"""
import random
import sys

ROWS, COLS, BLOCKS = 8, 10, 4


def cell(b, r, c):
    return b * ROWS * COLS + r * COLS + c + 1  # 1-based vertex number


def main(path):
    rng = random.Random(20240601)
    nets = []
    for b in range(BLOCKS):
        for r in range(ROWS):
            for c in range(COLS):
                if c + 1 < COLS:
                    nets.append((1, [cell(b, r, c), cell(b, r, c + 1)]))
                if r + 1 < ROWS:
                    nets.append((1, [cell(b, r, c), cell(b, r + 1, c)]))
                if r + 1 < ROWS and c + 1 < COLS and (r + c) % 2 == 0:
                    nets.append((1, [cell(b, r, c), cell(b, r, c + 1),
                                     cell(b, r + 1, c), cell(b, r + 1, c + 1)]))
        for _ in range(12):
            r, c = rng.randrange(ROWS - 2), rng.randrange(COLS - 2)
            pins = {cell(b, r + rng.randrange(3), c + rng.randrange(3))
                    for _ in range(rng.randint(3, 6))}
            if len(pins) > 1:
                nets.append((1, sorted(pins)))
    for _ in range(10):
        blocks = rng.sample(range(BLOCKS), 2)
        pins = [cell(b, rng.randrange(ROWS), rng.randrange(COLS)) for b in blocks]
        nets.append((2, pins))
    with open(path, "w") as out:
        out.write("%% %d nets over %d cells, hyperedge weights first\n"
                  % (len(nets), BLOCKS * ROWS * COLS))
        out.write("%d %d 1\n" % (len(nets), BLOCKS * ROWS * COLS))
        for w, pins in nets:
            out.write(" ".join(str(x) for x in [w] + pins) + "\n")


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "grid4x80.hgr")
