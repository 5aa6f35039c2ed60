import os
import random
import re
import shutil
import subprocess
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

import numpy as np
import pytest

import zorbel

EXAMPLES = Path(os.environ.get("ZORBEL_EXAMPLES", Path(__file__).parents[2] / "examples"))
GRID = EXAMPLES / "grid4x80.hgr"


def random_hypergraph(rng, nvtxs=60, nhedges=90, weighted=True):
    edges = [rng.sample(range(nvtxs), rng.randint(1, 6)) for _ in range(nhedges)]
    vw = [rng.randint(0, 4) for _ in range(nvtxs)] if weighted else None
    hw = [rng.randint(0, 5) for _ in range(nhedges)] if weighted else None
    return zorbel.Hypergraph(nvtxs, edges, vw, hw), edges, vw, hw


def brute_stats(edges, vw, hw, parts, nparts):
    cut = soed = 0
    absorption = 0.0
    pw, pd = [0] * nparts, [0] * nparts
    for v, p in enumerate(parts):
        pw[p] += vw[v] if vw else 1
    for e, pins in enumerate(edges):
        w = hw[e] if hw else 1
        counts = {}
        for v in pins:
            counts[parts[v]] = counts.get(parts[v], 0) + 1
        if len(counts) == 1:
            absorption += 1
            continue
        cut += w
        for p, c in counts.items():
            soed += w
            pd[p] += w
            absorption += (c - 1) / (len(pins) - 1)
    return cut, soed, absorption, pw, pd


@pytest.mark.parametrize("program", ["simplepart", "kwaypart"])
def test_same_partition_and_report_as_the_program_for_a_seed(program, tmp_path):
    exe = os.environ.get("ZORBEL_" + program.upper())
    if not exe:
        pytest.skip("the programs' paths come from CTest")
    shutil.copy(GRID, tmp_path)
    hgr = tmp_path / GRID.name
    args = [exe, str(hgr), "4", "5"] + (["10", "1", "1", "1", "0"] if program == "kwaypart" else [])
    run = subprocess.run(args, env=dict(os.environ, ZORBEL_SEED="7"), capture_output=True,
                         text=True, check=True)
    expected = np.loadtxt(str(hgr) + ".part.4", dtype=np.int32)

    hg = zorbel.read_hgr(hgr)
    if program == "kwaypart":
        parts, cut = zorbel.part_kway(hg, 4, 5, seed=7)
    else:
        parts, cut = zorbel.part_recursive(hg, 4, 5, seed=7)
    assert parts.dtype == np.int32
    np.testing.assert_array_equal(parts, expected)
    figures = zorbel.stats(hg, parts)
    assert cut == figures["cut"]
    assert int(re.search(r"Hyperedge Cut:\s*(\d+)", run.stdout).group(1)) == figures["cut"]
    assert int(re.search(r"External Degrees:\s*(\d+)", run.stdout).group(1)) == figures["soed"]


def test_list_and_compressed_rows_give_the_same_read_only_arrays():
    a = zorbel.Hypergraph(4, [[0, 1, 2], [2, 3], [1, 3]], hyperedge_weights=[1, 2, 3])
    b = zorbel.Hypergraph(4, (np.array([0, 3, 5, 7]), [0, 1, 2, 2, 3, 1, 3]), None, (1, 2, 3))
    for hg in (a, b):
        assert (hg.num_vertices, hg.num_hyperedges, hg.num_pins) == (4, 3, 7)
        assert hg.eptr.tolist() == [0, 3, 5, 7] and hg.eind.tolist() == [0, 1, 2, 2, 3, 1, 3]
        assert hg.vertex_weights is None and hg.hyperedge_weights.tolist() == [1, 2, 3]
        assert hg.eind.dtype == np.int32 and not hg.eind.flags.writeable
        assert np.shares_memory(hg.eind, hg.eind)  # two reads, one buffer: no copies


def test_read_hgr_reads_the_example_and_reports_bad_files(tmp_path):
    hg = zorbel.read_hgr(str(GRID))
    assert (hg.num_vertices, hg.num_hyperedges) == (320, 754)
    assert hg.vertex_weights is None and hg.hyperedge_weights is not None
    with pytest.raises(OSError):
        zorbel.read_hgr(tmp_path / "absent.hgr")
    bad = tmp_path / "bad.hgr"
    bad.write_text("2 3\n1 2\n\n")
    open_files = len(os.listdir("/proc/self/fd"))
    for _ in range(20):
        with pytest.raises(ValueError, match="bad.hgr"):
            zorbel.read_hgr(bad)
    assert len(os.listdir("/proc/self/fd")) == open_files  # the reader closed it each time


