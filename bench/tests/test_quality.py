"""The quality benchmark on a small instance: rows, recounts, statuses and
the profile's figures."""
import csv
import math
import os
import subprocess
import sys
from pathlib import Path

import pytest

BENCH = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(BENCH))
import quality  # noqa: E402

EXAMPLES = Path(os.environ.get("ZORBEL_EXAMPLES", BENCH.parent / "examples"))
GRID = EXAMPLES / "grid4x80.hgr"
PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def read_hgr(path):
    """Hyperedges, their weights and the vertex weights of a hypergraph file,
    read here without the module."""
    with open(path) as f:
        lines = [line.split() for line in f if line.strip() and not line.startswith("%")]
    header = [int(x) for x in lines[0]]
    nhedges, nvtxs = header[0], header[1]
    fmt = header[2] if len(header) > 2 else 0
    edges, ewgt = [], []
    for words in lines[1:1 + nhedges]:
        numbers = [int(x) for x in words]
        if fmt % 10:
            ewgt.append(numbers.pop(0))
        else:
            ewgt.append(1)
        edges.append([v - 1 for v in numbers])
    vwgt = [int(w[0]) for w in lines[1 + nhedges:1 + nhedges + nvtxs]] if fmt // 10 % 10 \
        else [1] * nvtxs
    return edges, ewgt, vwgt


