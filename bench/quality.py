#!/usr/bin/env python3
"""How good the partitions of named configurations are: every configuration
runs on every instance, part count k and seed, each run in a child process
of its own, and its partition is checked and recounted. Prints the mean cut
and km1 of each configuration per instance and k, the geometric mean over
the (instance, k) cases of each configuration's ratio to the baseline, in
the metric and in processor time, and can write every run to a CSV file and
draw a performance profile.

    bench/quality.py [options] [INSTANCE...]

Configurations (--config CFG, repeatable; without one, the two presets
"default:preset=default" and "fast:preset=fast"). NAME is letters, digits
and . _ + -; the first configuration is the baseline unless --baseline
names another.

  NAME:KEY=VALUE[,KEY=VALUE...]
      zorbel.partition(hg, k, KEY=VALUE, ...), every keyword passed through,
      e.g. --config fast:preset=fast,objective=km1. A value is read as an
      integer, a number, true, false or none, else as text; @PATH reads a
      file of integers, one per line (fixed=@{input}.fix). Unless given,
      epsilon is --epsilon, seed the run's seed and threads --threads.
      The partition must keep within epsilon (or max_part_weights) and the
      value returned must be the recounted objective.

  NAME:prog[,OPTION=VALUE...]:COMMAND
      a program, started with COMMAND split into words as a shell would (no
      shell runs; write sh -c '...' for one), these placeholders replaced:
        {input}    the instance as a hypergraph file, in a folder of the
                   run's own (a link to it, or written out when the
                   instance is another format), so that nothing lands
                   beside the instance
        {k} {seed} {epsilon} {threads}
        {part}     a path for the partition file, in the run's folder
        {build}    the build folder (--build)
      The seed and thread count also reach the program as ZORBEL_SEED and
      ZORBEL_NUM_THREADS; a program that takes no seed ignores them. The
      partition (one part per line) is read from {part} when COMMAND names
      it, else from {input}.part.{k}, where the programs write it. Options:
        bound=B     imbalance the partition must keep (default: epsilon;
                    none: not checked)
        epsilon=E   the {epsilon} of this line (default --epsilon)
        part=PATH   the partition file (placeholders allowed)
      e.g. 'sp:prog,bound=0.25:{build}/programs/simplepart {input} {k} 5'
           'cli:prog:{build}/programs/zorbel partition {input} -k {k}
            -e {epsilon} --seed {seed} --threads {threads} -o {part}'

An INSTANCE is a hypergraph file (.hgr, plain or gzip-compressed; .mtx read
column-net, .graph as 2-pin hyperedges), a folder of them, or a generated
hypergraph made on demand: the netlists "big1m" (1.17M pins) and "big10m"
(11.7M pins), and the wide-hyperedge hypergraphs "wide12k11" and "wide20k7"
(../shared/generators/widenets.py 12000 11 and 20000 7) and "spread10k1"
(bench/spreadnets.py 10000 1).
Without instances, every .hgr file in ../shared/instances/ beside the
repository; when there is none, the script says so and stops.

Every run is checked: one part in 0..k-1 per vertex, cut, km1, soed and
imbalance recounted with zorbel.stats. Its status is ok, or
  imbalanced  the heaviest part is over floor((1 + bound) * ceil(W / k))
  invalid     a part out of range, a partition of the wrong length, no
              partition file, or a returned value unlike the recount
  failed      the call raised, or the program exited nonzero or crashed
  timeout     still running after --timeout seconds
A run that is not ok is listed, written to the CSV with its status, and
makes its (instance, k) case failed for its configuration: left out of the
ratios, never within any factor of the best in the profile. The exit status
is 1 when a run was not ok.

Figures: a case's cut, km1 or soed is the arithmetic mean over its seeds.
The ratio of two configurations on a case is the quotient of these means
(0/0 counts as 1); the geometric means of the ratios to the baseline are
taken over the cases both solved with all their runs ok and with nonzero
means. The performance profile shows, for each configuration and factor
tau >= 1, the fraction of cases whose mean --metric is at most tau times
the least mean of any configuration that solved the case.

Seconds are the wall time of the call (for a program, of its process, file
reading and writing included); cpu seconds the processor time of the call
over all its threads (of the program's process); peak MiB the largest
resident memory of the child: for a module call the interpreter and the
hypergraph included, for a program its own, but never less than the
interpreter that starts it (about 14 MiB), which the kernel counts toward
it.

Options:
  --config CFG    a configuration, as above (repeatable)
  --baseline NAME the configuration ratios are taken to (default the first)
  --seeds N       runs of each configuration, seeds 1..N     (default 5)
  --k K...        part counts                                (default 2 8 32)
  --epsilon E     imbalance allowed                          (default 0.03)
  --threads N     threads of each run                        (default 2)
  --timeout S     give up on a run after S seconds           (default 3600)
  --metric M      cut, km1 or soed: of the ratios and profile (default cut)
  --csv FILE      write every run to FILE
  --png FILE      draw the performance profile into FILE
  --parts DIR     keep every partition, as DIR/INSTANCE.CONFIG.kK.sSEED.part
  --build DIR     the {build} of program lines (default: the build folder
                  the module was taken from)
  --big           add the generated netlist big1m
  --wide          add wide12k11, wide20k7 and spread10k1: a change judged on
                  widenets should hold on these too
  --quick         one seed, k 2 and 8 (unless --seeds, --k say otherwise)

The module is taken from PYTHONPATH, else from build/python of the
repository. Progress goes to stderr, the tables to stdout.
"""
import argparse
import csv
import json
import math
import os
import re
import resource
import shlex
import shutil
import subprocess
import sys
import tempfile
import time

