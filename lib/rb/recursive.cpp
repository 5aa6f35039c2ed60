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
// levels of the recursion. It minimises the cut (or the objective of the
// options), confined to the balance the recursion reached, or under part
// limits to those. Returns the hyperedge cut of the refined partition.
// Its V-cycles coarsen under maxcellwgt, the vertex-weight limit of the
// recursion's last bisection.
int KwayFinishPass(const CtrlType *ctrl, HGraph *g, int *p, int maxcellwgt) {
  const int nparts = ctrl->nparts;
  ProgressStage__(ctrl->progress, ZORBEL_STAGE_KWAY_FINISH);
  CtrlType kctrl = *ctrl;
  kctrl.RType = ctrl->opt.OType;
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
  RefineKwayObjective__(&kctrl, g, 10);
  ReleaseRunState__(g);
  VCycleRefinementKway__(&kctrl, g, ctrl->opt.MaxVCycles);
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
  if (ctrl->opt.limits) {
    // Side limits from the weight present and the limits of the parts each
    // side will end as.
    const BisectionLimits b = BisectionLimits__(*ctrl->opt.limits, iasum__(graph->nvtxs, graph->cellwgt),
                                                first, first + n / 2, first + n);
    bctrl.sidemax[0] = b.maxwgt[0];
    bctrl.sidemax[1] = b.maxwgt[1];
    bctrl.share0 = static_cast<double>(b.target[0]);
  }

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

// A half of a split, partitioned as a task of the call's task group with a
// context of its own (streams from its part range, its own scratch and
// timers): no half reads what another writes, and the part numbers they write
// go to disjoint vertices, so the partition is the same however the tasks are
// scheduled. The record holds the half's hypergraph until its task takes it,
// and then what the task leaves for the fold in the sequential order: the
// lines it traced (its own bisection's, and those of the two-part half a
// three-part half bisects in turn), its timers, its cut, the vertex-weight
// limit of its last bisection, and the records of its own halves. A split
// does not wait for its halves: the call's thread waits once for the whole
// group and can run any half, at any depth, while it waits.
struct HalfRecord {
  HGraphOwner graph;
  int n = 0, first = 0;
  bool bisected = false;  // the half had vertices to bisect
  int cut = 0, maxcellwgt = 0;
  std::string trace{};
  PhaseTimers tmr{};
  std::unique_ptr<HalfRecord> left{}, right{};
};

int MLRBHalf(TaskGroup__ &group, const CtrlType *ctrl, HGraphOwner graph, int *part, int n,
             int first, int *maxcellwgt, HalfRecord *rec);

void RunHalf(TaskGroup__ &group, CtrlType ctrl, int *part, HalfRecord *rec) {
  ctrl.ctx = std::make_shared<CallContext>();
  ctrl.alone = false;
  const TraceInto__ into(&rec->trace);
  HGraphOwner graph = std::move(rec->graph);
  rec->bisected = graph->nvtxs > 0;
  rec->cut =
      MLRBHalf(group, &ctrl, std::move(graph), part, rec->n, rec->first, &rec->maxcellwgt, rec);
  rec->tmr = ctrl.ctx->tmr;
}

// Side 0 of a split makes the n/2 lower parts, side 1 the (n+1)/2 upper ones;
// both are spawned as tasks with records under rec.
void SpawnHalves(TaskGroup__ &group, const CtrlType &ctrl, Halves halves, int *part, int n,
                 int first, HalfRecord *rec) {
  rec->left.reset(new HalfRecord{std::move(halves.left), n / 2, first});
  rec->right.reset(new HalfRecord{std::move(halves.right), (n + 1) / 2, first + n / 2});
  for (HalfRecord *half : {rec->left.get(), rec->right.get()})
    group.Spawn([&group, ctrl, part, half] { RunHalf(group, ctrl, part, half); });
}

// A side of one part is final already; of three parts, the lower one is, and
// the other two are made here, on the same thread and context. Returns the
// cut of the bisections made here.
int PartitionHalves(TaskGroup__ &group, const CtrlType *ctrl, Halves halves, int *part, int n,
                    int first, int *maxcellwgt, HalfRecord *rec) {
  if (n > 3) {
    SpawnHalves(group, *ctrl, std::move(halves), part, n, first, rec);
    return 0;
  }
  if (n == 3) {
    halves.left.reset();
    return MLRBHalf(group, ctrl, std::move(halves.right), part, 2, first + 1, maxcellwgt, rec);
  }
  return 0;
}

// A half is freed as soon as it is split, so that only the halves still to be
// partitioned take memory.
int MLRBHalf(TaskGroup__ &group, const CtrlType *ctrl, HGraphOwner graph, int *part, int n,
             int first, int *maxcellwgt, HalfRecord *rec) {
  // A half without vertices: its parts stay empty, whatever their number, so
  // the recursion does not descend through them one split at a time.
  if (graph->nvtxs == 0) return 0;
  Halves halves;
  const int cut = BisectAndSplit(ctrl, graph.get(), part, n, first, maxcellwgt, &halves);
  graph.reset();
  return cut + PartitionHalves(group, ctrl, std::move(halves), part, n, first, maxcellwgt, rec);
}

// What the halves below rec left, in the order a sequential run takes: the
// left half's lines and the halves below it, then the right half's. Returns
// their cut; *maxcellwgt becomes the limit of the last half that bisected.
int FoldHalves(const CtrlType *ctrl, const HalfRecord &rec, int *maxcellwgt) {
  int cut = 0;
  for (const HalfRecord *half : {rec.left.get(), rec.right.get()}) {
    if (half == nullptr) continue;
    TraceText__(half->trace);
    AddTimers__(&ctrl->ctx->tmr, half->tmr);
    if (half->bisected) *maxcellwgt = half->maxcellwgt;
    cut += half->cut + FoldHalves(ctrl, *half, maxcellwgt);
  }
  return cut;
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
  HalfRecord top;
  int cut = 0;
  InTaskGroup__([&](TaskGroup__ &group) {
    Halves halves;
    cut = BisectAndSplit(ctrl, graph, part, n, first, maxcellwgt, &halves);
    cut += PartitionHalves(group, ctrl, std::move(halves), part, n, first, maxcellwgt, &top);
  });
  return cut + FoldHalves(ctrl, top, maxcellwgt);
}
