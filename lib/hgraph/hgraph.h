// The hypergraph record, its lifecycle, the checks of a hypergraph given as
// arrays, the partition statistics and the diagnostic writers.
#pragma once

#include <cstdio>
#include <memory>
#include <vector>

#include "util/util.h"

// K-way bookkeeping records (one per hyperedge, per pin, per vertex and per
// part a vertex touches). A hyperedge's slice of nrdata stays where the
// allocation put it; a vertex's slice of crdata moves when it grows.
struct NetPartCount {
  int part;   // a part touched by the hyperedge
  int npins;  // pins of the hyperedge in that part (>= 1)
};

struct NetKwayInfo {
  int ndegrees;           // distinct parts with pins of the hyperedge; 1 = not cut
  NetPartCount *degrees;  // the hyperedge's slice of nrdata
};

struct CellPartInfo {
  int part;      // a part other than the vertex's own
  int ed;        // weight of hyperedges that moving to part would uncut
  int pinbias;   // +1/0/-1 per cut hyperedge touching part, as of the vertex's last recomputation
  int soedterm;  // alonewgt - (adjwgt - weight of cut hyperedges touching part)
  int nhedges;   // cut hyperedges of the vertex touching part; the entry goes at 0
  int livebias;  // pinbias under the current part counts
};

struct CellKwayInfo {
  int ndegrees;           // number of CellPartInfo entries
  int id;                 // weight of the vertex's uncut hyperedges
  int alonewgt;           // weight of cut hyperedges where the vertex is alone in its part
  int multiwgt;           // weight of the vertex's hyperedges of two or more pins
  int stale;              // 1 when some entry's livebias may differ from its pinbias
  int listed;             // 1 when the entries are computed; until then the slice holds
                          // only pin bias corrections (part, pinbias - livebias)
  int room;               // entries the slice can hold before it must move
  CellPartInfo *degrees;  // the vertex's slice of crdata
};

// The maps one coarsening step leaves on the finer level: which coarse
// vertex each vertex went to, which coarse hyperedge each hyperedge became,
// and the matching groups. Projection and V-cycles read them; the next
// coarsening of the level builds them afresh.
struct CoarseningMaps {
  ZBArray<int> cellmap;  // [nvtxs] vertex -> coarse vertex
  ZBArray<int> netmap;   // [nhedges] hyperedge -> coarse hyperedge, -1 when it vanished
  ZBArray<int> mptr;     // [nvtxs+1] matching groups
  ZBArray<int> mind;     // [nvtxs]

  void Release() {
    cellmap.reset();
    netmap.reset();
    mptr.reset();
    mind.reset();
  }
};

// Two-way refinement state: each vertex's gain and each hyperedge's pins on
// either side, with the sides' weights.
struct TwoWayState {
  ZBArray<int> gain;     // [nvtxs]
  ZBArray<int> ndeg[2];  // [nhedges] pins on side 0 / side 1
  int pwgts[2] = {-1, -1};

  // The arrays go; the side weights stay as the last refinement left them.
  void Release() {
    gain.reset();
    ndeg[0].reset();
    ndeg[1].reset();
  }
};

// K-way refinement state: the objective's figures and the records of every
// hyperedge, vertex and part.
struct KwayState {
  int objval = 0;
  int minsoed = 0;
  ZBArray<NetKwayInfo> nrinfo;   // [nhedges]
  ZBArray<CellKwayInfo> crinfo;  // [nvtxs]
  ZBArray<NetPartCount> nrdata;  // [npins+nparts] one per pin, then one work entry per part
  ZBArray<CellPartInfo> crdata;  // [crsize] pool of the vertices' slices, grown on demand
  size_t crsize = 0;             // entries allocated in crdata
  size_t crused = 0;             // entries handed out from crdata; slices lie below
  ZBArray<int> kpwgts;           // [nparts]
  ZBArray<int> biasfix;          // [nparts] pin bias corrections of a vertex being listed, else 0
  ZBArray<int> biasparts;        // [nparts] the parts that have one

  // The records go; the objective's figures stay as the last refinement
  // left them.
  void Release() {
    nrinfo.reset();
    crinfo.reset();
    nrdata.reset();
    crdata.reset();
    kpwgts.reset();
    biasfix.reset();
    biasparts.reset();
  }
};

