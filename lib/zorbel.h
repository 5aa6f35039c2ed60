/*
 * ZORBEL: multilevel hypergraph partitioning.
 *
 * The public entry points, usable from C (C99) and C++. Link with -lzorbel
 * (pkg-config zorbel, or the CMake target zorbel::zorbel).
 *
 * THE HYPERGRAPH
 *   nvtxs    number of vertices, numbered 0 .. nvtxs-1.
 *   nhedges  number of hyperedges, numbered 0 .. nhedges-1.
 *   eptr     nhedges+1 offsets into eind: hyperedge e has the pins
 *            eind[eptr[e]] .. eind[eptr[e+1]-1]. eptr[0] is 0 and eptr never
 *            decreases; eptr[nhedges] is the number of pins.
 *   eind     the pins (vertex numbers 0 .. nvtxs-1) of all hyperedges, one
 *            hyperedge after the other. A vertex listed twice in one
 *            hyperedge counts once, at its first place (as in a file).
 *   vwgts    nvtxs vertex weights, or NULL for weight 1 each.
 *   hewgts   nhedges hyperedge weights, or NULL for weight 1 each.
 *   The arrays are read in place while the call runs, never written, and
 *   must not change until it returns; several calls may read them at once.
 *   Weights of 0 are allowed. Every entry point checks the arrays before it
 *   allocates anything, in time linear in their size, and refuses (see
 *   ERRORS) a negative nvtxs or nhedges; eptr NULL, eind NULL while there are
 *   pins, part NULL while there are vertices, edgecut NULL; eptr[0] other
 *   than 0 or eptr decreasing; a pin outside 0 .. nvtxs-1; a negative weight.
 *   The message names the entry point, the array, the position and the
 *   value, e.g. "ZORBEL_PartKway: eind[5] = 1000000 lies outside 0..3.".
 *   The partitioner computes in int: the total vertex weight and the total
 *   hyperedge weight may each be at most 1073741823 (INT_MAX / 2), and the
 *   calls that keep a sum of external degrees (ZORBEL_PartKway,
 *   ZORBEL_KWayRefine, ZORBEL_PartRecursive with 3 to 64 parts, and the
 *   recursive-bisection calls with Reconst 1) refuse a hypergraph whose sum
 *   over the hyperedges of weight times min(pins, nparts) exceeds INT_MAX.
 *   The message names the limit.
 *
 *   Example: the hyperedges {0,1,2}, {2,3} and {1,3} over four vertices are
 *     int eptr[] = {0, 3, 5, 7};
 *     int eind[] = {0, 1, 2,  2, 3,  1, 3};
 *
 * THE RESULT
 *   part     nvtxs ints. On return, the part (0 .. nparts-1) of every vertex.
 *            On entry it is read only by the refine calls (the partition to
 *            improve) and in fixed-vertex mode (options[6] = 1): -1 for a
 *            free vertex, or the part the vertex must end up in.
 *   edgecut  out: one int, the figure each entry point describes below. The
 *            cut of a partition is the total weight of the hyperedges whose
 *            pins lie in more than one part.
 *
 * THE OPTIONS
 *   options is an array of nine ints, or NULL for the defaults. When
 *   options[0] is 0 every other slot is ignored and the defaults are used;
 *   otherwise slots 1-8 are taken as given (all of them: give a value to
 *   each).
 *
 *   slot name     meaning                                             default
 *   0            0 = use the defaults, 1 = use slots 1-8                    -
 *   1    Nruns    independent trials per bisection (per partitioning in
 *                 ZORBEL_PartKway); the best one is kept; at least 1       10
 *   2    CType    how vertices are grouped while coarsening:                1
 *                 1 HFC   star grouping, strongest connections first on
 *                         the first levels (trials alternate with FC),
 *                 2 FC    star grouping, vertices visited by degree,
 *                 3 GFC   star grouping, strongest connections first,
 *                 4 HEDGE whole hyperedges first, then pairs of vertices,
 *                 5 EDGE  pairs of vertices
 *   3    RType    recursive bisection: refinement of each bisection         1
 *                   1 FM, 2 1WayFM (one-way passes, then FM),
 *                   3 EEFM (early-exit FM, faster on large inputs);
 *                 ZORBEL_PartKway and ZORBEL_KWayRefine: the objective
 *                   1 Cut (hyperedge cut), 2 SOED (sum of external
 *                   degrees: each cut hyperedge counts once per part)
 *   4    VCycle   when V-cycles refine a trial further:                     1
 *                   0 never, 1 at the end on the best trials,
 *                   2 on each trial at least as good as the best so far,
 *                   3 on each trial close to the best so far
 *   5    Reconst  recursive bisection: 1 keeps each side's pins of a cut     0
 *                 hyperedge as a hyperedge of that half, 0 drops it
 *   6    Fixed    recursive bisection: 1 = part carries pre-assigned        0
 *                 vertices (see part above)
 *   7    Seed     seed of the random generator; negative: the clock        -1
 *   8    dbglvl   sum of the reports wanted on standard output: 1           0
 *                 coarsening, 2 initial partition, 4 refinement passes,
 *                 8 one line before and after each bisection, 16 one line
 *                 per trial, 32 processor time per phase, 128 details of
 *                 trials and V-cycles, 256 every move; with 0 the
 *                 library prints only "Fixing failed: vertex wanted got"
 *                 lines, for pre-assigned vertices that did not end in
 *                 their part
 *
 *   ZORBEL_PartKway, ZORBEL_KWayRefine and ZORBEL_2WayRefine read slots 1, 2,
 *   3, 4, 7 and 8 only. With a non-negative Seed every entry point gives the
 *   same partition for the same input, whatever ran before or runs beside
 *   it; with the clock, calls within the same second repeat the same random
 *   sequence. The refine entries seed the same way: from Seed when the
 *   options are given and Seed is non-negative, else from the clock.
 *
 * ERRORS
 *   There is no error return. An argument out of the range an entry point
 *   documents, or a malformed hypergraph (see THE HYPERGRAPH), ends the
 *   process: one line is written to standard error and the process exits
 *   with status 1. So does an exhausted heap.
 *   A caller that must not end (an interpreter, a server) installs a
 *   handler with ZORBEL_SetErrorHandler (below) to receive these errors.
 *
 * OWNERSHIP AND STATE
 *   The library never writes or frees the caller's arrays, apart from part
 *   and *edgecut, and keeps no pointer to them after returning; it frees
 *   everything it allocates before returning. Each call draws its random
 *   numbers from streams of its own (the 48-bit generator of drand48 on
 *   private states): every trial of every bisection or k-way partitioning
 *   gets a stream derived from the seed and its place in the call (the parts
 *   it covers and the trial's number). The library keeps no state between
 *   calls and never touches the C library's drand48 state, so any number of
 *   calls may run at the same time from different threads.
 */
