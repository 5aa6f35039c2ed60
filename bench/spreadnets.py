#!/usr/bin/env python3
"""spreadnets.py N SEED > FILE.hgr

A column-net hypergraph like a sparse matrix whose dense columns reach across
the whole matrix: N vertices on a ring, N hyperedges; 19 in 20 are local
windows of 3-40 pins, one in 20 has 1,000-2,000 pins, half of them in a
window around its centre and half anywhere, so that a partition into many
parts cuts the wide hyperedges into many parts with few pins in most.

    python3 bench/spreadnets.py 10000 1 > /tmp/spreadnets.hgr   # 944,350 pins

The k-way refinement that ends recursive bisection and the k-way program's
refinement spend their time on such hyperedges: every move of one of their
pins changes part counts that many other vertices' gains depend on.
"""
import random
import sys

n, seed = int(sys.argv[1]), int(sys.argv[2])
rng = random.Random(seed)
lines = []
for e in range(n):
    centre = rng.randrange(n)
    if rng.random() < 0.05:
        size = min(rng.randint(1000, 2000), n)
        local = size // 2
        span = min(n, local * 2)
        pins = set(q % n for q in rng.sample(range(centre - span // 2, centre + span - span // 2), local))
        while len(pins) < size:
            pins.add(rng.randrange(n))
    else:
        size = rng.randint(3, 40)
        span = max(size, int(size * rng.uniform(1.0, 3.0)))
        pins = set(q % n for q in rng.sample(range(centre - span // 2, centre - span // 2 + span), size))
    lines.append(" ".join(str(p + 1) for p in sorted(pins)))
sys.stdout.write("%d %d\n" % (n, n))
sys.stdout.write("\n".join(lines) + "\n")
