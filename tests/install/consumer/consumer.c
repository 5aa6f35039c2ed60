/*
 * A user's C program built against an installed ZORBEL: it partitions a
 * hypergraph made in memory and checks what comes back against its own
 * recount. Exit status 0 when every check holds.
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <zorbel.h>

enum { ROWS = 12, COLS = 12, NVTXS = ROWS * COLS, MAXHEDGES = 2 * NVTXS, MAXPINS = 4 * MAXHEDGES };

struct hgraph {
  int nhedges;
  int eptr[MAXHEDGES + 1];
  int eind[MAXPINS];
  int hewgts[MAXHEDGES];
  int vwgts[NVTXS];
};

static void add_hedge(struct hgraph *g, const int *pins, int npins, int wgt) {
  int start = g->eptr[g->nhedges];
  memcpy(g->eind + start, pins, (size_t)npins * sizeof(int));
  g->hewgts[g->nhedges] = wgt;
  g->eptr[++g->nhedges] = start + npins;
}

/* A grid: one three-pin hyperedge along each row step, one two-pin hyperedge
 * down each column step, weights and vertex weights from 1 to 3. */
static void build_grid(struct hgraph *g) {
  int r, c;
  g->nhedges = 0;
  g->eptr[0] = 0;
  for (r = 0; r < ROWS; r++) {
    for (c = 0; c < COLS; c++) {
      int v = r * COLS + c;
      g->vwgts[v] = 1 + (r + 2 * c) % 3;
      if (c + 2 < COLS) {
        int pins[3];
        pins[0] = v; pins[1] = v + 1; pins[2] = v + 2;
        add_hedge(g, pins, 3, 1 + (r * c) % 3);
      }
      if (r + 1 < ROWS) {
        int pins[2];
        pins[0] = v; pins[1] = v + COLS;
        add_hedge(g, pins, 2, 1 + (r + c) % 2);
      }
    }
  }
}

static int recount_cut(const struct hgraph *g, const int *hewgts, const int *part) {
  int e, j, cut = 0;
  for (e = 0; e < g->nhedges; e++) {
    for (j = g->eptr[e] + 1; j < g->eptr[e + 1]; j++) {
      if (part[g->eind[j]] != part[g->eind[g->eptr[e]]]) {
        cut += hewgts ? hewgts[e] : 1;
        break;
      }
    }
  }
  return cut;
}

static int failures = 0;

static void expect(int ok, const char *what, const char *call) {
  if (!ok) {
    fprintf(stderr, "%s: %s\n", call, what);
    failures++;
  }
}

typedef void (*entry_point)(int, int, const int *, const int *, const int *, const int *, int, int,
                            const int *, int *, int *);

/* ZORBEL_2WayRefine in the shape of the others (it always makes two parts). */
static void two_way_refine(int nvtxs, int nhedges, const int *vwgts, const int *eptr,
                           const int *eind, const int *hewgts, int nparts, int ubfactor,
                           const int *options, int *part, int *edgecut) {
  (void)nparts;
  ZORBEL_2WayRefine(nvtxs, nhedges, vwgts, eptr, eind, hewgts, ubfactor, options, part, edgecut);
}

/* Calls one entry point on the caller's arrays and checks the result; part
 * carries the partition to refine in and the result out. */
static void check_call(const char *name, entry_point fn, const struct hgraph *g, int weighted,
                       int nparts, int ubfactor, int *part) {
  static struct hgraph copy;
  int options[9] = {1, 2, 1, 1, 1, 0, 0, 7, 0};
  int options_copy[9];
  int edgecut = -1, v;

  memcpy(&copy, g, sizeof copy);
  memcpy(options_copy, options, sizeof options);

  fn(NVTXS, g->nhedges, weighted ? g->vwgts : NULL, g->eptr, g->eind, weighted ? g->hewgts : NULL,
     nparts, ubfactor, options, part, &edgecut);

  for (v = 0; v < NVTXS; v++) {
    if (part[v] < 0 || part[v] >= nparts) {
      expect(0, "a part number out of range", name);
      return;
    }
  }
  expect(edgecut == recount_cut(g, weighted ? g->hewgts : NULL, part),
         "the returned cut differs from the recount", name);
  expect(memcmp(&copy, g, sizeof copy) == 0, "the caller's hypergraph arrays changed", name);
  expect(memcmp(options_copy, options, sizeof options) == 0, "the option vector changed", name);
  printf("%s: %d parts, cut %d\n", name, nparts, edgecut);
}

/* The entry point with named options: every part within 3% of ceil(W / 6),
 * the cut it reports equal to the recount. */
static void check_partition(const struct hgraph *g) {
  ZORBEL_Config config;
  int part[NVTXS], pwgts[6] = {0}, value = -1, total = 0, v, p;
  ZORBEL_DefaultConfig(&config);
  config.seed = 3;
  config.preset = ZORBEL_PRESET_FAST;
  ZORBEL_Partition(NVTXS, g->nhedges, g->vwgts, g->eptr, g->eind, g->hewgts, 6, &config, part, &value);
  for (v = 0; v < NVTXS; v++) {
    if (part[v] < 0 || part[v] >= 6) {
      expect(0, "a part number out of range", "ZORBEL_Partition");
      return;
    }
    pwgts[part[v]] += g->vwgts[v];
    total += g->vwgts[v];
  }
  for (p = 0; p < 6; p++)
    expect(pwgts[p] * 100 <= ((total + 5) / 6) * 103, "a part over its bound", "ZORBEL_Partition");
  expect(value == recount_cut(g, g->hewgts, part), "the returned cut differs from the recount",
         "ZORBEL_Partition");
  printf("ZORBEL_Partition: 6 parts, cut %d\n", value);
}

int main(void) {
  static struct hgraph g;
  int part4[NVTXS] = {0}, part2[NVTXS] = {0}, partk[NVTXS] = {0};
  build_grid(&g);
  check_call("ZORBEL_PartRecursive", ZORBEL_PartRecursive, &g, 1, 4, 5, part4);
  check_call("ZORBEL_KWayRefine", ZORBEL_KWayRefine, &g, 1, 4, 5, part4);
  check_call("ZORBEL_PartRecursiveInternal", ZORBEL_PartRecursiveInternal, &g, 0, 2, 10, part2);
  check_call("ZORBEL_2WayRefine", two_way_refine, &g, 0, 2, 10, part2);
  check_call("ZORBEL_PartKway", ZORBEL_PartKway, &g, 1, 4, 5, partk);
  check_partition(&g);
  return failures == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
}
