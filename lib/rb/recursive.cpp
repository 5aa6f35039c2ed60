// Multilevel recursive bisection: the recursion over bisections, fixed
// vertices, and the k-way pass that finishes the partition.
#include <memory>
#include <string>
#include <utility>

#include "coarsen/coarsen.h"
#include "kway/kway.h"
#include "rb/rb.h"
#include "zorbel.h"

namespace {

int *IdentityLabel(int nvtxs) {
  int *label = imalloc__(nvtxs, "MultilevelPartition: label");
  for (int i = 0; i < nvtxs; ++i) label[i] = i;
  return label;
}

// One k-way refinement pass with V-cycles over the whole partition p of g, so
// that vertices can move between parts that were separated at different
// levels of the recursion. It minimises the cut, confined to the balance the
// recursion reached. Returns the hyperedge cut of the refined partition.
// Its V-cycles coarsen under maxcellwgt, the vertex-weight limit of the
// recursion's last bisection.
int KwayFinishPass(const CtrlType *ctrl, HGraph *g, int *p, int maxcellwgt) {
  const int nparts = ctrl->nparts;
  ProgressStage__(ctrl->progress, ZORBEL_STAGE_KWAY_FINISH);
  CtrlType kctrl = *ctrl;
  kctrl.RType = OBJ_CUT;
  kctrl.maxcellwgt = maxcellwgt;
  kctrl.ctx->rng = TrialStream__(ctrl, STEP_KWAY_FINISH);

  int *kpwgts = ismalloc__(nparts, 0, "MultilevelPartition: kpwgts");
  for (int v = 0; v < g->nvtxs; ++v) kpwgts[p[v]] += g->cellwgt[v];
  int tvwgt = iasum__(nparts, kpwgts);
  // Without any vertex weight every partition is equally balanced.
  kctrl.ubfactor = tvwgt > 0
                       ? (float)((nparts * 1.0 * kpwgts[iamax__(nparts, kpwgts)]) / (tvwgt * 1.0))
                       : 1.0f;

  AllocateKwayRefinementMemory__(&kctrl, g);
  icopy__(g->nvtxs, p, g->where);
  RefineCutKway_Random__(&kctrl, g, 10);
  ReleaseRunState__(g);
  VCycleRefinementKway__(&kctrl, g, 10);
  icopy__(g->nvtxs, g->where, p);
  int cut = g->mincut;

  ZBfree__(&kpwgts);
  return cut;
}

bool WantsKwayFinish(const CtrlType *ctrl, const HGraph *g) {
  return ctrl->nparts > 2 && ctrl->opt.KwayFinish == 1 && g->nvtxs > 0;
}

// Fixed-vertex mode: the vertices fixed to each part are merged into one
// anchor vertex, the compressed hypergraph is partitioned with its anchors in
// distinct parts, and the result is projected back so that anchor k's part
// becomes part k.
int MultilevelPartitionFixed(const CtrlType *ctrl, HGraph *graph, int *part) {
  int nvtxs = graph->nvtxs, nparts = ctrl->nparts;

  // The entry point has checked that every pre-assignment is -1 or a part.
  int *orgpart = icopy__(nvtxs, part, imalloc__(nvtxs, "MultilevelPartition: orgpart"));

  CompressFixedCells__(ctrl, graph, part);
  HGraph *cgraph = graph->coarser;
  cgraph->finer = nullptr;
  graph->coarser = nullptr;

  cgraph->label = IdentityLabel(cgraph->nvtxs);
  int *fpart = imalloc__(cgraph->nvtxs, "MultilevelPartition: fpart");
  cgraph->nfixed = nparts;

  int maxcellwgt = ctrl->maxcellwgt;
  int cut = MLRB__(ctrl, cgraph, fpart, nparts, 0, &maxcellwgt);
  if (WantsKwayFinish(ctrl, cgraph)) cut = KwayFinishPass(ctrl, cgraph, fpart, maxcellwgt);

  ProjectFixedCells__(ctrl, graph, part, fpart);
  // A caller showing progress clears it before these lines.
  ProgressStage__(ctrl->progress, ZORBEL_STAGE_DONE);
  for (int i = 0; i < nvtxs; ++i)
    if (orgpart[i] != -1 && orgpart[i] != part[i])
      Trace__("Fixing failed: %d %d %d\n", i, orgpart[i], part[i]);

  ZBfree__(&fpart, &orgpart);
  FreeHGraph__(cgraph);
  return cut;
}

// The two halves of a split; each belongs to the recursion below it.
struct Halves {
  HGraphOwner left, right;
};

// Bisects graph into the n parts from first on, writes the provisional part
// numbers through the labels and, when either side still has more than one
// part to make, splits graph into its halves. Returns the bisection's cut.
int BisectAndSplit(const CtrlType *ctrl, HGraph *graph, int *part, int n, int first,
                   int *maxcellwgt, Halves *halves) {
  // Side 0 produces the n/2 lower part numbers, side 1 the (n+1)/2 upper ones.
  CtrlType bctrl = *ctrl;
  bctrl.TargetFrac = (float)((n / 2 * 1.0) / (n * 1.0));
  bctrl.partlo = first;
  bctrl.parthi = first + n;

  int *bis = imalloc__(graph->nvtxs, "MLRB: bisection");
  const int cut = Hypergraph_Bisection__(&bctrl, graph, bis, maxcellwgt);

  // Written through the labels, so every bisection writes into the final part
  // vector; deeper levels overwrite these provisional numbers.
  for (int i = 0; i < graph->nvtxs; ++i) part[graph->label[i]] = first + bis[i];

  if (n > 2) {
    halves->left.reset(CreateHGraph__());
    halves->right.reset(CreateHGraph__());
    SplitGraphPart__(&bctrl, graph, bis, halves->left.get(), halves->right.get());
  }
  ZBfree__(&bis);
  graph->label.reset();
  return cut;
}

int MLRBHalf(const CtrlType *ctrl, HGraphOwner graph, int *part, int n, int first, int *maxcellwgt);

// The two halves of a split, each as a task with a context of its own
// (streams from its part range, its own scratch and timers): no half reads
// what the other writes, and the part numbers they write go to disjoint
// vertices. So the partition is the same however the tasks are scheduled.
// Each half traces into a buffer of its own; the left half's lines, then the
// right half's, follow the split's as a sequential run prints them. The
// vertex-weight limit reported is the one the sequential order leaves: the
// right half's when it bisects at all.
int BisectHalves(const CtrlType *ctrl, Halves halves, int *part, int n, int first,
                 int *maxcellwgt) {
  CtrlType lctrl = *ctrl, rctrl = *ctrl;
  lctrl.ctx = std::make_shared<CallContext>();
  rctrl.ctx = std::make_shared<CallContext>();
  lctrl.alone = rctrl.alone = false;
  int lmax = *maxcellwgt, rmax = *maxcellwgt, lcut = 0, rcut = 0;
  const bool rightBisects = halves.right->nvtxs > 0;
  const std::vector<std::string> traces = SideBySide__(2, [&](int side) {
    if (side == 0)
      lcut = MLRBHalf(&lctrl, std::move(halves.left), part, n / 2, first, &lmax);
    else
      rcut = MLRBHalf(&rctrl, std::move(halves.right), part, (n + 1) / 2, first + n / 2, &rmax);
  });
  TraceText__(traces[0]);
  TraceText__(traces[1]);
  AddTimers__(&ctrl->ctx->tmr, lctrl.ctx->tmr);
  AddTimers__(&ctrl->ctx->tmr, rctrl.ctx->tmr);
  *maxcellwgt = rightBisects ? rmax : lmax;
  return lcut + rcut;
}

// Side 0 of a split makes the n/2 lower parts, side 1 the (n+1)/2 upper ones;
// a side of one part is final already.
int PartitionHalves(const CtrlType *ctrl, Halves halves, int *part, int n, int first,
                    int *maxcellwgt) {
  if (n > 3) return BisectHalves(ctrl, std::move(halves), part, n, first, maxcellwgt);
  if (n == 3) {
    halves.left.reset();
    return MLRBHalf(ctrl, std::move(halves.right), part, 2, first + 1, maxcellwgt);
  }
  return 0;
}

// A half is freed as soon as it is split, so that only the halves still to be
// partitioned take memory.
int MLRBHalf(const CtrlType *ctrl, HGraphOwner graph, int *part, int n, int first,
             int *maxcellwgt) {
  // A half without vertices: its parts stay empty, whatever their number, so
  // the recursion does not descend through them one split at a time.
  if (graph->nvtxs == 0) return 0;
  Halves halves;
  const int cut = BisectAndSplit(ctrl, graph.get(), part, n, first, maxcellwgt, &halves);
  graph.reset();
  return cut + PartitionHalves(ctrl, std::move(halves), part, n, first, maxcellwgt);
}

}  // namespace

int MultilevelPartition__(const CtrlType *ctrl, HGraph *graph, int *part) {
  if (ctrl->opt.Fixed) return MultilevelPartitionFixed(ctrl, graph, part);

  graph->label = IdentityLabel(graph->nvtxs);
  graph->nfixed = 0;

  int maxcellwgt = ctrl->maxcellwgt;
  int cut = MLRB__(ctrl, graph, part, ctrl->nparts, 0, &maxcellwgt);
  if (WantsKwayFinish(ctrl, graph)) cut = KwayFinishPass(ctrl, graph, part, maxcellwgt);
  return cut;
}

int MLRB__(const CtrlType *ctrl, HGraph *graph, int *part, int n, int first, int *maxcellwgt) {
  if (graph->nvtxs == 0) {
    graph->label.reset();
    return 0;
  }
  Halves halves;
  const int cut = BisectAndSplit(ctrl, graph, part, n, first, maxcellwgt, &halves);
  return cut + PartitionHalves(ctrl, std::move(halves), part, n, first, maxcellwgt);
}