// The structure of a coarse level set aside while nothing reads it (see
// SetLevelAside__): vertex by vertex its degree, its weight and its adjwgt as
// varints, then its incident hyperedges in as few bytes as the level's
// largest hyperedge number takes; then the hyperedges' weights as varints.
// The vertices and the hyperedges are packed in ranges that are written and
// read side by side.
struct PackedLevel {
  ZBArray<unsigned char> bytes;
  int nranges = 0;                // ranges of the vertices; as many of the hyperedges
  int width = 4;                  // bytes of a hyperedge number
  std::vector<size_t> starts;     // [2*nranges+1] where each range begins in bytes
  std::vector<int> pinstarts;     // [nranges+1] the first incidence entry of each vertex range

  bool Holds() const { return nranges > 0; }
  void Release() {
    bytes.reset();
    starts = {};
    pinstarts = {};
    nranges = 0;
  }
};

// One hypergraph: the file's, the library's copy, every coarser level, the
// pruned copy and the halves of recursive bisection. The structure (sizes,
// pins, incidence, weights) is built once; each phase adds its own record
// (maps, twoway, kway), which the phase's next run or the hypergraph's
// release frees. Every array belongs to the record, which frees it; coarser
// and finer only point at the neighbouring levels.
struct HGraph {
  int nvtxs = -1;    // vertices taking part in coarsening; islands follow behind
  int nislands = 0;  // isolated vertices moved behind the first nvtxs
  int nhedges = -1;
  int removedwgt = 0;  // weight of hyperedges collapsed away on the way down to this level
  int nfixed = -1;     // leading anchor vertices, one per fixed part

  ZBArray<int> incptr;  // [nvtxs+1] start of each vertex's incident hyperedges
  ZBArray<int> incind;  // [npins]
  ZBArray<int> netptr;  // [nhedges+1]
  ZBArray<int> netind;  // [npins] pins, 0-based

  ZBArray<int> islandmap;  // [nvtxs+nislands] new position of every vertex
  ZBArray<int> cellwgt;    // [nvtxs]
  ZBArray<int> netwgt;     // [nhedges]
  ZBArray<int> adjwgt;     // [nvtxs] sum of netwgt over incident hyperedges
  ZBArray<float> edgewgt;  // [nhedges] netwgt / (pins - 1)

  ZBArray<int> label;  // [nvtxs] vertex number in the top hypergraph of the recursion

  HGraph *coarser = nullptr;
  HGraph *finer = nullptr;
  int level = -1;

  ZBArray<int> where;  // [nvtxs+nislands]
  int mincut = 0;

  PackedLevel aside;
  CoarseningMaps maps;
  TwoWayState twoway;
  KwayState kway;
};

// ---- Lifecycle ---------------------------------------------------------------
HGraph *CreateHGraph__();
void FreeHGraph__(HGraph *graph);
// A new record with graph's structure: sizes, pins, incidence and weights
// (the arrays graph has), and none of its phases' state, partition or label.
HGraph *CopyHGraph__(const HGraph *graph);
// A new record that reads graph's structure in place: the same sizes and
// structure arrays, borrowed (see ZBArray::Borrow), and none of its phases'
// state, partition or label. A run on it writes only into records of its own,
// so runs on several such records of one hypergraph can go side by side;
// graph must outlive them and stay as it is while they live.
HGraph *ShareHGraph__(const HGraph *graph);
// Releases what a multilevel run (coarsening and refinement, two-way or
// k-way) leaves on the level it started from: every phase's record and the
// island map. The partition stays.
void ReleaseRunState__(HGraph *graph);
// Releases that and the partition too: what trials and V-cycles leave on a
// hypergraph that stays.
void FreeRootHGraph__(HGraph *graph);
// Owner of a hypergraph that one routine creates and another frees (a half of
// recursive bisection).
struct HGraphRelease {
  void operator()(HGraph *graph) const { FreeHGraph__(graph); }
};
using HGraphOwner = std::unique_ptr<HGraph, HGraphRelease>;
// The one way a partition passes from one hypergraph to another with the
// same vertices (the pruned copy to the full hypergraph): to releases the
// partition it held and takes from's, which from no longer holds.
void HandOverWhere__(HGraph *from, HGraph *to);
int CheckHGraph(const HGraph *graph);

// ---- Checks of a hypergraph given as arrays -----------------------------------
// The largest total vertex weight and the largest total hyperedge weight the
// partitioner takes. Its int arithmetic adds two figures bounded by a total:
// a side's weight and the limit on a coarse vertex (twice a total over the
// coarsening target), a gain and the weight of a hyperedge that changes it.
constexpr int kMaxTotalWeight = 1073741823;  // INT_MAX / 2

