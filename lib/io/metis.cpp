// The METIS graph reader. Each undirected edge becomes a hyperedge of two
// pins carrying the edge's weight. A graph file lists every edge from both
// ends; the reader sorts each vertex's neighbours and walks the vertices in
// order, so that the two listings of an edge meet like the heads of two
// merged lists and any listing without its partner shows at once.
#include <algorithm>
#include <climits>
#include <cstring>

#include "io/io.h"
#include "io/text.h"

namespace {

struct Header {
  int nvtxs;
  int nedges;
  bool sizes;     // each vertex line begins with the vertex's size
  bool vwgts;     // then with its weight
  bool ewgts;     // each neighbour is followed by the edge's weight
  long long line;
};

// The format's digits, right-aligned: vertex sizes, vertex weights, edge
// weights.
void ReadFormat(TextInput &in, Header &h) {
  const std::string fmt = in.Word();
  bool valid = fmt.size() <= 3;
  for (char c : fmt) valid = valid && (c == '0' || c == '1');
  if (!valid)
    errexit__("%s, line %lld: the format \"%s\" must be at most three digits 0 or 1 (vertex sizes, vertex weights, "
              "edge weights)",
              in.Name(), in.LineNumber(), fmt.c_str());
  const std::string digits = std::string(3 - fmt.size(), '0') + fmt;
  h.sizes = digits[0] == '1';
  h.vwgts = digits[1] == '1';
  h.ewgts = digits[2] == '1';
}

Header ReadHeader(TextInput &in) {
  if (!in.NextLineWithData())
    errexit__("%s: the file ends before the header line; expected the numbers of vertices and edges", in.Name());
  Header h{0, 0, false, false, false, in.LineNumber()};
  if (!in.ReadIntOfLine(h.nvtxs) || !in.ReadIntOfLine(h.nedges))
    errexit__("%s, line %lld: expected the numbers of vertices and edges", in.Name(), h.line);
  if (h.nvtxs < 0 || h.nedges < 0)
    errexit__("%s, line %lld: the numbers of vertices and edges must not be negative, not %d and %d", in.Name(),
              h.line, h.nvtxs, h.nedges);
  // Two pins per edge, counted in an int.
  if (h.nedges > INT_MAX / 2)
    errexit__("%s, line %lld: %d edges have more pins than an int can count", in.Name(), h.line, h.nedges);
  if (in.MoreOnLine()) ReadFormat(in, h);
  if (in.MoreOnLine()) {
    int ncon;
    if (!in.ReadIntOfLine(ncon))
      errexit__("%s, line %lld: expected the number of weights per vertex, not \"%s\"", in.Name(), h.line,
                in.Word().c_str());
    if (ncon != 1)
      errexit__("%s, line %lld: %d weights per vertex are not supported; a vertex has one weight", in.Name(),
                h.line, ncon);
  }
  if (in.MoreOnLine())
    errexit__("%s, line %lld: expected at most the numbers of vertices and edges, the format and the number of "
              "weights per vertex",
              in.Name(), h.line);
  return h;
}

// The neighbour lists as read, each sorted: key is the neighbour (0-based),
// val the edge's weight. The list grows by doubling, so that a header
// claiming more edges than the file lists costs no memory.
struct Adjacency {
  ZBArray<int> xadj;           // [nvtxs+1]
  ZBArray<KeyValueType> adj;   // [xadj[nvtxs]]
  ZBArray<long long> line;     // [nvtxs] the line of each vertex, for the messages
  int n = 0;
  int room = 0;

