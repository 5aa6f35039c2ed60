"""What the Python benchmarks (targets.py, quality.py) share: finding the
zorbel module, running one call in a child process of the script, the
instances (files, folders, generated netlists) and the tables."""
import glob
import json
import math
import os
import signal
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
INSTANCES = os.path.normpath(os.path.join(ROOT, "..", "shared", "instances"))
GENERATORS = os.path.normpath(os.path.join(ROOT, "..", "shared", "generators"))
CACHE = os.path.join(os.environ.get("TMPDIR") or "/tmp", "zorbel-bench")

# Each generated netlist: vertices, hyperedges, seed (as in bench/read.sh and
# the generators' README).
NETLISTS = {"big1m": (250000, 260000, 11), "big10m": (2500000, 2600000, 7)}

# Generated hypergraphs with wide hyperedges beside the shared widenets.hgr
# (widenets.py 12000 5): its generator at other sizes and seeds, and
# bench/spreadnets.py. A change that helps or hurts one wide-hyperedge
# instance often only changes the path its refinement takes; these tell.
# Each: the generator, N, SEED.
WIDE = {
    "wide12k11": (os.path.join(GENERATORS, "widenets.py"), 12000, 11),
    "wide20k7": (os.path.join(GENERATORS, "widenets.py"), 20000, 7),
    "spread10k1": (os.path.join(ROOT, "bench", "spreadnets.py"), 10000, 1),
}

# The file formats the module reads, by suffix (a .gz suffix on top is for
# the hypergraph reader only).
FORMATS = (".hgr", ".hgr.gz", ".mtx", ".graph")


def script_name():
    return os.path.basename(sys.argv[0]) or "bench"


def import_zorbel():
    """The zorbel module, from PYTHONPATH or the python build of the tree.
    When this interpreter cannot load it (no NumPy, another version), starts
    the running script again under the interpreter the build was configured
    with."""
    failure = None
    try:
        import numpy  # noqa: F401  (the module hands out NumPy arrays)
        try:
            import zorbel
            return zorbel
        except ImportError:
            pass
        for so in sorted(glob.glob(os.path.join(ROOT, "build", "python", "**", "zorbel*.so"),
                                   recursive=True)):
            sys.path.insert(0, os.path.dirname(so))
            try:
                import zorbel
                return zorbel
            except ImportError as err:
                failure = err
                sys.path.pop(0)
    except ImportError as err:
        failure = err
    built_for = None
    try:
        with open(os.path.join(ROOT, "build", "python", "CMakeCache.txt")) as f:
            for line in f:
                if line.startswith(("_Python_EXECUTABLE:", "Python_EXECUTABLE:")):
                    built_for = line.split("=", 1)[1].strip()
                    break
    except OSError:
        pass
    if (built_for and os.path.exists(built_for)
            and os.path.realpath(built_for) != os.path.realpath(sys.executable)
            and not os.environ.get("ZORBEL_BENCH_REEXEC")):
        os.environ["ZORBEL_BENCH_REEXEC"] = "1"
        os.execv(built_for, [built_for, os.path.abspath(sys.argv[0])] + sys.argv[1:])
    sys.exit("%s: cannot import zorbel%s; build it with "
             "'cmake --workflow --preset python' or set PYTHONPATH"
             % (script_name(), " (%s)" % failure if failure else ""))


# ---------------------------------------------------------------------------
# One call in a child process.