#ifndef ZORBEL_H
#define ZORBEL_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/*
 * Partitions the hypergraph into nparts parts by multilevel recursive
 * bisection: each bisection coarsens, bisects the coarsest level and refines
 * back, keeping the best of Nruns trials; then each half is bisected again.
 * With 3 to 64 parts a k-way refinement pass over the whole partition ends
 * the run.
 *   nparts    at least 2. More parts than vertices are allowed (some stay
 *             empty); time and memory grow linearly with nparts.
 *   UBfactor  1 to 49: every bisection may deviate from its target share of
 *             the weight (one half for an even split) by UBfactor per cent
 *             of the weight it divides; 5 allows 45:55. Deviations compound
 *             over the levels of the recursion.
 *   *edgecut  the cut of the returned partition. Exception: with Reconst 1
 *             and more than 64 parts it is the sum of the cuts of all
 *             bisections, which can exceed the final cut.
 * Errors: nparts, UBfactor, Nruns, CType, RType (1-3), VCycle, Reconst and
 * Fixed (0-1) out of range; with Fixed 1, a part entry outside -1 .. nparts-1.
 */
void ZORBEL_PartRecursive(int nvtxs, int nhedges, const int *vwgts, const int *eptr,
                          const int *eind, const int *hewgts, int nparts, int UBfactor,
                          const int *options, int *part, int *edgecut);