// Ends the run, with a line that begins with who, unless nvtxs and nhedges are
// not negative, eptr is present, starts at 0 and never decreases, eind is
// present when there are pins and names vertices 0 .. nvtxs-1 only, no
// weight is negative (NULL weights stand for unit weights), and neither
// weight total exceeds kMaxTotalWeight. With nparts > 0 the sum of external
// degrees of any partition into nparts parts must also fit an int: k-way
// refinement keeps it, and so does the sum of the bisections' cuts when
// hyperedges are reconstructed.
void CheckHGraphInput__(const char *who, int nvtxs, int nhedges, const int *vwgts, const int *eptr,
                        const int *eind, const int *hewgts, int nparts);
// Ends the run, naming who and the array, when array is NULL.
void RequireCallerArray__(const char *who, const char *name, const void *array);

// ---- Part weight limits of a bound on the final partition ---------------------
// The largest weight of each part of the final partition.
struct PartLimits {
  std::vector<int> maxpwgt;  // [nparts]
};
// Every part within floor((1 + epsilon) * ceil(total / nparts)), or, with
// maxpwgts, each part within its own maximum.
PartLimits FinalPartLimits__(long long total, int nparts, double epsilon, const int *maxpwgts);
// One bisection of a sub-hypergraph of weight subtotal that ends as the
// parts lo .. hi-1, side 0 taking lo .. mid-1: the sides' shares of the
// weight, in proportion to their parts' limits, and the largest weight each
// side may take, ceil((1 + eps') * subtotal * share) but never more than its
// parts' limits add up to, where eps' = (the parts' limits added up /
// subtotal)^(1 / ceil(log2 k')) - 1 and k' = hi - lo (0 when the
// sub-hypergraph is heavier than that). A sub-hypergraph within its parts'
// limits splits into sides within theirs, so a recursion whose bisections
// keep these bounds ends with every part within its limit.
struct BisectionLimits {
  long double target[2] = {0.5L, 0.5L};
  int maxwgt[2] = {0, 0};
  double epsilon = 0.0;
};
BisectionLimits BisectionLimits__(const PartLimits &limits, long long subtotal, int lo, int mid, int hi);
// Ends the run, naming the limit and the weight, when no partition can keep
// the limits: the vertices fixed in a part (fixed[v] its part, -1 free; NULL
// for none) outweigh its limit, the limits add up to less than the total
// weight, or a free vertex is heavier than the largest limit.
void CheckPartLimits__(const char *who, int nvtxs, const int *cellwgt, const int *fixed, const PartLimits &limits);

// ---- Reports ------------------------------------------------------------------
void PrintInfo(const HGraph *graph, int nparts, int UBfactor, const int *options,
               const char *filename, int mode);
// The figures of the report on a partition (parts 0 .. nparts-1).
struct PartStatistics {
  int cut = 0;
  long long soed = 0;  // up to the total hyperedge weight times the parts
  float scaledcost = 0.0f;
  float absorption = 0.0f;
  long long km1 = 0;       // connectivity minus one: the sum over hyperedges of weight * (parts - 1)
  double imbalance = 0.0;  // heaviest part / ceil(total vertex weight / nparts) - 1
};
// The report's figures, with each part's weight in pwgts and the weight of
// the cut hyperedges touching it in pcuts (nparts entries each).
PartStatistics ComputePartStatistics(int nvtxs, int nhedges, int nparts, const int *netptr,
                                     const int *netind, const int *netwgt, const int *cellwgt,
                                     const int *where, int *pwgts, int *pcuts);
// Prints the report's block and returns its figures.
PartStatistics PrintPartStatistics(int nvtxs, int nhedges, int nparts, const int *netptr,
                         const int *netind, const int *netwgt, const int *cellwgt,
                         const int *where);
void ComputePartWeights(int nvtxs, const int *cellwgt, const int *where, int *pwgts);
void ComputePartCuts(int nhedges, int nparts, const int *netptr, const int *netind,
                     const int *netwgt, const int *where, int *pcuts);

// ---- Diagnostic writers -------------------------------------------------------
void DumpHGraph(const HGraph *graph);
void Print_Pins(const HGraph *graph, const int *where, int nparts);
void WriteConnectedHGraph(const HGraph *graph);
void WriteHGraph(const HGraph *graph);