from benchlib import (INSTANCES, WIDE, fmt, import_zorbel, instance_name, instance_paths, netlist, print_problems,
                      read_instance, run_child, table, wide, write_hgr)

METRICS = ("cut", "km1", "soed")
CSV_FIELDS = ["instance", "k", "seed", "config", "cut", "km1", "soed", "imbalance", "seconds",
              "cpu_seconds", "peak_mib", "status", "note"]
DEFAULT_CONFIGS = ["default:preset=default", "fast:preset=fast"]
PLACEHOLDER = re.compile(r"\{(input|k|seed|epsilon|threads|part|build)\}")


# ---------------------------------------------------------------------------
# Configurations.

class ConfigError(ValueError):
    pass


def parse_value(text):
    """A keyword's value from the command line: the narrowest reading."""
    lowered = text.lower()
    if lowered in ("none", "true", "false"):
        return {"none": None, "true": True, "false": False}[lowered]
    for kind in (int, float):
        try:
            return kind(text)
        except ValueError:
            pass
    return text


def parse_pairs(text, what):
    pairs = {}
    for item in filter(None, text.split(",")):
        key, eq, value = item.partition("=")
        if not eq or not key.strip():
            raise ConfigError("%s: %r is not KEY=VALUE" % (what, item))
        pairs[key.strip()] = value.strip()
    return pairs


def parse_config(text):
    """A configuration from NAME:KEY=VALUE,... or NAME:prog[,OPTIONS]:COMMAND."""
    name, colon, rest = text.partition(":")
    if not colon or not re.fullmatch(r"[A-Za-z0-9_.+-]+", name):
        raise ConfigError("configuration %r: expected NAME:... with NAME of letters, digits "
                          "and . _ + -" % text)
    if rest == "prog" or rest.startswith(("prog:", "prog,")):
        head, colon, command = rest.partition(":")
        if not colon or not command.strip():
            raise ConfigError("configuration %s: no command after prog:" % name)
        options = parse_pairs(head[len("prog"):], "configuration " + name)
        unknown = set(options) - {"bound", "epsilon", "part"}
        if unknown:
            raise ConfigError("configuration %s: unknown option %s (bound, epsilon, part)"
                              % (name, ", ".join(sorted(unknown))))
        try:
            words = shlex.split(command)
        except ValueError as err:
            raise ConfigError("configuration %s: %s" % (name, err))
        bound = options.get("bound")
        config = {"name": name, "kind": "prog", "words": words,
                  "epsilon": float(options["epsilon"]) if "epsilon" in options else None,
                  "bound": None if bound is None else
                  ("none" if bound.lower() == "none" else float(bound)),
                  "part": options.get("part")}
        return config
    keywords = {key: parse_value(value)
                for key, value in parse_pairs(rest, "configuration " + name).items()}
    for key in ("epsilon",):
        if key in keywords and not isinstance(keywords[key], (int, float)):
            raise ConfigError("configuration %s: %s must be a number" % (name, key))
    return {"name": name, "kind": "module", "keywords": keywords}