  void Add(const TextInput &in, int u, int w) {
    if (n == room) {
      if (room == INT_MAX)
        errexit__("%s, line %lld: the vertex lines list more neighbours than an int can count", in.Name(),
                  in.LineNumber());
      int fresh = room == 0 ? 1 << 12 : room > INT_MAX / 2 ? INT_MAX : 2 * room;
      KeyValueType *grown = ZBmallocT__<KeyValueType>(fresh, "ReadMetisGraph: adj");
      if (n > 0) std::memcpy(grown, adj.get(), static_cast<size_t>(n) * sizeof(KeyValueType));
      adj = grown;
      room = fresh;
    }
    adj[n++] = KeyValueType{u, w};
  }
};

void ReadVertexLine(TextInput &in, const Header &h, int v, Adjacency &a, int *cellwgt) {
  const int nvtxs = h.nvtxs, vnum = v + 1;
  const char *name = in.Name();
  const long long line = in.LineNumber();
  a.line[v] = line;
  int x;
  if (h.sizes && !in.ReadIntOfLine(x)) errexit__("%s, line %lld: expected the size of vertex %d", name, line, vnum);
  if (h.vwgts) {
    if (!in.ReadIntOfLine(x)) errexit__("%s, line %lld: expected the weight of vertex %d", name, line, vnum);
    if (x < 0) errexit__("%s, line %lld: vertex %d has negative weight %d", name, line, vnum, x);
    cellwgt[v] = x;
  }
  const int start = a.xadj[v] = a.n;
  int u;
  while (in.ReadIntOfLine(u)) {
    if (u < 1 || u > nvtxs)
      errexit__("%s, line %lld: neighbour %d of vertex %d lies outside 1..%d", name, line, u, vnum, nvtxs);
    if (u == vnum) errexit__("%s, line %lld: vertex %d lists itself as a neighbour", name, line, vnum);
    int w = 1;
    if (h.ewgts) {
      if (!in.ReadIntOfLine(w))
        errexit__("%s, line %lld: expected the weight of the edge from vertex %d to vertex %d", name, line, vnum, u);
      if (w < 0)
        errexit__("%s, line %lld: the edge from vertex %d to vertex %d has negative weight %d", name, line, vnum, u,
                  w);
    }
    a.Add(in, u - 1, w);
  }
  if (in.MoreOnLine())
    errexit__("%s, line %lld: expected a neighbour of vertex %d, not \"%s\"", name, line, vnum, in.Word().c_str());
  KeyValueType *list = a.adj + start;
  const int len = a.n - start;
  std::sort(list, list + len, [](const KeyValueType &p, const KeyValueType &q) { return p.key < q.key; });
  for (int k = 1; k < len; ++k)
    if (list[k].key == list[k - 1].key)
      errexit__("%s, line %lld: vertex %d lists neighbour %d twice", name, line, vnum, list[k].key + 1);
}

[[noreturn]] void OneEndOnly(const char *filename, const Adjacency &a, int lister, int listed) {
  errexit__("%s, line %lld: vertex %d lists vertex %d, but vertex %d does not list vertex %d", filename,
            a.line[lister], lister + 1, listed + 1, listed + 1, lister + 1);
}

// Vertex u's listings of its larger neighbours are matched, in increasing
// order of u, against the smaller-neighbour parts of their lists: next[v]
// is the first listing of v no smaller vertex has matched yet. Every
// smaller vertex that lists v has been walked already, so whatever v lists
// below the vertex at hand was never listed back.
void CheckBothEnds(const char *filename, int nvtxs, const Adjacency &a) {
  const int *xadj = a.xadj;
  const KeyValueType *adj = a.adj;
  ZBArray<int> next;
  next = icopy__(nvtxs, xadj, imalloc__(nvtxs, "ReadMetisGraph: next"));
  for (int u = 0; u < nvtxs; ++u) {
    int j = next[u];
    if (j < xadj[u + 1] && adj[j].key < u) OneEndOnly(filename, a, u, adj[j].key);
    for (; j < xadj[u + 1]; ++j) {
      const int v = adj[j].key;
      const int q = next[v];
      if (q < xadj[v + 1] && adj[q].key < u) OneEndOnly(filename, a, v, adj[q].key);
      if (q == xadj[v + 1] || adj[q].key > u) OneEndOnly(filename, a, u, v);
      if (adj[q].val != adj[j].val)
        errexit__("%s, line %lld: vertex %d gives the edge to vertex %d weight %d, but vertex %d gives it weight %d",
                  filename, a.line[v], v + 1, u + 1, adj[q].val, u + 1, adj[j].val);
      ++next[v];
    }
  }
}

// One hyperedge {u, v} per edge, in order of u, then of v.
void BuildHyperedges(const Header &h, const Adjacency &a, HGraph *graph) {
  const int nedges = h.nedges;
  graph->netptr = imalloc__(static_cast<size_t>(nedges) + 1, "ReadMetisGraph: netptr");
  graph->netind = imalloc__(2 * static_cast<size_t>(nedges), "ReadMetisGraph: netind");
  if (h.ewgts) graph->netwgt = imalloc__(nedges, "ReadMetisGraph: netwgt");
  int *netptr = graph->netptr, *netind = graph->netind, *netwgt = graph->netwgt;
  int e = 0;
  for (int u = 0; u < h.nvtxs; ++u)
    for (int j = a.xadj[u]; j < a.xadj[u + 1]; ++j) {
      if (a.adj[j].key < u) continue;
      netptr[e] = 2 * e;
      netind[2 * e] = u;
      netind[2 * e + 1] = a.adj[j].key;
      if (netwgt) netwgt[e] = a.adj[j].val;
      ++e;
    }
  netptr[nedges] = 2 * nedges;
}

}  // namespace

HGraph *ReadMetisGraph(const char *filename) {
  TextInput in(filename, "Can't open input file");
  const Header h = ReadHeader(in);
  const int nvtxs = h.nvtxs;
  HGraphOwner graph(CreateHGraph__());
  if (h.vwgts) graph->cellwgt = imalloc__(nvtxs, "ReadMetisGraph: cellwgt");

  Adjacency a;
  a.xadj = imalloc__(static_cast<size_t>(nvtxs) + 1, "ReadMetisGraph: xadj");
  a.line = ZBmallocT__<long long>(nvtxs, "ReadMetisGraph: line");
  // A blank line is a vertex without neighbours.
  for (int v = 0; v < nvtxs; ++v) {
    if (!in.NextUncommentedLine()) errexit__("%s: the file ends after %d of %d vertex lines", filename, v, nvtxs);
    ReadVertexLine(in, h, v, a, graph->cellwgt);
  }
  a.xadj[nvtxs] = a.n;
  if (in.NextLineWithData())
    errexit__("%s, line %lld: more vertex lines than the header's %d", filename, in.LineNumber(), nvtxs);

  CheckBothEnds(filename, nvtxs, a);
  // Both ends agree, so every edge is listed exactly twice.
  const long long nlisted = a.n / 2;
  if (nlisted != h.nedges)
    errexit__("%s, line %lld: the header gives %d edges, but the vertex lines list %lld", filename, h.line,
              h.nedges, nlisted);
  graph->nvtxs = nvtxs;
  graph->nhedges = h.nedges;
  BuildHyperedges(h, a, graph.get());
  CheckHGraphInput__(filename, nvtxs, graph->nhedges, graph->cellwgt, graph->netptr, graph->netind, graph->netwgt,
                     0);
  return graph.release();
}