/*
 * ZORBEL_PartRecursive without the final k-way refinement pass: the plain
 * result of recursive bisection. Same arguments and errors; *edgecut is the
 * sum of the cuts of all bisections (the cut of the partition unless
 * Reconst is 1).
 */
void ZORBEL_PartRecursiveInternal(int nvtxs, int nhedges, const int *vwgts, const int *eptr,
                                  const int *eind, const int *hewgts, int nparts, int UBfactor,
                                  const int *options, int *part, int *edgecut);
/*
 * Improves the bisection given in part (values 0 and 1) by FM refinement on
 * the hypergraph itself, without coarsening, within UBfactor per cent of
 * an even split (as in ZORBEL_PartRecursive). The improved bisection
 * replaces part; *edgecut is its cut. The options are not checked; a part
 * entry other than 0 and 1 is an error. The random stream comes from Seed
 * (see OPTIONS).
 */
void ZORBEL_2WayRefine(int nvtxs, int nhedges, const int *vwgts, const int *eptr,
                       const int *eind, const int *hewgts, int UBfactor, const int *options,
                       int *part, int *edgecut);
/*
 * Partitions the hypergraph directly into nparts parts: each of Nruns trials
 * coarsens to about 200 vertices per part, takes an initial partition of the
 * coarsest level from recursive bisection and refines it back with k-way
 * refinement; the best trial is kept.
 *   nparts    at least 2.
 *   UBfactor  at least 5: no part may weigh more than (100 + UBfactor) per
 *             cent of the average part weight.
 *   options   slot 3 is the objective: 1 the cut, 2 the sum of external
 *             degrees (SOED).
 *   *edgecut  the objective's value for the returned partition: its cut, or
 *             its SOED.
 * Errors: nparts, UBfactor, Nruns, CType, the objective (1-2), VCycle out of
 * range, and fewer than 2 vertices.
 */
void ZORBEL_PartKway(int nvtxs, int nhedges, const int *vwgts, const int *eptr, const int *eind,
                     const int *hewgts, int nparts, int UBfactor, const int *options, int *part,
                     int *edgecut);
/*
 * Improves the k-way partition given in part (values 0 .. nparts-1) by k-way
 * refinement and V-cycles, with the balance bound of ZORBEL_PartKway. The
 * improved partition replaces part; *edgecut is its cut, whatever the
 * objective. The options are not checked; a part entry outside
 * 0 .. nparts-1 is an error. The random stream comes from Seed (see
 * OPTIONS).
 */
void ZORBEL_KWayRefine(int nvtxs, int nhedges, const int *vwgts, const int *eptr,
                       const int *eind, const int *hewgts, int nparts, int UBfactor,
                       const int *options, int *part, int *edgecut);
/*
 * Reads a hypergraph file into arrays of the shape the entry points above
 * take. format names the file's format:
 *   ZORBEL_FORMAT_HGR          the hypergraph file of the programs: a line
 *                              "nhedges nvtxs [fmt]", then one line of
 *                              1-based vertices per hyperedge (see the
 *                              programs' manual pages);
 *   ZORBEL_FORMAT_MTX_COLUMNS  a Matrix Market coordinate matrix (real,
 *                              integer, complex or pattern; general,
 *                              symmetric, skew-symmetric or hermitian), in
 *                              the column-net model: the rows are the
 *                              vertices and each column a hyperedge over the
 *                              rows of its nonzeros. A symmetric matrix
 *                              counts both triangles; explicit zeros are
 *                              nonzeros; empty rows are vertices without
 *                              pins and empty columns are dropped;
 *   ZORBEL_FORMAT_MTX_ROWS     the same matrix in the row-net model: the
 *                              columns are the vertices, each row a
 *                              hyperedge;
 *   ZORBEL_FORMAT_METIS        a METIS graph (header "n m [fmt [ncon]]", one
 *                              line per vertex: [size] [weight] then its
 *                              neighbours, each followed by the edge's
 *                              weight when fmt asks for edge weights); each
 *                              edge becomes one hyperedge of two pins with
 *                              the edge's weight. Every edge must be listed
 *                              from both of its ends, with the same weight.
 * A file that begins with the gzip magic bytes is decompressed on the way,
 * and lines may be of any length. On return *nvtxs and *nhedges hold the
 * sizes, and *vwgts, *eptr, *eind and *hewgts point at arrays allocated
 * with malloc, which the caller frees with free: *vwgts and *hewgts are NULL
 * when the file gives no weights (weight 1 each), *eind is NULL when there
 * are no pins.
 * Errors: a NULL argument, an unknown format, a file that cannot be opened
 * or is malformed (the message names the file, for matrices and graphs also
 * the line and what was expected there).
 */