def test_read_mtx_and_read_metis_give_the_models_hypergraphs(tmp_path):
    mtx = tmp_path / "a.mtx"
    # 3 x 4, symmetric entries mirrored only in symmetric files: this one is general.
    mtx.write_text("%%MatrixMarket matrix coordinate real general\n% c\n3 4 5\n"
                   "1 1 2.0\n3 1 0\n2 2 1e3\n1 4 -1\n3 4 7\n")
    cols = zorbel.read_mtx(mtx)
    assert (cols.num_vertices, cols.num_hyperedges) == (3, 3)  # column 3 is empty
    assert cols.eptr.tolist() == [0, 2, 3, 5] and cols.eind.tolist() == [0, 2, 1, 0, 2]
    rows = zorbel.read_mtx(mtx, model="rows")
    assert (rows.num_vertices, rows.num_hyperedges) == (4, 3)
    assert rows.eptr.tolist() == [0, 2, 3, 5] and rows.eind.tolist() == [0, 3, 1, 0, 3]
    with pytest.raises(ValueError, match="model"):
        zorbel.read_mtx(mtx, model="diagonal")
    graph = tmp_path / "g.graph"
    graph.write_text("3 2 11\n5 2 7\n1 1 7 3 4\n2 2 4\n")
    hg = zorbel.read_metis(graph)
    assert (hg.num_vertices, hg.num_hyperedges) == (3, 2)
    assert hg.eptr.tolist() == [0, 2, 4] and hg.eind.tolist() == [0, 1, 1, 2]
    assert hg.vertex_weights.tolist() == [5, 1, 2] and hg.hyperedge_weights.tolist() == [7, 4]
    graph.write_text("3 2\n2\n1 3\n\n")
    with pytest.raises(ValueError, match="g.graph, line 3"):
        zorbel.read_metis(graph)