def config_epsilon(config, default):
    if config["kind"] == "module":
        return float(config["keywords"].get("epsilon", default))
    return default if config["epsilon"] is None else config["epsilon"]


def config_bound(config, default):
    """The imbalance a configuration's partitions must keep, None for none."""
    if config["kind"] == "prog" and config["bound"] is not None:
        return None if config["bound"] == "none" else config["bound"]
    return config_epsilon(config, default)


# ---------------------------------------------------------------------------
# One run, in a child process.

def substitute(text, values):
    return PLACEHOLDER.sub(lambda m: values[m.group(1)], text)


def read_integers(path):
    with open(path) as f:
        return [int(word) for word in f.read().split()]


def call_module(zorbel, hg, job, values):
    """partition() with the configuration's keywords; its parts, the value it
    returned and the limits of the part weights when they are given."""
    keywords = {}
    for key, value in job["config"]["keywords"].items():
        if isinstance(value, str) and value.startswith("@"):
            value = read_integers(substitute(value[1:], values))
        keywords[key] = value
    keywords.setdefault("epsilon", job["epsilon"])
    keywords.setdefault("seed", job["seed"])
    keywords.setdefault("threads", job["threads"])
    parts, value = zorbel.partition(hg, job["k"], **keywords)
    return parts, value, keywords.get("objective", "cut"), keywords.get("max_part_weights")


def call_program(job, values):
    """Runs the program line; (parts or None, exit code, its last line of
    output, wall seconds, cpu seconds, peak KiB). The instance is linked into
    the run's folder, so that the partition file lands there. The kernel
    counts the resident memory of the process that starts a program toward
    the program's peak, so this runs before the module and NumPy are loaded."""
    config = job["config"]
    values["input"] = os.path.join(job["dir"], os.path.basename(job["hgr"]))
    os.symlink(os.path.abspath(job["hgr"]), values["input"])
    words = [substitute(word, values) for word in config["words"]]
    if config["part"]:
        part_path = substitute(config["part"], values)
    elif any("{part}" in word for word in config["words"]):
        part_path = values["part"]
    else:
        part_path = "%s.part.%d" % (values["input"], job["k"])
    env = dict(os.environ, ZORBEL_SEED=str(job["seed"]), ZORBEL_NUM_THREADS=str(job["threads"]))
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    try:
        proc = subprocess.run(words, cwd=job["dir"], env=env, stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                              errors="replace")
        code, output = proc.returncode, proc.stdout
    except OSError as err:
        code, output = 127, str(err)
    seconds = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    lines = output.strip().splitlines()
    parts = None
    if code == 0 and os.path.exists(part_path):
        try:
            parts = read_integers(part_path)
        except ValueError:
            lines = ["the partition file %s holds more than integers" % part_path]
    elif code == 0:
        lines = ["no partition file %s" % part_path]
    return parts, code, lines[-1] if lines else "", seconds, cpu, after.ru_maxrss