def recount(edges, ewgt, vwgt, parts, k):
    cut = km1 = soed = 0
    for pins, w in zip(edges, ewgt):
        spanned = len({parts[v] for v in pins})
        if spanned > 1:
            cut += w
            km1 += w * (spanned - 1)
            soed += w * spanned
    weights = [0] * k
    for v, p in enumerate(parts):
        weights[p] += vwgt[v]
    return cut, km1, soed, max(weights) / -(-sum(vwgt) // k) - 1


def run_quality(tmp_path, *args):
    return subprocess.run([sys.executable, str(BENCH / "quality.py"), *args,
                           "--csv", str(tmp_path / "runs.csv"), "--png", str(tmp_path / "p.png"),
                           "--threads", "1", "--timeout", "120", str(GRID)],
                          capture_output=True, text=True, timeout=300)


def read_rows(tmp_path):
    with open(tmp_path / "runs.csv", newline="") as f:
        reader = csv.DictReader(f)
        return reader.fieldnames, list(reader)


def test_two_configurations_write_a_row_per_run_that_a_recount_confirms(tmp_path):
    simplepart = os.environ.get("ZORBEL_SIMPLEPART")
    if not simplepart:
        pytest.skip("the program's path comes from CTest")
    before = sorted(os.listdir(EXAMPLES))
    run = run_quality(tmp_path, "--config", "fast:preset=fast",
                      "--config", "sp:prog,bound=0.5:%s {input} {k} 5" % simplepart,
                      "--k", "2", "4", "--seeds", "2", "--parts", str(tmp_path / "parts"))
    assert run.returncode == 0, run.stdout + run.stderr

    fields, rows = read_rows(tmp_path)
    assert fields == ["instance", "k", "seed", "config", "cut", "km1", "soed", "imbalance",
                      "seconds", "cpu_seconds", "peak_mib", "status", "note"]
    assert sorted((r["config"], r["k"], r["seed"]) for r in rows) == sorted(
        (c, k, s) for c in ("fast", "sp") for k in ("2", "4") for s in ("1", "2"))
    edges, ewgt, vwgt = read_hgr(GRID)
    for r in rows:
        assert r["instance"] == "grid4x80" and r["status"] == "ok", r
        assert float(r["seconds"]) >= 0 and float(r["cpu_seconds"]) >= 0
        assert float(r["peak_mib"]) > 0
        k = int(r["k"])
        with open(tmp_path / "parts" / ("grid4x80.%s.k%d.s%s.part" % (r["config"], k, r["seed"]))) as f:
            parts = [int(x) for x in f.read().split()]
        assert len(parts) == len(vwgt) and set(parts) <= set(range(k))
        cut, km1, soed, imbalance = recount(edges, ewgt, vwgt, parts, k)
        assert (int(r["cut"]), int(r["km1"]), int(r["soed"])) == (cut, km1, soed)
        assert float(r["imbalance"]) == pytest.approx(imbalance, abs=1e-5)
        if r["config"] == "fast":
            assert imbalance <= 0.03 + 1e-9

    # The program wrote its partition in the run's folder, not beside the example.
    assert sorted(os.listdir(EXAMPLES)) == before
    assert "cut fast" in run.stdout and "cut sp" in run.stdout and "cut sp/fast" in run.stdout
    assert any(line.startswith("grid4x80") for line in run.stdout.splitlines())
    assert (tmp_path / "p.png").read_bytes()[:8] == PNG_SIGNATURE


def test_runs_over_their_bound_or_failing_are_reported_not_dropped(tmp_path):
    # A program that puts every vertex into the same part: a partition, never a balanced one.
    lazy = tmp_path / "lazy.py"
    lazy.write_text(
        "import sys\n"
        "lines = [l for l in open(sys.argv[1]) if not l.startswith('%')]\n"
        "open(sys.argv[2], 'w').write('0\\n' * int(lines[0].split()[1]))\n")
    run = run_quality(tmp_path, "--config", "fast:preset=fast",
                      "--config", "lazy:prog:%s %s {input} {part}" % (sys.executable, lazy),
                      "--config", "broken:prog:sh -c 'exit 3'",
                      "--config", "typo:preset=fastest",
                      "--k", "2", "--seeds", "1")
    assert run.returncode == 1, run.stdout + run.stderr
    _, rows = read_rows(tmp_path)
    status = {r["config"]: r for r in rows}
    assert sorted(status) == ["broken", "fast", "lazy", "typo"]
    assert status["fast"]["status"] == "ok"
    assert status["lazy"]["status"] == "imbalanced"
    assert float(status["lazy"]["imbalance"]) == pytest.approx(1.0)
    assert status["broken"]["status"] == "failed" and "exit 3" in status["broken"]["note"]
    assert status["typo"]["status"] == "failed" and "preset" in status["typo"]["note"]
    assert "Runs not ok:" in run.stdout and "lazy grid4x80 k=2 seed=1: imbalanced" in run.stdout
    assert (tmp_path / "p.png").read_bytes()[:8] == PNG_SIGNATURE


def test_profile_never_counts_a_failed_case_within_any_tau():
    cases = {("a", 2): {"x": 10.0, "y": 12.0, "z": None},
             ("a", 8): {"x": 0.0, "y": 0.0, "z": 3.0},
             ("b", 2): {"x": None, "y": 5.0, "z": 4.0}}
    ratios = quality.profile(cases, ["x", "y", "z"])
    assert ratios["x"] == [1.0, 1.0, math.inf]
    assert ratios["y"] == [1.2, 1.0, 1.25]
    assert ratios["z"] == [math.inf, math.inf, 1.0]
    assert quality.within(ratios["x"], 1e9) == pytest.approx(2 / 3)
    assert quality.within(ratios["y"], 1.2) == pytest.approx(2 / 3)
    assert quality.within(ratios["z"], 1.0) == pytest.approx(1 / 3)


def test_geometric_mean_ratio_takes_only_cases_both_solved():
    value, used = quality.geomean_ratio([(2.0, 1.0), (1.0, 2.0), (None, 3.0), (0.0, 0.0),
                                         (4.0, 4.0), (0.0, 5.0)])
    assert used == 4 and value == pytest.approx(1.0)
    value, used = quality.geomean_ratio([(9.0, 1.0), (1.0, 1.0)])
    assert used == 2 and value == pytest.approx(3.0)


def test_configurations_read_module_keywords_and_program_lines():
    c = quality.parse_config("fast:preset=fast,objective=km1,epsilon=0.05,seed=none")
    assert c == {"name": "fast", "kind": "module",
                 "keywords": {"preset": "fast", "objective": "km1", "epsilon": 0.05,
                              "seed": None}}
    assert quality.config_bound(c, 0.03) == 0.05
    c = quality.parse_config("sp:prog,bound=0.25:{build}/sp '{input}' {k} 5")
    assert c["kind"] == "prog" and c["words"] == ["{build}/sp", "{input}", "{k}", "5"]
    assert quality.config_bound(c, 0.03) == 0.25
    c = quality.parse_config("cli:prog:zorbel partition {input} -o {part}")
    assert quality.config_bound(c, 0.03) == 0.03 and c["part"] is None
    assert quality.config_bound(quality.parse_config("x:prog,bound=none:true"), 0.03) is None
    for bad in ("preset=fast", "a b:preset=fast", "x:prog", "x:prog,colour=red:true",
                "x:preset", "x:epsilon=small"):
        with pytest.raises(quality.ConfigError):
            quality.parse_config(bad)


def test_wide_instances_are_made_once_by_their_generator(tmp_path, monkeypatch):
    import benchlib
    monkeypatch.setattr(benchlib, "CACHE", str(tmp_path))
    gen, n, seed = benchlib.WIDE["spread10k1"]
    expected = subprocess.run([sys.executable, gen, str(n), str(seed)], capture_output=True,
                              text=True, check=True).stdout
    [path] = benchlib.instance_paths(["spread10k1"])
    assert path == str(tmp_path / "spread10k1.hgr")
    assert Path(path).read_text() == expected
    made = os.stat(path).st_mtime_ns
    assert benchlib.instance_paths(["spread10k1"]) == [path]
    assert os.stat(path).st_mtime_ns == made