def run_child(script, job, timeout):
    """Starts script again with --one JOB (JSON) and returns (result, why):
    the last line of JSON the child printed, or None and why it failed
    ("timed out after ...", "exit N: last line of stderr"). The child leads
    a process group of its own, so that a timeout also ends the programs it
    started."""
    proc = subprocess.Popen([sys.executable, os.path.abspath(script), "--one", json.dumps(job)],
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                            start_new_session=True)
    try:
        out, err = proc.communicate(timeout=timeout)
    except subprocess.TimeoutExpired:
        try:
            os.killpg(proc.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        proc.communicate()
        return None, "timed out after %g s" % timeout
    if proc.returncode != 0 or not out.strip():
        lines = err.strip().splitlines()
        return None, "exit %d: %s" % (proc.returncode, lines[-1] if lines else "")
    return json.loads(out.strip().splitlines()[-1]), None


# ---------------------------------------------------------------------------
# Instances.

def generate(name, command):
    """CACHE/NAME.hgr, written by command on first use and kept."""
    path = os.path.join(CACHE, name + ".hgr")
    if os.path.exists(path) and os.path.getsize(path) > 0:
        return path
    os.makedirs(CACHE, exist_ok=True)
    print("Generating %s..." % path, file=sys.stderr, flush=True)
    with open(path + ".tmp", "w") as out:
        subprocess.run(command, stdout=out, check=True)
    os.replace(path + ".tmp", path)
    return path


def netlist(name):
    """The generated netlist NAME, made on first use and kept in the cache."""
    vertices, hyperedges, seed = NETLISTS[name]
    gen = os.path.join(GENERATORS, "netlist.cpp")
    exe = os.path.join(CACHE, "netlist")
    if not os.access(exe, os.X_OK):
        if not os.path.exists(gen):
            sys.exit("%s: %s not found" % (script_name(), gen))
        os.makedirs(CACHE, exist_ok=True)
        subprocess.run([os.environ.get("CXX", "c++"), "-O2", "-o", exe, gen], check=True)
    return generate(name, [exe, str(vertices), str(hyperedges), str(seed)])


def wide(name):
    """The generated wide-hyperedge hypergraph NAME, made on first use and
    kept in the cache."""
    gen, n, seed = WIDE[name]
    if not os.path.exists(gen):
        sys.exit("%s: %s not found" % (script_name(), gen))
    return generate(name, [sys.executable, gen, str(n), str(seed)])


def instance_name(path):
    base = os.path.basename(path)
    for suffix in (".gz",) + FORMATS:
        if base.endswith(suffix):
            base = base[: -len(suffix)]
    return base


def readable(path):
    return os.path.basename(path).endswith(FORMATS)


def instance_paths(names, default=(), patterns=("*.hgr",)):
    """The files named: a file, every readable file of a folder, or the
    name of a generated netlist or wide-hyperedge hypergraph (made on
    demand). Without names, the files of the default folders that match
    the patterns; a default folder that is absent gives nothing."""
    paths = []
    for arg in names:
        if arg in NETLISTS:
            paths.append(netlist(arg))
        elif arg in WIDE:
            paths.append(wide(arg))
        elif os.path.isfile(arg):
            paths.append(os.path.abspath(arg))
        elif os.path.isdir(arg):
            found = sorted(os.path.abspath(p) for p in glob.glob(os.path.join(arg, "*"))
                           if os.path.isfile(p) and readable(p))
            if not found:
                print("%s: no instances in %s" % (script_name(), arg), file=sys.stderr)
            paths += found
        else:
            sys.exit("%s: no instance %s" % (script_name(), arg))
    if not names:
        for folder in default:
            found = sorted(p for pattern in patterns
                           for p in glob.glob(os.path.join(folder, pattern)))
            if not found:
                print("%s: no instances in %s" % (script_name(), folder), file=sys.stderr)
            paths += found
    return paths


def read_instance(zorbel, path):
    """The hypergraph of a file, by its suffix: Matrix Market matrices in the
    column-net model, graphs (.graph) as 2-pin hyperedges, else the hypergraph
    format."""
    if path.endswith(".mtx"):
        return zorbel.read_mtx(path)
    if path.endswith(".graph"):
        return zorbel.read_metis(path)
    return zorbel.read_hgr(path)


def write_hgr(hg, path):
    """Writes hg in the hypergraph format, for programs that read no other.
    A hyperedge without pins cannot be written and cuts nothing, so it is
    left out."""
    import numpy as np
    eptr = np.asarray(hg.eptr).tolist()
    eind = (np.asarray(hg.eind, dtype=np.int64) + 1).tolist()
    ewgt, vwgt = hg.hyperedge_weights, hg.vertex_weights
    kept = [e for e in range(hg.num_hyperedges) if eptr[e + 1] > eptr[e]]
    fmt = (10 if vwgt is not None else 0) + (1 if ewgt is not None else 0)
    with open(path, "w") as f:
        f.write("%d %d%s\n" % (len(kept), hg.num_vertices, " %d" % fmt if fmt else ""))
        for e in kept:
            pins = " ".join(map(str, eind[eptr[e]:eptr[e + 1]]))
            f.write(("%d %s\n" % (int(ewgt[e]), pins)) if ewgt is not None else pins + "\n")
        if vwgt is not None:
            f.write("".join("%d\n" % w for w in vwgt))


# ---------------------------------------------------------------------------
# Figures and tables.

def geomean(values):
    """Geometric mean of non-negative counts. A cut can be 0, so the mean is
    taken of count + 1 and 1 taken off again."""
    if not values:
        return None
    return math.exp(sum(math.log(v + 1) for v in values) / len(values)) - 1


def fmt(value, job="%.1f"):
    return "-" if value is None else job % value


def percent(new, old):
    """new against old in per cent, + when new is larger."""
    if new is None or old is None:
        return "-"
    if old == 0:  # both means are of count + 1 underneath; compare those
        new, old = new + 1, old + 1
    return "%+.1f%%" % (100.0 * (new / old - 1))


def table(title, header, rows):
    print(title)
    widths = [max(len(str(c)) for c in col) for col in zip(header, *rows)]
    line = lambda cells: "  ".join(str(c).rjust(w) if i else str(c).ljust(w)
                                   for i, (c, w) in enumerate(zip(cells, widths)))
    print(line(header))
    print("  ".join("-" * w for w in widths))
    for row in rows:
        print(line(row))
    print(flush=True)


def print_problems(title, lines):
    """The runs that went wrong, one per line under title, when there are any."""
    if not lines:
        return
    print(title)
    for line in lines:
        print("  " + line)
    print()