def test_stats_equal_a_brute_force_recount():
    rng = random.Random(5)
    for weighted in (False, True):
        hg, edges, vw, hw = random_hypergraph(rng, weighted=weighted)
        parts = [rng.randrange(5) for _ in range(hg.num_vertices)]
        s = zorbel.stats(hg, parts, num_parts=6)
        cut, soed, absorption, pw, pd = brute_stats(edges, vw, hw, parts, 6)
        assert (s["num_parts"], s["cut"], s["soed"]) == (6, cut, soed)
        assert s["absorption"] == pytest.approx(absorption, rel=1e-5)
        assert s["part_weights"].tolist() == pw and s["part_external_degrees"].tolist() == pd
        km1 = sum((hw[e] if hw else 1) * (len({parts[v] for v in edge}) - 1) for e, edge in enumerate(edges))
        assert s["km1"] == km1
        assert s["imbalance"] == pytest.approx(max(pw) / -(-sum(pw) // 6) - 1)


def test_partitions_are_valid_repeatable_and_independent_of_threads():
    hg, *_ = random_hypergraph(random.Random(9), nvtxs=300, nhedges=500, weighted=False)
    parts, cut = zorbel.part_recursive(hg, 3, 10, seed=3, threads=1)
    assert set(parts.tolist()) == {0, 1, 2} and cut == zorbel.stats(hg, parts)["cut"]
    again, cut2 = zorbel.part_recursive(hg, 3, 10, seed=3, threads=2)
    np.testing.assert_array_equal(parts, again)
    fixed = [-1] * 300
    fixed[:3] = [2, 1, 0]
    held, _ = zorbel.part_recursive(hg, 3, 10, fixed=fixed, seed=1)
    assert held[:3].tolist() == [2, 1, 0]
    kparts, soed = zorbel.part_kway(hg, 4, 10, objective="soed", seed=3)
    assert soed == zorbel.stats(hg, kparts, 4)["soed"]


def test_partition_equals_the_c_entry_point_and_keeps_the_bound():
    # The C entry point with the same seed: ZORBEL_Partition through ctypes.
    import ctypes

    lib = ctypes.CDLL(zorbel.__file__)
    hg, edges, vw, hw = random_hypergraph(random.Random(12), nvtxs=400, nhedges=600, weighted=True)
    for k, objective, mode in ((8, "km1", "recursive"), (5, "cut", "kway"), (3, "soed", "recursive")):
        parts, value = zorbel.partition(hg, k, objective=objective, mode=mode, preset="fast", seed=7)
        s = zorbel.stats(hg, parts, k)
        assert value == s[objective]
        assert max(s["part_weights"]) <= int(1.03 * -(-sum(s["part_weights"]) // k) + 1e-9)

        class Config(ctypes.Structure):
            _fields_ = [("size", ctypes.c_size_t), ("epsilon", ctypes.c_double),
                        ("objective", ctypes.c_int), ("mode", ctypes.c_int), ("preset", ctypes.c_int),
                        ("seed", ctypes.c_int), ("threads", ctypes.c_int),
                        ("fixed", ctypes.c_void_p), ("max_part_weights", ctypes.c_void_p),
                        ("progress", ctypes.c_void_p), ("progress_data", ctypes.c_void_p),
                        ("flows", ctypes.c_int)]

        c = Config()
        lib.ZORBEL_DefaultConfig(ctypes.byref(c))
        c.objective = ["cut", "km1", "soed"].index(objective)
        c.mode = ["recursive", "kway"].index(mode)
        c.preset, c.seed = 0, 7
        ints = lambda a: np.ascontiguousarray(a, dtype=np.int32)
        arrays = [ints(hg.vertex_weights), ints(hg.eptr), ints(hg.eind), ints(hg.hyperedge_weights)]
        out = np.zeros(hg.num_vertices, dtype=np.int32)
        cvalue = ctypes.c_int()
        ptr = lambda a: a.ctypes.data_as(ctypes.POINTER(ctypes.c_int))
        lib.ZORBEL_Partition(hg.num_vertices, hg.num_hyperedges, ptr(arrays[0]), ptr(arrays[1]),
                             ptr(arrays[2]), ptr(arrays[3]), k, ctypes.byref(c), ptr(out),
                             ctypes.byref(cvalue))
        np.testing.assert_array_equal(parts, out)
        assert value == cvalue.value
    limits = [300, 200, 900]
    parts, _ = zorbel.partition(hg, 3, max_part_weights=limits, seed=2)
    assert all(w <= m for w, m in zip(zorbel.stats(hg, parts, 3)["part_weights"], limits))
    fixed = [-1] * 400
    fixed[:4] = [3, 2, 1, 0]
    held, _ = zorbel.partition(hg, 4, fixed=fixed, objective="km1", seed=2)
    assert held[:4].tolist() == [3, 2, 1, 0]
    # Flow refinement: within the bound, the same for any thread count.
    flowed, value = zorbel.partition(hg, 4, flows=True, seed=3, threads=1)
    s = zorbel.stats(hg, flowed, 4)
    assert value == s["cut"]
    assert max(s["part_weights"]) <= int(1.03 * -(-sum(s["part_weights"]) // 4) + 1e-9)
    np.testing.assert_array_equal(flowed, zorbel.partition(hg, 4, flows=True, seed=3, threads=2)[0])


def test_refiners_return_a_partition_no_worse_and_leave_the_input_alone():
    hg, *_ = random_hypergraph(random.Random(2), nvtxs=200, nhedges=300, weighted=False)
    start = np.arange(200, dtype=np.int32) % 2
    parts, cut = zorbel.refine_2way(hg, start, 10, seed=1)
    assert cut == zorbel.stats(hg, parts)["cut"] <= zorbel.stats(hg, start)["cut"]
    assert start.tolist() == (np.arange(200) % 2).tolist()
    start4 = np.arange(200) % 4
    parts, cut = zorbel.refine_kway(hg, start4, 4, 10, seed=1)
    assert cut == zorbel.stats(hg, parts, 4)["cut"] <= zorbel.stats(hg, start4, 4)["cut"]


def test_concurrent_calls_from_threads_equal_sequential_ones():
    hg, *_ = random_hypergraph(random.Random(4), nvtxs=400, nhedges=700, weighted=True)
    calls = [(zorbel.part_recursive if s % 2 else zorbel.part_kway, s) for s in range(8)]
    sequential = [f(hg, 4, 10, seed=s) for f, s in calls]
    with ThreadPoolExecutor(4) as pool:
        concurrent = list(pool.map(lambda c: c[0](hg, 4, 10, seed=c[1], threads=2), calls))
    for (p1, c1), (p2, c2) in zip(sequential, concurrent):
        np.testing.assert_array_equal(p1, p2)
        assert c1 == c2


HG = zorbel.Hypergraph(4, [[0, 1], [1, 2, 3]])
REFUSALS = [
    (lambda: zorbel.Hypergraph(-1, []), "num_vertices"),
    (lambda: zorbel.Hypergraph(3, [[0, 3]]), r"hyperedges\[0\]"),
    (lambda: zorbel.Hypergraph(3, [[0, 1.5]]), r"hyperedges\[0\]"),
    (lambda: zorbel.Hypergraph(3, ([0, 2, 1], [0, 1])), "eptr"),
    (lambda: zorbel.Hypergraph(3, ([1, 2], [0, 1])), "eptr"),
    (lambda: zorbel.Hypergraph(3, ([0, 2], [0, 5])), "eind"),
    (lambda: zorbel.Hypergraph(3, ([0, 3], [0, 1])), "eptr"),
    (lambda: zorbel.Hypergraph(3, [[0]], vertex_weights=[1, -1, 1]), "vertex_weights"),
    (lambda: zorbel.Hypergraph(3, [[0]], vertex_weights=[1, 1]), "vertex_weights"),
    (lambda: zorbel.Hypergraph(3, [[0]], hyperedge_weights=[2**31]), "hyperedge_weights"),
    (lambda: zorbel.Hypergraph(3, [[0]], vertex_weights=[2**30] * 3), "vertex_weights"),
    (lambda: zorbel.part_recursive(HG, 1, 5), "num_parts"),
    (lambda: zorbel.part_recursive(HG, 5, 5), "num_parts"),
    (lambda: zorbel.part_kway(HG, 5, 5), "num_parts"),
    (lambda: zorbel.part_recursive(HG, 2, 50), "ubfactor"),
    (lambda: zorbel.part_recursive(HG, 2, 5, nruns=0), "nruns"),
    (lambda: zorbel.part_recursive(HG, 2, 5, ctype=6), "ctype"),
    (lambda: zorbel.part_recursive(HG, 2, 5, rtype=4), "rtype"),
    (lambda: zorbel.part_recursive(HG, 2, 5, vcycle=4), "vcycle"),
    (lambda: zorbel.part_recursive(HG, 2, 5, reconst=2), "reconst"),
    (lambda: zorbel.part_recursive(HG, 2, 5, fixed=[0, 0, 2, -1]), "fixed"),
    (lambda: zorbel.part_recursive(HG, 2, 5, fixed=[0]), "fixed"),
    (lambda: zorbel.part_recursive(HG, 2, 5, seed=-1), "seed"),
    (lambda: zorbel.part_recursive(HG, 2, 5, threads=0), "threads"),
    (lambda: zorbel.part_kway(HG, 2, 4), "ubfactor"),
    (lambda: zorbel.part_kway(HG, 2, 5, objective="both"), "objective"),
    (lambda: zorbel.part_kway(zorbel.Hypergraph(1, [[0]]), 2, 5), "hg"),
    (lambda: zorbel.part_kway(zorbel.Hypergraph(40, [list(range(40))], None, [2**30 - 1]), 40, 5),
     "num_parts"),
    (lambda: zorbel.partition(HG, 1), "k"),
    (lambda: zorbel.partition(HG, 2, epsilon=0), "epsilon"),
    (lambda: zorbel.partition(HG, 2, epsilon="0.1"), "epsilon"),
    (lambda: zorbel.partition(HG, 2, objective="volume"), "objective"),
    (lambda: zorbel.partition(HG, 2, mode="flat"), "mode"),
    (lambda: zorbel.partition(HG, 2, preset="best"), "preset"),
    (lambda: zorbel.partition(HG, 2, fixed=[0, 2, -1, -1]), "fixed"),
    (lambda: zorbel.partition(HG, 2, fixed=[0, 1, -1, -1], mode="kway"), "fixed"),
    (lambda: zorbel.partition(HG, 2, max_part_weights=[4]), "max_part_weights"),
    (lambda: zorbel.partition(HG, 2, max_part_weights=[1, 1]), "part limits"),
    (lambda: zorbel.partition(HG, 2, seed=-3), "seed"),
    (lambda: zorbel.partition(HG, 2, flows="yes"), "flows"),
    (lambda: zorbel.refine_2way(HG, [0, 1, 2, 0], 5), "parts"),
    (lambda: zorbel.refine_kway(HG, [0, 1, 2, 0], 2, 5), "parts"),
    (lambda: zorbel.stats(HG, [0, 1, 1]), "parts"),
    (lambda: zorbel.stats(HG, [0, 1, 1, 2], num_parts=2), "num_parts"),
]


@pytest.mark.parametrize("call,name", REFUSALS)
def test_every_refusal_raises_value_error_naming_the_argument(call, name):
    with pytest.raises(ValueError, match=name):
        call()


def test_every_function_and_property_has_a_docstring():
    names = ["read_hgr", "part_recursive", "part_kway", "refine_2way", "refine_kway", "stats"]
    for f in [getattr(zorbel, n) for n in names] + [zorbel.Hypergraph.__init__]:
        assert f.__doc__ and f.__doc__.startswith(f.__name__ if f.__name__ != "__init__" else "Hyp")
    for prop in ["num_vertices", "num_hyperedges", "num_pins", "eptr", "eind",
                 "vertex_weights", "hyperedge_weights"]:
        assert getattr(zorbel.Hypergraph, prop).__doc__


def test_a_library_error_comes_back_as_an_exception(monkeypatch):
    monkeypatch.setenv("ZORBEL_NUM_THREADS", "many")
    with pytest.raises(ValueError, match="ZORBEL_NUM_THREADS must be a positive integer"):
        zorbel.part_recursive(HG, 2, 5, seed=1)
