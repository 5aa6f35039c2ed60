// Every file format of the library: hypergraph files, Matrix Market
// matrices and METIS graphs read as hypergraphs, and the partition and
// fixed-vertex files. Each reads through one tokenizer (text.h), so every
// file may have lines of any length and may be gzip-compressed.
#pragma once

#include "hgraph/hgraph.h"

// ---- Hypergraph file ----------------------------------------------------------
HGraph *ReadHGraph(const char *filename);
int GetNetListSize(const char *filename);

// ---- Matrix Market coordinate files -------------------------------------------
// Column-net: the rows are the vertices and each column is a hyperedge over
// the rows of its nonzeros. Row-net: the transpose.
enum class MtxModel { kColumnNet, kRowNet };
HGraph *ReadMatrixMarket(const char *filename, MtxModel model);

// ---- METIS graph files --------------------------------------------------------
// Each undirected edge becomes a hyperedge of two pins with the edge's weight.
HGraph *ReadMetisGraph(const char *filename);

// ---- Partition and fix files --------------------------------------------------
void WriteHGraphPart(int nvtxs, const int *part, const char *filename);
void ReadPartition(int nvtxs, int *part, const char *filename);
// A finished partition, as any partitioner writes it: exactly one part
// number from 0 up per vertex, and nothing after the last.
void ReadFullPartition(int nvtxs, int *part, const char *filename);
