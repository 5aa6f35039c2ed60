// The public reader: any supported file format into the arrays the
// partitioning entry points take.
#include "io/io.h"
#include "zorbel.h"

HGraph *ReadHGraphFormat(const char *filename, int format) {
  switch (format) {
    case ZORBEL_FORMAT_HGR:
      return ReadHGraph(filename);
    case ZORBEL_FORMAT_MTX_COLUMNS:
      return ReadMatrixMarket(filename, MtxModel::kColumnNet);
    case ZORBEL_FORMAT_MTX_ROWS:
      return ReadMatrixMarket(filename, MtxModel::kRowNet);
    case ZORBEL_FORMAT_METIS:
      return ReadMetisGraph(filename);
    default:
      errexit__("ZORBEL_ReadHypergraph: format %d is none of ZORBEL_FORMAT_HGR (0), ZORBEL_FORMAT_MTX_COLUMNS (1), "
                "ZORBEL_FORMAT_MTX_ROWS (2) and ZORBEL_FORMAT_METIS (3).\n",
                format);
  }
}

// The arrays the reader allocated pass to the caller as they are: the
// library allocates with malloc, so the caller frees them with free.
extern "C" void ZORBEL_ReadHypergraph(const char *filename, int format, int *nvtxs, int *nhedges,
                                      int **vwgts, int **eptr, int **eind, int **hewgts) {
  const char *who = "ZORBEL_ReadHypergraph";
  RequireCallerArray__(who, "filename", filename);
  RequireCallerArray__(who, "nvtxs", nvtxs);
  RequireCallerArray__(who, "nhedges", nhedges);
  RequireCallerArray__(who, "vwgts", vwgts);
  RequireCallerArray__(who, "eptr", eptr);
  RequireCallerArray__(who, "eind", eind);
  RequireCallerArray__(who, "hewgts", hewgts);
  HGraphOwner graph(ReadHGraphFormat(filename, format));
  *nvtxs = graph->nvtxs;
  *nhedges = graph->nhedges;
  *vwgts = graph->cellwgt.release();
  *eptr = graph->netptr.release();
  *eind = graph->netind.release();
  *hewgts = graph->netwgt.release();
}
