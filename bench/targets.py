#!/usr/bin/env python3
"""What zorbel.partition reaches against the programs it stands beside, from
the Python module: prints three tables, one row per instance and k.

 1. Balance and cut: partition(hg, k, epsilon=0.03, preset='default') against
    part_recursive(hg, k, 2), the simplepart program given at least the same
    epsilon for each bisection, where it compounds (UBfactor 2 lets a side
    reach 52% of the weight, 1.04 times half of it; UBfactor 1, 1.02 times,
    would be tighter than epsilon), over a few seeds: the
    largest imbalance of the partition runs (OK when at most epsilon, else
    OVER), the geometric mean cut of each and their ratio, simplepart's
    largest imbalance, the mean wall seconds of a call and the peak memory.
 2. km1 against cut at one k (32): the geometric mean km1 of partition with
    objective='km1' and with objective='cut', the reduction, and beside it
    what it should be (at least 5% on ibm01, at least 3% on powersim and
    widenets, none on the graph delaunay_n15, where km1 is the cut).
 3. Direct k-way: partition(mode='kway') against part_kway(hg, k, 5), the
    kwaypart program, the same figures as the first table.

    bench/targets.py [options] [INSTANCE...]

An INSTANCE is a hypergraph file (.hgr, plain or gzip-compressed; .mtx and
.graph are read as hypergraphs too), a folder of them, or a generated
netlist made on demand: "big1m" (1.17M pins) or "big10m" (11.7M pins);
without instances, every .hgr file in ../shared/instances/ beside the
repository (with --big, big1m too). Every call runs in a child process of
its own (the script started again with --one), which checks the partition
(every part in range, the figures recounted with zorbel.stats) and reports
its wall seconds and the peak resident memory of the process, the
interpreter and hypergraph included. Progress goes to stderr, the tables
to stdout.

Options:
  --threads N     threads of each call                  (default 2)
  --seeds N       runs of each configuration, seeds 1..N (default 3)
  --k K...        part counts of tables 1 and 3         (default 2 8 32 128)
  --km1-k K       part count of table 2                 (default 32)
  --epsilon E     imbalance of partition()              (default 0.03)
  --ubfactor U    simplepart's imbalance per bisection  (default 50 epsilon,
                  rounded up: a bisection with UBfactor U may give a side
                  (50 + U)% of the weight, (1 + U/50) times half of it)
  --preset P      preset of partition()                 (default default)
  --flows on|off  flows of partition()                  (default: the preset's)
  --quick         one seed, k 2 and 8
  --big           add the generated netlist big1m
  --skip-kway     leave out table 3
  --csv FILE      also write the rows of the tables to FILE
  --timeout S     give up on a call after S seconds     (default 3600)

The module is taken from PYTHONPATH, else from build/python of the
repository (cmake --workflow --preset python); when this interpreter cannot
load it, the one the module was built for is started instead. The netlist
and its generator stay in ${TMPDIR:-/tmp}/zorbel-bench, shared with the
shell benchmarks.
"""
import argparse
import csv
import json
import math
import resource
import sys
import time

from benchlib import (INSTANCES, fmt, geomean, import_zorbel, instance_name, instance_paths,
                      netlist, percent, print_problems, read_instance, run_child, table)

# What km1 should save over the cut objective, per instance: the least
# reduction in per cent, or None where the two must be equal.
KM1_TARGETS = {"ibm01": 5.0, "powersim": 3.0, "widenets": 3.0, "delaunay_n15": None}


# ---------------------------------------------------------------------------
# One call, in a child process.

