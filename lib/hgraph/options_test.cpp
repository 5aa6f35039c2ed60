// Reading and checking the option slots of every entry point in one place.
#include <gtest/gtest.h>

#include "hgraph/ctrl.h"

namespace {

constexpr EntryKind kAllEntries[] = {EntryKind::Recursive, EntryKind::RecursiveInternal,
                                     EntryKind::TwoWayRefine, EntryKind::Kway,
                                     EntryKind::KwayRefine};

bool IsRecursive(EntryKind e) {
  return e == EntryKind::Recursive || e == EntryKind::RecursiveInternal;
}
bool IsKway(EntryKind e) { return e == EntryKind::Kway || e == EntryKind::KwayRefine; }

TEST(ReadOptions, GivenSlotsLandInTheirNamedFieldsAndTheTopRecord) {
  const int given[9] = {1, 2, 3, 2, 3, 1, 1, 42, 8};
  for (EntryKind e : kAllEntries) {
    const Options opt = ReadOptions__(e, 500, 4, 10, given);
    EXPECT_EQ(opt.entry, e);
    EXPECT_EQ(opt.Nruns, 2);
    EXPECT_EQ(opt.CType, COARSEN_GFC);
    EXPECT_EQ(opt.VCycle, VCYCLE_ALL);
    EXPECT_EQ(opt.Seed, 42);
    EXPECT_EQ(opt.dbglvl, 8);
    EXPECT_EQ(opt.MaxNetSize, 50);
    // Slot 3 is the objective of the k-way entries and the scheme elsewhere.
    EXPECT_EQ(opt.OType, IsKway(e) ? OBJ_SOED : OBJ_CUT);
    EXPECT_EQ(opt.RType, IsKway(e) ? REFINE_FM : REFINE_ONEWAY_FM);
    // Reconstruction and fixed vertices belong to recursive bisection only.
    EXPECT_EQ(opt.Reconst, IsRecursive(e) ? 1 : 0);
    EXPECT_EQ(opt.Fixed, IsRecursive(e) ? 1 : 0);
    EXPECT_EQ(opt.KwayFinish, e == EntryKind::Recursive ? 1 : 0);
    EXPECT_EQ(opt.CoarsenTo, e == EntryKind::Kway ? 499 : 100);
    EXPECT_EQ(opt.ubfactor, IsKway(e) ? static_cast<float>(1.1) : static_cast<float>(0.1));

    const CtrlType ctrl = CallCtrl__(opt);
    EXPECT_TRUE(ctrl.opt == opt);
    EXPECT_EQ(ctrl.CType, opt.CType);
    EXPECT_EQ(ctrl.RType, 2);
    EXPECT_EQ(ctrl.CoarsenTo, opt.CoarsenTo);
    EXPECT_EQ(ctrl.ubfactor, opt.ubfactor);
    EXPECT_EQ(ctrl.dbglvl, 8);
    EXPECT_EQ(ctrl.nparts, 4);
    EXPECT_NE(ctrl.ctx, nullptr);
  }
}

TEST(ReadOptions, SlotZeroOrNoVectorGivesTheDefaults) {
  const int junk[9] = {0, 7, 7, 7, 7, 7, 7, 7, 7};
  for (EntryKind e : kAllEntries) {
    for (const int *options : {junk, static_cast<const int *>(nullptr)}) {
      const Options opt = ReadOptions__(e, 500, 65, 10, options);
      Options want;
      want.entry = e;
      want.nparts = 65;
      want.ubfactor = opt.ubfactor;
      want.CoarsenTo = e == EntryKind::Kway ? 499 : 100;
      EXPECT_TRUE(opt == want);  // no k-way finish past 64 parts either
    }
  }
}

// Each top record has its own context: two calls never share a stream.
TEST(ReadOptions, EveryTopRecordHasItsOwnContext) {
  const Options opt = ReadOptions__(EntryKind::Kway, 500, 4, 10, nullptr);
  const CtrlType a = CallCtrl__(opt), b = CallCtrl__(opt);
  EXPECT_NE(a.ctx, b.ctx);
  const CtrlType view = a;
  EXPECT_EQ(view.ctx, a.ctx);
}

struct BadSlot {
  EntryKind entry;
  int nparts, UBfactor;
  int options[9];
  const char *message;
};

TEST(ReadOptionsDeath, TheFirstFailingCheckEndsTheRunWithItsMessage) {
  const BadSlot cases[] = {
      {EntryKind::Recursive, 1, 0, {1, 0, 9, 9, 9, 9, 9, 0, 0}, "^Nparts should be at least 2\\.\n\n$"},
      {EntryKind::RecursiveInternal, 2, 50, {1, 0, 9, 9, 9, 9, 9, 0, 0}, "^UBfactor should be between 1 and 49\\.\n\n$"},
      {EntryKind::Recursive, 2, 5, {1, 0, 9, 9, 9, 9, 9, 0, 0}, "^Nruns should be at least 1\\.\n\n$"},
      {EntryKind::Recursive, 2, 5, {1, 1, 6, 9, 9, 9, 9, 0, 0}, "^Ctype should be between 1 and 5\\.\n\n$"},
      {EntryKind::Recursive, 2, 5, {1, 1, 5, 4, 9, 9, 9, 0, 0}, "^Rtype should be between 1 and 3\\.\n\n$"},
      {EntryKind::Recursive, 2, 5, {1, 1, 5, 3, -1, 9, 9, 0, 0}, "^Vcycle should be between 0 and 3\\.\n\n$"},
      {EntryKind::Recursive, 2, 5, {1, 1, 5, 3, 3, 2, 9, 0, 0}, "^Reconst should be between 0 and 1\\.\n\n$"},
      {EntryKind::Recursive, 2, 5, {1, 1, 5, 3, 3, 1, -1, 0, 0}, "^Fixed should be between 0 and 1\\.\n\n$"},
      {EntryKind::Kway, 1, 4, {1, 0, 9, 9, 9, 9, 9, 0, 0}, "^Nparts should be at least 2\\.\n\n$"},
      {EntryKind::Kway, 2, 4, {1, 0, 9, 9, 9, 9, 9, 0, 0}, "^UBfactor should be greater than 5\\.\n\n$"},
      {EntryKind::Kway, 2, 5, {1, 1, 5, 3, 3, 9, 9, 0, 0}, "^Rtype should be between 1 and 2\\.\n\n$"},
      {EntryKind::Kway, 2, 5, {1, 1, 5, 2, 4, 9, 9, 0, 0}, "^Vcycle should be between 0 and 3\\.\n\n$"},
  };
  for (const BadSlot &c : cases) {
    SCOPED_TRACE(c.message);
    EXPECT_EXIT(ReadOptions__(c.entry, 100, c.nparts, c.UBfactor, c.options),
                ::testing::ExitedWithCode(1), c.message);
  }
}

// The refine entries improve what they are given and check no slot.
TEST(ReadOptions, RefineEntriesTakeSlotsUnchecked) {
  const int wild[9] = {1, -5, 9, 7, 8, 9, 9, 3, 0};
  for (EntryKind e : {EntryKind::TwoWayRefine, EntryKind::KwayRefine}) {
    const Options opt = ReadOptions__(e, 100, 2, -3, wild);
    EXPECT_EQ(opt.Nruns, -5);
    EXPECT_EQ(static_cast<int>(opt.CType), 9);
    EXPECT_EQ(static_cast<int>(opt.VCycle), 8);
  }
}

}  // namespace