def check(zorbel, hg, parts, k, bound, limits):
    """The figures of a partition and what is wrong with it: (figures,
    status, note)."""
    import numpy as np
    parts = np.asarray(parts, dtype=np.int64)
    if parts.shape != (hg.num_vertices,):
        return {}, "invalid", "%d parts for %d vertices" % (parts.size, hg.num_vertices)
    if parts.size and (parts.min() < 0 or parts.max() >= k):
        return {}, "invalid", "parts out of 0..%d: %d..%d" % (k - 1, parts.min(), parts.max())
    st = zorbel.stats(hg, parts.astype(np.int32), k)
    figures = {"cut": int(st["cut"]), "km1": int(st["km1"]), "soed": int(st["soed"]),
               "imbalance": float(st["imbalance"])}
    weights = np.asarray(st["part_weights"], dtype=np.int64)
    if limits is not None:
        over = [p for p in range(k) if weights[p] > limits[p]]
        if over:
            return figures, "imbalanced", "part %d weighs %d, over its limit %d" % (
                over[0], weights[over[0]], limits[over[0]])
    elif bound is not None:
        vwgt = hg.vertex_weights  # None when every vertex weighs 1
        total = hg.num_vertices if vwgt is None else int(np.asarray(vwgt, np.int64).sum())
        # The tolerance keeps a bound like 0.03 from losing a unit to rounding.
        limit = math.floor((1 + bound) * -(-total // k) + 1e-9)
        if weights.max() > limit:
            return figures, "imbalanced", "heaviest part %d over the limit %d" % (
                weights.max(), limit)
    return figures, "ok", ""


def run_one(job):
    """Runs the job's configuration once, checks the partition and prints one
    line of JSON with its figures and status."""
    config, k = job["config"], job["k"]
    values = {"input": job["path"], "k": str(k), "seed": str(job["seed"]),
              "epsilon": "%g" % job["epsilon"], "threads": str(job["threads"]),
              "part": os.path.join(job["dir"], "partition"), "build": job["build"]}
    result = {"seconds": None, "cpu_seconds": None, "peak_mib": None}
    parts = None
    if config["kind"] == "prog":
        parts, code, last, seconds, cpu, peak_kb = call_program(job, values)
    zorbel = import_zorbel()
    hg = read_instance(zorbel, job["path"])
    if config["kind"] == "module":
        start, cpu_start = time.perf_counter(), time.process_time()
        try:
            parts, value, objective, limits = call_module(zorbel, hg, job, values)
            status, note = None, ""
        except Exception as err:  # a refused keyword is the configuration's failure
            status, note = "failed", "%s: %s" % (type(err).__name__, err)
        result["seconds"] = time.perf_counter() - start
        result["cpu_seconds"] = time.process_time() - cpu_start
        result["peak_mib"] = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024
    else:
        result.update(seconds=seconds, cpu_seconds=cpu, peak_mib=peak_kb / 1024)
        limits = None
        if code != 0:
            status, note = "failed", "%s: %s" % (
                "exit %d" % code if code > 0 else "killed by signal %d" % -code, last)
        elif parts is None:
            status, note = "invalid", last
        else:
            status, note = None, ""
    if status is None:
        figures, status, note = check(zorbel, hg, parts, k, job["bound"], limits)
        result.update(figures)
        if status == "ok" and config["kind"] == "module" and value != figures.get(objective):
            status, note = "invalid", "returned %s %s, recounted %s" % (
                objective, value, figures.get(objective))
        if job.get("save"):
            with open(job["save"], "w") as f:
                f.write("".join("%d\n" % p for p in parts))
    result.update(status=status, note=note)
    print(json.dumps(result))


# ---------------------------------------------------------------------------
# Figures over the runs.

def ratio(value, best):
    """value against best: 0/0 is 1, anything else over 0 never close."""
    if value == best:
        return 1.0
    return math.inf if best == 0 else value / best


def case_means(runs, field):
    """The mean of field over the runs of a case, None when a run is not ok."""
    if not runs or any(r["status"] != "ok" for r in runs):
        return None
    return sum(r[field] for r in runs) / len(runs)


def profile(cases, names):
    """Per configuration, its ratio to the best on every case (inf where it
    failed); cases maps a case to {name: mean or None}."""
    out = {name: [] for name in names}
    for means in cases.values():
        solved = [m for m in means.values() if m is not None]
        best = min(solved) if solved else None
        for name in names:
            m = means.get(name)
            out[name].append(math.inf if m is None else ratio(m, best))
    return out


def within(ratios, tau):
    """The fraction of the ratios at most tau."""
    return sum(r <= tau for r in ratios) / len(ratios) if ratios else 0.0


def geomean_ratio(pairs):
    """Geometric mean of a / b over pairs both solved (0/0 counting as 1,
    other zeros left out), and how many pairs it took."""
    logs = []
    for a, b in pairs:
        if a is None or b is None:
            continue
        if a == b == 0:
            logs.append(0.0)
        elif a > 0 and b > 0:
            logs.append(math.log(a / b))
    return (math.exp(sum(logs) / len(logs)) if logs else None), len(logs)


def draw_profile(path, ratios, metric, seeds, ncases):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    finite = [r for rs in ratios.values() for r in rs if math.isfinite(r)]
    tau_max = min(100.0, max([1.1] + [1.05 * r for r in finite]))
    fig, ax = plt.subplots(figsize=(7, 4.5))
    # Configurations that tie draw the same curve: each later one thinner and
    # dashed differently, so that none hides another.
    styles = ["-", "--", "-.", ":"]
    for i, (name, rs) in enumerate(ratios.items()):
        steps = sorted(r for r in rs if r <= tau_max)
        xs = [1.0] + steps + [tau_max]
        ys = [within(rs, 1.0)] + [within(rs, x) for x in steps] + [within(rs, tau_max)]
        failed = sum(1 for r in rs if math.isinf(r))
        ax.step(xs, ys, where="post", linewidth=max(1.0, 3.0 - 0.6 * i),
                linestyle=styles[i % len(styles)],
                label=name + (" (%d failed)" % failed if failed else ""))
    if tau_max > 4:
        ax.set_xscale("log")
    ax.set_xlim(1.0, tau_max)
    ax.set_ylim(0.0, 1.02)
    ax.set_xlabel(r"$\tau$: within a factor $\tau$ of the best configuration")
    ax.set_ylabel("fraction of (instance, k) cases")
    ax.set_title("Performance profile: mean %s over seeds 1..%d, %d cases"
                 % (metric, seeds, ncases))
    ax.grid(True, alpha=0.3)
    ax.legend(loc="lower right")
    fig.tight_layout()
    fig.savefig(path, dpi=110)
    plt.close(fig)


# ---------------------------------------------------------------------------
# The parent.

def default_build(zorbel):
    """The build folder the module sits in (BUILD/python/zorbel*.so)."""
    where = getattr(zorbel, "__file__", None)
    if where:
        return os.path.dirname(os.path.dirname(os.path.abspath(where)))
    return os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "build")


class Bench:
    def __init__(self, args, configs, build):
        self.args, self.configs, self.build = args, configs, build
        self.runs = {}  # (instance, k, config) -> results of its seeds
        self.bad = []
        self.count = 0
        self.writer = None
        self.converted = None  # folder of the instances written as hypergraph files

    def hgr(self, path, zorbel):
        """The instance as a hypergraph file, for programs that read no other
        format: itself, or written out once per benchmark."""
        if path.endswith((".hgr", ".hgr.gz")):
            return path
        if self.converted is None:
            self.converted = tempfile.mkdtemp(prefix="zorbel-quality-hgr-")
        written = os.path.join(self.converted, instance_name(path) + ".hgr")
        if not os.path.exists(written):
            write_hgr(read_instance(zorbel, path), written)
        return written

    def close(self):
        if self.converted:
            shutil.rmtree(self.converted, ignore_errors=True)

    def run(self, name, path, hgr, k, config, seed, total):
        run_dir = tempfile.mkdtemp(prefix="zorbel-quality-")
        save = None
        if self.args.parts:
            save = os.path.join(os.path.abspath(self.args.parts),
                                "%s.%s.k%d.s%d.part" % (name, config["name"], k, seed))
        job = {"path": path, "hgr": hgr, "k": k, "seed": seed, "threads": self.args.threads,
               "epsilon": config_epsilon(config, self.args.epsilon),
               "bound": config_bound(config, self.args.epsilon), "config": config,
               "dir": run_dir, "build": self.build, "save": save}
        try:
            result, why = run_child(__file__, job, self.args.timeout)
        finally:
            shutil.rmtree(run_dir, ignore_errors=True)
        if result is None:
            result = {"status": "timeout" if why.startswith("timed out") else "failed",
                      "note": why}
        self.count += 1
        progress = "[%d/%d] %s k=%d seed=%d %s" % (self.count, total, name, k, seed,
                                                   config["name"])
        if "cut" in result:
            progress += ": cut %d, km1 %d, imbalance %.4f" % (
                result["cut"], result["km1"], result["imbalance"])
        if result.get("seconds") is not None:
            progress += ", %.2f s (cpu %.2f s), %.0f MiB" % (
                result["seconds"], result["cpu_seconds"], result["peak_mib"])
        if result["status"] != "ok":
            progress += "  ** %s: %s" % (result["status"].upper(), result["note"])
            self.bad.append("%s %s k=%d seed=%d: %s, %s" % (
                config["name"], name, k, seed, result["status"], result["note"]))
        print(progress, file=sys.stderr, flush=True)
        self.runs.setdefault((name, k, config["name"]), []).append(result)
        if self.writer:
            row = {"instance": name, "k": k, "seed": seed, "config": config["name"]}
            for field in CSV_FIELDS[4:]:
                value = result.get(field)
                row[field] = "%.6g" % value if isinstance(value, float) else value
            self.writer.writerow(row)
            self.csv_file.flush()


def instances(args, zorbel):
    """(name, path, vertices) of every instance that reads, names made
    unique, and what is wrong with those that do not."""
    paths = instance_paths(args.instances, default=[INSTANCES])
    if args.big and not any(instance_name(p) == "big1m" for p in paths):
        paths.append(netlist("big1m"))
    if args.wide:
        paths += [wide(name) for name in WIDE if not any(instance_name(p) == name for p in paths)]
    out, seen, unreadable = [], set(), []
    for path in paths:
        name = instance_name(path)
        while name in seen:
            name += "+"
        seen.add(name)
        try:
            out.append((name, path, read_instance(zorbel, path).num_vertices))
        except (OSError, ValueError) as err:
            unreadable.append("%s: not read, %s" % (path, err))
            print("quality.py: %s" % unreadable[-1], file=sys.stderr)
    return out, unreadable


def report(bench, todo, names, baseline, args):
    """The tables, and the profile when asked for."""
    metric = args.metric
    cases = [(name, k) for name, _, nv in todo for k in args.k if k <= nv]
    rows = []
    others = [n for n in names if n != baseline]
    for name, k in cases:
        row = [name, k]
        for field in ("cut", "km1"):
            for c in names:
                runs = bench.runs.get((name, k, c), [])
                ok = [r for r in runs if r["status"] == "ok"]
                mean = sum(r[field] for r in ok) / len(ok) if ok else None
                row.append("failed" if runs and not ok else
                           fmt(mean) + ("!" if len(ok) < len(runs) else ""))
        for c in others:
            a = case_means(bench.runs.get((name, k, c), []), metric)
            b = case_means(bench.runs.get((name, k, baseline), []), metric)
            row.append("-" if a is None or b is None else "%.3f" % ratio(a, b))
        rows.append(row)
    header = (["instance", "k"] + ["cut " + c for c in names] + ["km1 " + c for c in names]
              + ["%s %s/%s" % (metric, c, baseline) for c in others])
    table("Mean cut and km1 over seeds 1..%d (! a run not ok, left out of the mean)"
          % args.seeds, header, rows)

    rows = []
    for c in names:
        runs = [r for name, k in cases for r in bench.runs.get((name, k, c), [])]
        ok = [r for r in runs if r["status"] == "ok"]
        solved = sum(1 for name, k in cases
                     if case_means(bench.runs.get((name, k, c), []), metric) is not None)
        q, nq = geomean_ratio([(case_means(bench.runs.get((n, k, c), []), metric),
                                case_means(bench.runs.get((n, k, baseline), []), metric))
                               for n, k in cases])
        t, _ = geomean_ratio([(case_means(bench.runs.get((n, k, c), []), "cpu_seconds"),
                               case_means(bench.runs.get((n, k, baseline), []), "cpu_seconds"))
                              for n, k in cases])
        timed = [r for r in runs if r.get("seconds") is not None]
        rows.append([c, "%d/%d" % (len(ok), len(runs)), "%d/%d" % (solved, len(cases)),
                     fmt(q, "%.3f"), nq, fmt(t, "%.3f"),
                     fmt(max((r["imbalance"] for r in ok), default=None), "%.4f"),
                     fmt(sum(r["seconds"] for r in timed) / len(timed) if timed else None,
                         "%.2f"),
                     fmt(sum(r["cpu_seconds"] for r in timed) / len(timed) if timed else None,
                         "%.2f"),
                     fmt(max((r["peak_mib"] for r in timed), default=None), "%.0f")])
    table("Against %s: geometric means over the cases of the ratio of mean %s and of "
          "mean cpu seconds" % (baseline, metric),
          ["config", "runs ok", "cases ok", metric + " ratio", "cases", "cpu ratio",
           "imb max", "wall s", "cpu s", "peak MiB"], rows)

    print_problems("Runs not ok:", bench.bad)

    if args.png:
        means = {case: {c: case_means(bench.runs.get(case + (c,), []), metric) for c in names}
                 for case in cases}
        draw_profile(args.png, profile(means, names), metric, args.seeds, len(cases))
        print("Wrote %s" % args.png, file=sys.stderr)


def shown(word):
    """A word of a program line as it would be typed, placeholders bare."""
    return word if re.fullmatch(r"[\w@%+=:,./{}-]+", word) else shlex.quote(word)


def parse_args(argv=None):
    parser = argparse.ArgumentParser(
        usage="bench/quality.py [--config CFG]... [--baseline NAME] [--seeds N] [--k K...] "
              "[--epsilon E] [--threads N] [--timeout S] [--metric cut|km1|soed] "
              "[--csv FILE] [--png FILE] [--parts DIR] [--build DIR] [--big] [--wide] [--quick] "
              "[INSTANCE...]",
        add_help=False)
    parser.add_argument("-h", "--help", action="store_true")
    parser.add_argument("instances", nargs="*", metavar="INSTANCE")
    parser.add_argument("--config", action="append", default=[])
    parser.add_argument("--baseline")
    parser.add_argument("--seeds", type=int)
    parser.add_argument("--k", type=int, nargs="+")
    parser.add_argument("--epsilon", type=float, default=0.03)
    parser.add_argument("--threads", type=int, default=2)
    parser.add_argument("--timeout", type=float, default=3600)
    parser.add_argument("--metric", choices=METRICS, default="cut")
    parser.add_argument("--csv", metavar="FILE")
    parser.add_argument("--png", metavar="FILE")
    parser.add_argument("--parts", metavar="DIR")
    parser.add_argument("--build", metavar="DIR")
    parser.add_argument("--big", action="store_true")
    parser.add_argument("--wide", action="store_true")
    parser.add_argument("--quick", action="store_true")
    parser.add_argument("--one", help=argparse.SUPPRESS)
    args = parser.parse_args(argv)
    # --quick changes the defaults only: what is given stays.
    if args.seeds is None:
        args.seeds = 1 if args.quick else 5
    if args.k is None:
        args.k = [2, 8] if args.quick else [2, 8, 32]
    if not args.help and not args.one:
        if args.seeds < 1 or any(k < 2 for k in args.k) or args.threads < 1:
            parser.error("at least one seed, two parts and one thread")
        try:
            args.configs = [parse_config(s) for s in (args.config or DEFAULT_CONFIGS)]
        except ConfigError as err:
            parser.error(str(err))
        names = [c["name"] for c in args.configs]
        if len(set(names)) != len(names):
            parser.error("two configurations named alike: %s" % ", ".join(names))
        args.baseline = args.baseline or names[0]
        if args.baseline not in names:
            parser.error("no configuration %s to be the baseline" % args.baseline)
    return args


def main():
    args = parse_args()
    if args.help:
        print(__doc__, end="")
        return
    if args.one:
        run_one(json.loads(args.one))
        return

    zorbel = import_zorbel()
    todo, unreadable = instances(args, zorbel)
    if not todo and not unreadable:
        print("quality.py: no instances, nothing to run", file=sys.stderr)
        return
    build = os.path.abspath(args.build) if args.build else default_build(zorbel)
    if args.parts:
        os.makedirs(args.parts, exist_ok=True)
    names = [c["name"] for c in args.configs]
    bench = Bench(args, args.configs, build)
    bench.bad += unreadable
    print("zorbel %s, %d thread(s), seeds 1..%d, epsilon %g, k %s; baseline %s; metric %s\n"
          % (getattr(zorbel, "__version__", "?"), args.threads, args.seeds, args.epsilon,
             " ".join(map(str, args.k)), args.baseline, args.metric))
    for c in args.configs:
        if c["kind"] == "module":
            print("  %-12s partition(%s)" % (c["name"], ", ".join(
                "%s=%r" % kv for kv in c["keywords"].items())))
        else:
            bound = config_bound(c, args.epsilon)
            print("  %-12s %s  (imbalance bound %s)" % (
                c["name"], " ".join(shown(w) for w in c["words"]),
                "none" if bound is None else "%g" % bound))
    print(flush=True)

    total = sum(len(args.configs) * args.seeds for _, _, nv in todo for k in args.k if k <= nv)
    if args.csv:
        bench.csv_file = open(args.csv, "w", newline="")
        bench.writer = csv.DictWriter(bench.csv_file, fieldnames=CSV_FIELDS)
        bench.writer.writeheader()
    for name, path, nv in todo:
        for k in args.k:
            if k > nv:
                print("%s: k=%d is more than its %d vertices, left out" % (name, k, nv),
                      file=sys.stderr)
                continue
            for config in args.configs:
                hgr = bench.hgr(path, zorbel) if config["kind"] == "prog" else path
                for seed in range(1, args.seeds + 1):
                    bench.run(name, path, hgr, k, config, seed, total)
    bench.close()
    if args.csv:
        bench.csv_file.close()
        print("Wrote %s" % args.csv, file=sys.stderr)
    report(bench, todo, names, args.baseline, args)
    sys.exit(1 if bench.bad else 0)


if __name__ == "__main__":
    main()