def run_one(job):
    """Runs the call described by job, checks its partition and prints one
    line of JSON with its figures."""
    zorbel = import_zorbel()
    import numpy as np

    hg = read_instance(zorbel, job["path"])
    k, seed, threads = job["k"], job["seed"], job["threads"]
    base_kb = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
    start = time.perf_counter()
    if job["call"] == "partition":
        parts, value = zorbel.partition(hg, k, epsilon=job["epsilon"],
                                        objective=job["objective"], mode=job["mode"],
                                        preset=job["preset"], flows=job.get("flows"),
                                        seed=seed, threads=threads)
    elif job["call"] == "simplepart":
        parts, value = zorbel.part_recursive(hg, k, job["ubfactor"], seed=seed, threads=threads)
    elif job["call"] == "kwaypart":
        parts, value = zorbel.part_kway(hg, k, 5, seed=seed, threads=threads)
    else:
        raise ValueError("unknown call %r" % job["call"])
    seconds = time.perf_counter() - start
    maxrss_kb = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss

    problems = []
    parts = np.asarray(parts)
    if parts.shape != (hg.num_vertices,):
        problems.append("%d parts for %d vertices" % (parts.size, hg.num_vertices))
    if parts.size and (parts.min() < 0 or parts.max() >= k):
        problems.append("parts out of 0..%d: %d..%d" % (k - 1, parts.min(), parts.max()))
    st = zorbel.stats(hg, parts, k)
    objective = job.get("objective", "cut") if job["call"] == "partition" else "cut"
    if value != st[objective]:
        problems.append("returned %s %s, recounted %s" % (objective, value, st[objective]))
    weights = np.asarray(st["part_weights"], dtype=np.int64)
    vwgt = hg.vertex_weights  # None when every vertex weighs 1
    total = hg.num_vertices if vwgt is None else int(np.asarray(vwgt, dtype=np.int64).sum())
    if int(weights.sum()) != total:
        problems.append("part weights add up to %d of %d" % (weights.sum(), total))
    heaviest = int(weights.max())
    average = -(-total // k)
    if job["call"] == "partition":
        limit = math.floor((1 + job["epsilon"]) * average)
        if heaviest > limit:
            problems.append("heaviest part %d over the limit %d" % (heaviest, limit))
    print(json.dumps({
        "value": int(value), "cut": int(st["cut"]), "km1": int(st["km1"]),
        "soed": int(st["soed"]), "imbalance": float(st["imbalance"]),
        "heaviest": heaviest, "average": average, "empty": int((weights == 0).sum()),
        "seconds": seconds, "maxrss_kb": int(maxrss_kb), "base_kb": int(base_kb),
        "problems": problems,
    }))


# ---------------------------------------------------------------------------
# The parent: runs the children and prints the tables.

class Runner:
    """Runs each configuration once per seed in a child, keeping the results
    so that tables asking for the same runs share them."""

    def __init__(self, args):
        self.args = args
        self.done = {}
        self.count = 0
        self.failed = 0
        self.problems = []

    def runs(self, path, name, k, call, objective="cut", mode="recursive"):
        """The results of the call on the instance for every seed, None for a
        child that failed."""
        out = []
        for seed in range(1, self.args.seeds + 1):
            key = (path, k, call, objective, mode, seed)
            if key not in self.done:
                self.done[key] = self.child(key, name)
            out.append(self.done[key])
        return out

    def child(self, key, name):
        path, k, call, objective, mode, seed = key
        job = {"path": path, "k": k, "call": call, "objective": objective, "mode": mode,
                "preset": self.args.preset, "flows": self.args.flows,
                "epsilon": self.args.epsilon, "seed": seed, "threads": self.args.threads,
                "ubfactor": self.args.ubfactor}
        label = call if call != "partition" else "partition(%s, %s)" % (mode, objective)
        self.count += 1
        progress = "[%d] %s k=%d seed=%d %s" % (self.count, name, k, seed, label)
        result, why = run_child(__file__, job, self.args.timeout)
        if result is None:
            self.fail(progress, why)
            return None
        for problem in result["problems"]:
            self.problems.append("%s: %s" % (progress, problem))
        print("%s: %s %d, imbalance %.4f, %.2f s, %.0f MiB%s"
              % (progress, objective if call == "partition" else "cut", result["value"],
                 result["imbalance"], result["seconds"], result["maxrss_kb"] / 1024,
                 "  ** " + "; ".join(result["problems"]) if result["problems"] else ""),
              file=sys.stderr, flush=True)
        return result

    def fail(self, progress, why):
        print("%s: FAILED, %s" % (progress, why), file=sys.stderr, flush=True)
        self.problems.append("%s: failed, %s" % (progress, why))
        self.failed += 1
        if self.failed == self.count >= 3:
            sys.exit("targets.py: the first %d calls failed, giving up" % self.count)


def figures(results, field):
    """The field of every run that finished (None when one failed)."""
    if any(r is None for r in results) or not results:
        return None
    return [r[field] for r in results]


def summary(results):
    """Largest imbalance, geometric mean cut, mean seconds and peak MiB of the
    runs of one configuration (None for each when a run failed)."""
    imb = figures(results, "imbalance")
    cuts = figures(results, "cut")
    secs = figures(results, "seconds")
    rss = figures(results, "maxrss_kb")
    return {"imb": max(imb) if imb else None, "cut": geomean(cuts) if cuts else None,
            "sec": sum(secs) / len(secs) if secs else None,
            "mib": max(rss) / 1024 if rss else None}


def flag(imbalance, epsilon):
    if imbalance is None:
        return "-"
    return "OVER" if imbalance > epsilon + 1e-12 else "OK"


def instances(args, zorbel):
    """(name, path, vertices) of every instance to run."""
    paths = instance_paths(args.instances, default=[INSTANCES])
    if args.big and not any(instance_name(p) == "big1m" for p in paths):
        paths.append(netlist("big1m"))
    out = []
    for path in paths:
        out.append((instance_name(path), path, read_instance(zorbel, path).num_vertices))
    if not out:
        sys.exit("targets.py: nothing to run")
    return out


def compare_with_program(runner, todo, args, eps, csv_rows, label, options, program, short,
                         title):
    """One row per instance and k: partition() with options against program."""
    rows = []
    for name, path, nv in todo:
        for k in args.k:
            if k > nv:
                continue
            p = summary(runner.runs(path, name, k, "partition", **options))
            s = summary(runner.runs(path, name, k, program))
            rows.append([name, k, fmt(p["imb"], "%.4f"), flag(p["imb"], eps),
                         fmt(p["cut"]), fmt(s["cut"]), percent(p["cut"], s["cut"]),
                         fmt(s["imb"], "%.4f"), fmt(p["sec"], "%.2f"), fmt(s["sec"], "%.2f"),
                         fmt(p["mib"], "%.0f"), fmt(s["mib"], "%.0f")])
            csv_rows.append({"table": label, "instance": name, "k": k,
                             "imbalance": p["imb"], "flag": flag(p["imb"], eps),
                             "cut": p["cut"], "other_cut": s["cut"],
                             "other_imbalance": s["imb"], "seconds": p["sec"],
                             "other_seconds": s["sec"], "peak_mib": p["mib"],
                             "other_peak_mib": s["mib"]})
    table(title, ["instance", "k", "imb max", "", "cut", program, "vs " + short,
                  short + " imb max", "s", short + " s", "MiB", short + " MiB"], rows)


def main():
    parser = argparse.ArgumentParser(
        usage="bench/targets.py [--threads N] [--seeds N] [--k K...] [--km1-k K] "
              "[--epsilon E] [--quick] [--big] [--skip-kway] [--csv FILE] "
              "[--timeout S] [INSTANCE...]",
        add_help=False)
    parser.add_argument("-h", "--help", action="store_true")
    parser.add_argument("instances", nargs="*", metavar="INSTANCE")
    parser.add_argument("--threads", type=int, default=2)
    parser.add_argument("--seeds", type=int, default=3)
    parser.add_argument("--k", type=int, nargs="+", default=[2, 8, 32, 128])
    parser.add_argument("--km1-k", type=int, default=32)
    parser.add_argument("--epsilon", type=float, default=0.03)
    parser.add_argument("--ubfactor", type=int)
    parser.add_argument("--preset", choices=["fast", "default", "quality"], default="default")
    parser.add_argument("--flows", choices=["on", "off"])
    parser.add_argument("--quick", action="store_true")
    parser.add_argument("--big", action="store_true")
    parser.add_argument("--skip-kway", action="store_true")
    parser.add_argument("--csv", metavar="FILE")
    parser.add_argument("--timeout", type=float, default=3600)
    parser.add_argument("--one", help=argparse.SUPPRESS)
    args = parser.parse_args()
    if args.help:
        print(__doc__, end="")
        return
    if args.one:
        run_one(json.loads(args.one))
        return
    if args.quick:
        args.seeds, args.k = 1, [2, 8]
    if args.seeds < 1 or any(k < 2 for k in args.k + [args.km1_k]):
        parser.error("at least one seed and two parts")

    if args.flows is not None:
        args.flows = args.flows == "on"
    if args.ubfactor is None:
        args.ubfactor = max(1, math.ceil(round(50 * args.epsilon, 9)))
    zorbel = import_zorbel()
    runner = Runner(args)
    todo = instances(args, zorbel)
    eps = args.epsilon
    csv_rows = []
    print("zorbel %s, %d thread(s), seeds 1..%d, epsilon %g; cuts are geometric means "
          "over the seeds, seconds the mean wall time of a call, MiB the largest peak "
          "resident memory of a child\n"
          % (getattr(zorbel, "__version__", "?"), args.threads, args.seeds, eps), flush=True)

    # 1. partition() against simplepart.
    compare_with_program(runner, todo, args, eps, csv_rows, "balance", {}, "simplepart", "sp",
                         "1. partition(epsilon=%g, preset='%s'%s) against simplepart "
                         "(part_recursive, ubfactor %d)"
                         % (eps, args.preset,
                            "" if args.flows is None else ", flows=%s" % args.flows,
                            args.ubfactor))

    # 2. km1 against the cut objective.
    rows = []
    k = args.km1_k
    for name, path, nv in todo:
        if k > nv:
            continue
        with_km1 = runner.runs(path, name, k, "partition", objective="km1")
        with_cut = runner.runs(path, name, k, "partition", objective="cut")
        a, b = figures(with_km1, "km1"), figures(with_cut, "km1")
        ca, cb = figures(with_km1, "cut"), figures(with_cut, "cut")
        km1_a, km1_b = (geomean(a) if a else None), (geomean(b) if b else None)
        imb = figures(with_km1, "imbalance")
        imb = max(imb) if imb else None
        reduction = None if km1_a is None or km1_b is None or km1_b == 0 else \
            100.0 * (1 - km1_a / km1_b)
        goal = KM1_TARGETS.get(name, "none")
        if goal == "none":
            target, status = "-", "-"
        elif goal is None:
            target = "equal"
            status = "-" if reduction is None else ("met" if a == b else "differs")
        else:
            target = ">= %g%%" % goal
            status = "-" if reduction is None else ("met" if reduction >= goal else "MISSED")
        rows.append([name, k, fmt(km1_a), fmt(km1_b), fmt(reduction, "%.1f%%"), target, status,
                     fmt(geomean(ca) if ca else None), fmt(geomean(cb) if cb else None),
                     fmt(imb, "%.4f"), flag(imb, eps)])
        csv_rows.append({"table": "km1", "instance": name, "k": k, "imbalance": imb,
                         "flag": flag(imb, eps), "km1": km1_a, "other_km1": km1_b,
                         "reduction_percent": reduction, "target": target, "status": status,
                         "cut": geomean(ca) if ca else None,
                         "other_cut": geomean(cb) if cb else None})
    table("2. partition(objective='km1') against partition(objective='cut'), k=%d" % k,
          ["instance", "k", "km1 (km1)", "km1 (cut)", "reduction", "target", "",
           "cut (km1)", "cut (cut)", "imb max (km1)", ""], rows)

    # 3. Direct k-way against kwaypart.
    if not args.skip_kway:
        compare_with_program(runner, todo, args, eps, csv_rows, "kway", {"mode": "kway"},
                             "kwaypart", "kp",
                             "3. partition(mode='kway', epsilon=%g) against kwaypart "
                             "(part_kway, ubfactor 5)" % eps)

    print_problems("Problems:", runner.problems)

    if args.csv:
        fields = []
        for row in csv_rows:
            fields += [f for f in row if f not in fields]
        with open(args.csv, "w", newline="") as f:
            writer = csv.DictWriter(f, fieldnames=fields)
            writer.writeheader()
            for row in csv_rows:
                writer.writerow({f: ("%.6g" % v if isinstance(v, float) else v)
                                 for f, v in row.items()})
        print("Wrote %s" % args.csv, file=sys.stderr)
    sys.exit(1 if runner.problems else 0)


if __name__ == "__main__":
    main()
