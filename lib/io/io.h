// Every file format of the library: hypergraph files, Matrix Market
// matrices and METIS graphs read as hypergraphs, and the partition and
// fixed-vertex files. Each reads through one tokenizer (text.h), so every
// file may have lines of any length and may be gzip-compressed.
#pragma once

#include <cstdio>
#include <functional>

#include "hgraph/hgraph.h"

// ---- Hypergraph file ----------------------------------------------------------
HGraph *ReadHGraph(const char *filename);
int GetNetListSize(const char *filename);
// Writes graph in that format, with the weight lines only where some weight
// differs from 1 (format code 0, 1, 10 or 11), so that ReadHGraph gives back
// the same hypergraph.
void WriteHGraphFile(const HGraph *graph, const char *filename);

// ---- Matrix Market coordinate files -------------------------------------------
// Column-net: the rows are the vertices and each column is a hyperedge over
// the rows of its nonzeros. Row-net: the transpose.
enum class MtxModel { kColumnNet, kRowNet };
HGraph *ReadMatrixMarket(const char *filename, MtxModel model);

// ---- METIS graph files --------------------------------------------------------
// Each undirected edge becomes a hyperedge of two pins with the edge's weight.
HGraph *ReadMetisGraph(const char *filename);

// ---- Any of them ------------------------------------------------------------
// The file read in the format of a ZORBEL_FORMAT_ code.
HGraph *ReadHGraphFormat(const char *filename, int format);

// ---- Partition and fix files --------------------------------------------------
// Into "<filename>.part.<largest part + 1>".
void WriteHGraphPart(int nvtxs, const int *part, const char *filename);
// Into filename itself.
void WritePartitionFile(int nvtxs, const int *part, const char *filename);
void ReadPartition(int nvtxs, int *part, const char *filename);
// A finished partition, as any partitioner writes it: exactly one part
// number from 0 up per vertex, and nothing after the last.
void ReadFullPartition(int nvtxs, int *part, const char *filename);

// ---- Writing ------------------------------------------------------------------
// body writes the file's content to a temporary file beside filename and
// returns the errno of its first failure, 0 when all is written; the
// temporary file then replaces filename. On any failure the temporary file
// goes and the run ends with "<what> <filename>: <reason>".
void WriteAtomically(const char *filename, const char *what, const std::function<int(FILE *)> &body);