enum {
  ZORBEL_FORMAT_HGR = 0,
  ZORBEL_FORMAT_MTX_COLUMNS = 1,
  ZORBEL_FORMAT_MTX_ROWS = 2,
  ZORBEL_FORMAT_METIS = 3
};
void ZORBEL_ReadHypergraph(const char *filename, int format, int *nvtxs, int *nhedges, int **vwgts,
                           int **eptr, int **eind, int **hewgts);

/*
 * Sets the number of threads each later call works with, in this process and
 * from any thread; 0 or a negative number goes back to the default:
 * ZORBEL_NUM_THREADS from the environment when set (a positive integer;
 * any other value ends the run), else every hardware thread. The partition,
 * *edgecut and everything printed are the same for every number of threads
 * (the trace keeps its lines in the same order). Processor times in the
 * trace add up the time of all threads.
 */
void ZORBEL_SetNumThreads(int nthreads);

/*
 * Progress of a long call. ZORBEL_SetProgress installs, for this process and
 * from any thread, a function that the calls ZORBEL_PartRecursive,
 * ZORBEL_PartRecursiveInternal and ZORBEL_PartKway started afterwards report
 * their progress to: when the call begins, when a bisection begins, when a
 * trial or a V-cycle ends and when the stage changes. It gets the call's
 * record and the data pointer installed with it. func NULL (the default)
 * removes it; a call then reports nothing. The function may be called from
 * any thread of a call, but never by two threads of one call at once, and
 * each call keeps a record of its own; calls running at the same time may
 * call it at the same time. It should return quickly and must not call the
 * library. The partition, *edgecut and everything printed are the same with
 * a function installed or not.
 */
enum {
  ZORBEL_STAGE_BISECTIONS = 1,  /* recursive bisection */
  ZORBEL_STAGE_KWAY_TRIALS = 2, /* the trials of ZORBEL_PartKway */
  ZORBEL_STAGE_KWAY_FINISH = 3, /* the k-way pass that ends ZORBEL_PartRecursive */
  ZORBEL_STAGE_DONE = 4         /* nothing left but returning */
};
typedef struct ZORBEL_Progress {
  int stage;       /* one of the ZORBEL_STAGE_ values */
  int bisection;   /* the bisection begun last, 0 .. nbisections-1 */
  int nbisections; /* nparts-1 in recursive bisection, 0 in ZORBEL_PartKway */
  int trials;      /* trials ended of the bisection begun last, or of the
                      k-way partitioning: 0 .. nruns */
  int nruns;       /* Nruns */
  int vcycles;     /* V-cycles ended so far in the call */
} ZORBEL_Progress;
typedef void (*ZORBEL_ProgressFunc)(const ZORBEL_Progress *progress, void *data);
void ZORBEL_SetProgress(ZORBEL_ProgressFunc func, void *data);

