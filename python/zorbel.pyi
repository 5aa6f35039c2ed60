"""Multilevel hypergraph partitioning (type stubs of the extension module)."""

import os
from typing import Iterable, Literal, Optional, Sequence, Tuple, TypedDict, Union

import numpy as np
import numpy.typing as npt

__version__: str

_Ints = Union[Sequence[int], npt.NDArray[np.integer]]

class Hypergraph:
    """A hypergraph: vertices 0 .. num_vertices-1 and hyperedges, each a set
    of vertices, with optional non-negative integer weights. Immutable."""

    def __init__(
        self,
        num_vertices: int,
        hyperedges: Union[Iterable[_Ints], Tuple[_Ints, _Ints]],
        vertex_weights: Optional[_Ints] = None,
        hyperedge_weights: Optional[_Ints] = None,
    ) -> None:
        """hyperedges: a list of vertex lists, or a tuple (eptr, eind) in
        compressed rows. Raises ValueError naming the argument at fault."""
    @property
    def num_vertices(self) -> int:
        """Number of vertices."""
    @property
    def num_hyperedges(self) -> int:
        """Number of hyperedges."""
    @property
    def num_pins(self) -> int:
        """Number of pins: the hyperedges' sizes added up."""
    @property
    def eptr(self) -> npt.NDArray[np.int32]:
        """Offsets into eind (num_hyperedges+1): a read-only view, no copy."""
    @property
    def eind(self) -> npt.NDArray[np.int32]:
        """The pins of all hyperedges, one after the other: a read-only view."""
    @property
    def vertex_weights(self) -> Optional[npt.NDArray[np.int32]]:
        """Vertex weights (read-only view), or None for weight 1 each."""
    @property
    def hyperedge_weights(self) -> Optional[npt.NDArray[np.int32]]:
        """Hyperedge weights (read-only view), or None for weight 1 each."""

class Stats(TypedDict):
    num_parts: int
    cut: int
    soed: int
    km1: int
    imbalance: float
    scaled_cost: float
    absorption: float
    part_weights: npt.NDArray[np.int32]
    part_external_degrees: npt.NDArray[np.int32]

def read_hgr(path: Union[str, os.PathLike[str]]) -> Hypergraph:
    """Reads a hypergraph file (plain or gzip). OSError when it cannot be
    opened, ValueError when it is malformed."""

def read_mtx(path: Union[str, os.PathLike[str]], model: Literal["columns", "rows"] = "columns") -> Hypergraph:
    """Reads a Matrix Market coordinate matrix as a hypergraph: column-net
    (rows are vertices, columns hyperedges) or row-net. OSError when it
    cannot be opened, ValueError naming the line when it is malformed."""

def read_metis(path: Union[str, os.PathLike[str]]) -> Hypergraph:
    """Reads a METIS graph as a hypergraph of 2-pin hyperedges with the
    edges' weights. OSError when it cannot be opened, ValueError naming the
    line when it is malformed."""

def part_recursive(
    hg: Hypergraph,
    num_parts: int,
    ubfactor: int,
    *,
    nruns: int = 10,
    ctype: int = 1,
    rtype: int = 1,
    vcycle: int = 1,
    reconst: bool = False,
    fixed: Optional[_Ints] = None,
    seed: Optional[int] = None,
    threads: Optional[int] = None,
) -> Tuple[npt.NDArray[np.int32], int]:
    """Multilevel recursive bisection into num_parts parts (2 to the number
    of vertices; ubfactor 1-49). Returns the parts and the cut."""

def partition(
    hg: Hypergraph,
    k: int,
    *,
    epsilon: float = 0.03,
    objective: Literal["cut", "km1", "soed"] = "cut",
    mode: Literal["recursive", "kway"] = "recursive",
    preset: Literal["fast", "default", "quality"] = "default",
    fixed: Optional[_Ints] = None,
    max_part_weights: Optional[_Ints] = None,
    seed: Optional[int] = None,
    threads: Optional[int] = None,
    flows: Optional[bool] = None,
) -> Tuple[npt.NDArray[np.int32], int]:
    """Partitions hg into k parts with every part within floor((1 + epsilon)
    * ceil(W / k)), or within max_part_weights, minimising the objective.
    Returns the parts and the objective's value."""

def part_kway(
    hg: Hypergraph,
    num_parts: int,
    ubfactor: int,
    *,
    nruns: int = 10,
    ctype: int = 1,
    objective: Literal["cut", "soed"] = "cut",
    vcycle: int = 1,
    seed: Optional[int] = None,
    threads: Optional[int] = None,
) -> Tuple[npt.NDArray[np.int32], int]:
    """Multilevel k-way partitioning into num_parts parts (2 to the number of
    vertices; ubfactor at least 5). Returns the parts and the objective's
    value."""

def refine_2way(
    hg: Hypergraph, parts: _Ints, ubfactor: int, *, seed: Optional[int] = None
) -> Tuple[npt.NDArray[np.int32], int]:
    """FM refinement of a bisection (parts 0 and 1). Returns the improved
    parts and their cut."""

def refine_kway(
    hg: Hypergraph,
    parts: _Ints,
    num_parts: int,
    ubfactor: int,
    *,
    ctype: int = 1,
    objective: Literal["cut", "soed"] = "cut",
    seed: Optional[int] = None,
) -> Tuple[npt.NDArray[np.int32], int]:
    """K-way refinement of a partition into num_parts parts. Returns the
    improved parts and their cut."""

def stats(hg: Hypergraph, parts: _Ints, num_parts: Optional[int] = None) -> Stats:
    """The report's figures of a partition: cut, soed, km1 (connectivity
    minus one), imbalance (heaviest part over ceil(total weight / num_parts),
    minus one), scaled_cost, absorption, part_weights, part_external_degrees,
    num_parts."""
