/*
 * ZORBEL: multilevel hypergraph partitioning.
 *
 * The public entry points, usable from C and C++. The library never writes or
 * frees the caller's arrays; results come back only through part and *edgecut.
 * Two calls must not run at the same time.
 */
#ifndef ZORBEL_H
#define ZORBEL_H

#ifdef __cplusplus
extern "C" {
#endif

void ZORBEL_PartRecursive(int nvtxs, int nhedges, const int *vwgts, const int *eptr,
                          const int *eind, const int *hewgts, int nparts, int UBfactor,
                          const int *options, int *part, int *edgecut);
void ZORBEL_PartRecursiveInternal(int nvtxs, int nhedges, const int *vwgts, const int *eptr,
                                  const int *eind, const int *hewgts, int nparts, int UBfactor,
                                  const int *options, int *part, int *edgecut);
void ZORBEL_2WayRefine(int nvtxs, int nhedges, const int *vwgts, const int *eptr,
                       const int *eind, const int *hewgts, int UBfactor, const int *options,
                       int *part, int *edgecut);
void ZORBEL_PartKway(int nvtxs, int nhedges, const int *vwgts, const int *eptr, const int *eind,
                     const int *hewgts, int nparts, int UBfactor, const int *options, int *part,
                     int *edgecut);
void ZORBEL_KWayRefine(int nvtxs, int nhedges, const int *vwgts, const int *eptr,
                       const int *eind, const int *hewgts, int nparts, int UBfactor,
                       const int *options, int *part, int *edgecut);

#ifdef __cplusplus
}
#endif

#endif /* ZORBEL_H */