/*
 * Partitioning by named options: the entry point to use unless a caller
 * needs the option slots above. It asks for what users of partitioners ask
 * for: a bound on the final partition, the objective to minimise, and a
 * maximum weight per part.
 *
 *   Every part ends within its limit. Without max_part_weights the limit of
 *   each part is floor((1 + epsilon) * ceil(W / nparts)), W the total vertex
 *   weight; recursive bisection then gives each bisection the imbalance the
 *   weight actually present leaves, so that the bounds do not compound, and
 *   a finished partition still over a limit (heavy or fixed vertices) is
 *   rebalanced by moving the vertices whose moves cost least out of the
 *   overweight parts. When no partition can keep the limits (a free vertex
 *   heavier than the largest limit, the vertices fixed in a part heavier
 *   than its limit, limits adding up to less than W, or weights that no
 *   assignment packs under them) the call ends with a message naming the
 *   limit and the weight.
 *
 *   Objectives, each summed over the hyperedges e with their weights w(e),
 *   lambda(e) being the number of parts e touches:
 *     ZORBEL_OBJECTIVE_CUT   w(e) for every e with lambda(e) > 1;
 *     ZORBEL_OBJECTIVE_KM1   w(e) * (lambda(e) - 1), the connectivity: for a
 *                            sparse matrix in the column-net model, the
 *                            communication volume of a parallel
 *                            matrix-vector product;
 *     ZORBEL_OBJECTIVE_SOED  w(e) * lambda(e) for every e with lambda(e) > 1
 *                            (km1 plus the cut).
 *   With km1 or soed, recursive bisection keeps each side's pins of a cut
 *   hyperedge as a hyperedge of that half (the sum of the bisections' cuts is
 *   then the km1 of the result), and the k-way refinement moves by the
 *   objective's gains. On a graph (no hyperedge of more than two pins) km1
 *   is the cut and the SOED twice the cut: every objective then runs the
 *   cut's search and gives its partition.
 *
 *   Modes: ZORBEL_MODE_RECURSIVE, multilevel recursive bisection (3 to 64
 *   parts end with a k-way pass over the whole partition, as in
 *   ZORBEL_PartRecursive); ZORBEL_MODE_KWAY, direct k-way partitioning as in
 *   ZORBEL_PartKway (no fixed vertices; at least 2 vertices).
 *
 *   Presets, how hard each bisection (or k-way partitioning) works:
 *     ZORBEL_PRESET_FAST     one trial; in recursive mode on clusters
 *                            built side by side, an initial bisection
 *                            from ten random and ten grown starts, FM
 *                            searches side by side on large levels
 *                            (early-exit FM on the others), one round
 *                            of flow refinement per bisection level
 *                            (see flows) and at most one V-cycle (per
 *                            bisection and in the k-way pass at the end,
 *                            which refines by FM alone); in k-way mode
 *                            V-cycles on it at the end, and k-way
 *                            refinement that ends with FM passes (see
 *                            quality);
 *     ZORBEL_PRESET_DEFAULT  ten trials (grouping alternating HFC and FC),
 *                            FM refinement, V-cycles on the best at the end:
 *                            the options of the simplepart program;
 *     ZORBEL_PRESET_QUALITY  as default, with V-cycles on every trial that
 *                            reaches or sets the best so far, and k-way
 *                            refinement (in the pass that ends the
 *                            recursion, and in k-way mode) that ends with
 *                            FM passes, which also take moves that cost
 *                            and keep the best partition they pass through.
 *   Later versions may make a preset stronger; the mapping is the one above
 *   until they say otherwise.
 *
 * ZORBEL_Config carries the options by name. Fill it with
 * ZORBEL_DefaultConfig and change the fields wanted: the size field tells
 * the library which fields the caller knows of, so a caller compiled against
 * an older, smaller ZORBEL_Config keeps working (the fields it does not know
 * take their defaults).
 *   size              sizeof(ZORBEL_Config) as the caller was compiled,
 *                     set by ZORBEL_DefaultConfig.
 *   epsilon           the bound on the final imbalance, 0 < epsilon < 1;
 *                     default 0.03. Ignored when max_part_weights is given.
 *   objective         a ZORBEL_OBJECTIVE_ value; default the cut.
 *   mode              a ZORBEL_MODE_ value; default recursive bisection.
 *   preset            a ZORBEL_PRESET_ value; default ZORBEL_PRESET_DEFAULT.
 *   seed              seed of the random streams; negative: the clock
 *                     (default -1). The same seed gives the same partition.
 *   threads           threads of the call; 0 (default) as
 *                     ZORBEL_SetNumThreads says. The partition does not
 *                     depend on it.
 *   fixed             NULL (default), or nvtxs ints: -1 for a free vertex,
 *                     or the part (0 .. nparts-1) the vertex must end in.
 *                     Recursive bisection only.
 *   max_part_weights  NULL (default), or nparts ints: the largest weight of
 *                     each part, each at least 0, adding up to at least W.
 *   progress, progress_data
 *                     a progress function for this call and its data
 *                     (see ZORBEL_SetProgress); NULL (default): the one
 *                     installed with ZORBEL_SetProgress, if any.
 *   flows             refinement by maximum flows after FM on the finest
 *                     level of each multilevel pass of a bisection (and
 *                     on the full hypergraph when the trials ran without
 *                     its widest hyperedges; only there when those hold a
 *                     quarter of the pins or more), and on every pair of
 *                     adjacent parts on every level of the k-way passes:
 *                     around the cut, a region of each
 *                     side is cut anew by the most balanced minimum cut of
 *                     a flow network of its hyperedges, which moves groups
 *                     of vertices that no sequence of single moves reaches.
 *                     ZORBEL_FLOWS_ON or ZORBEL_FLOWS_OFF; ZORBEL_FLOWS_PRESET
 *                     (default) as the preset says: on in the fast
 *                     preset's recursive mode, where a bisection level gets
 *                     one round of it (the others up to four) and the
 *                     k-way pass at the end none; off in the other presets
 *                     and modes.
 * ZORBEL_Partition writes the part of every vertex to part (nvtxs ints) and
 * the objective's value of that partition to *objective_value. It checks
 * its arrays as the other entry points do (with the sum of external degrees
 * bounded as for ZORBEL_PartKway, which bounds every objective by INT_MAX), and ends the run with one line
 * naming the field for a bad option, e.g. "ZORBEL_Partition:
 * config->epsilon must lie strictly between 0 and 1, not 1.5." The option
 * slots' trace (dbglvl) is off.
 */
enum { ZORBEL_OBJECTIVE_CUT = 0, ZORBEL_OBJECTIVE_KM1 = 1, ZORBEL_OBJECTIVE_SOED = 2 };
enum { ZORBEL_MODE_RECURSIVE = 0, ZORBEL_MODE_KWAY = 1 };
enum { ZORBEL_PRESET_FAST = 0, ZORBEL_PRESET_DEFAULT = 1, ZORBEL_PRESET_QUALITY = 2 };
enum { ZORBEL_FLOWS_PRESET = -1, ZORBEL_FLOWS_OFF = 0, ZORBEL_FLOWS_ON = 1 };
typedef struct ZORBEL_Config {
  size_t size;
  double epsilon;
  int objective;
  int mode;
  int preset;
  int seed;
  int threads;
  const int *fixed;
  const int *max_part_weights;
  ZORBEL_ProgressFunc progress;
  void *progress_data;
  int flows;
} ZORBEL_Config;
void ZORBEL_DefaultConfig(ZORBEL_Config *config);
void ZORBEL_Partition(int nvtxs, int nhedges, const int *vwgts, const int *eptr, const int *eind,
                      const int *hewgts, int nparts, const ZORBEL_Config *config, int *part,
                      int *objective_value);

/*
 * The receiver of the library's fatal errors. It gets the message as it
 * would be printed (the newline errexit adds left off) and does not return:
 * from C++ it leaves by throwing an exception. The call that failed then
 * unwinds: every thread it works with stops first, and the exception reaches
 * the caller of the entry point on the caller's thread. Memory the call held
 * may be lost. A handler that returns ends the process as without one.
 */
typedef void (*ZORBEL_ErrorHandler)(const char *message);
/*
 * Installs handler for every later error of any thread in this process (one
 * handler for the whole process: install it before calls start); NULL goes
 * back to the line on standard error and exit status 1. Returns the handler
 * it replaces. A file the library cannot open is reported the same way, as
 * the line it would print.
 */
ZORBEL_ErrorHandler ZORBEL_SetErrorHandler(ZORBEL_ErrorHandler handler);

#ifdef __cplusplus
}
#endif

#endif /* ZORBEL_H */
