#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "hgraph/hgraph.h"

namespace {

// Four vertices, hyperedges {0,1,2}, {2,3}, {1,3}.
struct Arrays {
  int nvtxs = 4;
  std::vector<int> eptr{0, 3, 5, 7};
  std::vector<int> eind{0, 1, 2, 2, 3, 1, 3};
  std::vector<int> vwgts{1, 2, 3, 4};
  std::vector<int> hewgts{1, 1, 1};
  int nhedges() const { return static_cast<int>(eptr.size()) - 1; }
};

void Check(const Arrays &a, bool weights = true) {
  CheckHGraphInput__("who", a.nvtxs, a.nhedges(), weights ? a.vwgts.data() : nullptr,
                     a.eptr.data(), a.eind.data(), weights ? a.hewgts.data() : nullptr, 0);
}

const auto exit1 = ::testing::ExitedWithCode(1);

TEST(CheckHGraphInput, AcceptsWellFormedArraysWithAndWithoutWeights) {
  Arrays a;
  Check(a);
  Check(a, false);
  a.vwgts[0] = a.hewgts[2] = 0;  // zero weights are allowed, as in files
  Check(a);
  a.eptr = {0, 3, 3, 7};  // an empty hyperedge
  Check(a);
}

TEST(CheckHGraphInputDeath, RefusesEachMalformedArrayNamingPositionAndValue) {
  Arrays a;
  a.eind[5] = 1000000;
  EXPECT_EXIT(Check(a), exit1, "^who: eind\\[5\\] = 1000000 lies outside 0\\.\\.3\\.\n");
  a = Arrays();
  a.eind[0] = -1;
  EXPECT_EXIT(Check(a), exit1, "^who: eind\\[0\\] = -1 lies outside 0\\.\\.3\\.\n");
  a = Arrays();
  a.eptr = {0, 5, 4, 6};
  EXPECT_EXIT(Check(a), exit1, "^who: eptr\\[2\\] = 4 lies below eptr\\[1\\] = 5\\.\n");
  a = Arrays();
  a.eptr[0] = 1;
  EXPECT_EXIT(Check(a), exit1, "^who: eptr\\[0\\] = 1 is not 0\\.\n");
  a = Arrays();
  a.vwgts[2] = -5;
  EXPECT_EXIT(Check(a), exit1, "^who: vwgts\\[2\\] = -5 is negative\\.\n");
  a = Arrays();
  a.hewgts[1] = -1;
  EXPECT_EXIT(Check(a), exit1, "^who: hewgts\\[1\\] = -1 is negative\\.\n");
  a = Arrays();
  EXPECT_EXIT(CheckHGraphInput__("who", -1, 3, nullptr, a.eptr.data(), a.eind.data(), nullptr, 0),
              exit1, "^who: nvtxs = -1 is negative\\.\n");
  EXPECT_EXIT(CheckHGraphInput__("who", 4, -2, nullptr, a.eptr.data(), a.eind.data(), nullptr, 0),
              exit1, "^who: nhedges = -2 is negative\\.\n");
  EXPECT_EXIT(CheckHGraphInput__("who", 4, 3, nullptr, nullptr, a.eind.data(), nullptr, 0), exit1,
              "^who: eptr is NULL\\.\n");
  EXPECT_EXIT(CheckHGraphInput__("who", 4, 3, nullptr, a.eptr.data(), nullptr, nullptr, 0), exit1,
              "^who: eind is NULL\\.\n");
}

TEST(CheckHGraphInput, EindMayBeNullWithoutPins) {
  const int eptr[] = {0, 0};
  CheckHGraphInput__("who", 3, 1, nullptr, eptr, nullptr, nullptr, 0);
}

TEST(CheckHGraphInputDeath, TakesWeightTotalsAtTheLimitsAndRefusesOnePast) {
  const int eptr[] = {0, 2}, eind[] = {0, 1};
  int vw[] = {kMaxTotalWeight - 5, 5}, hw[] = {kMaxTotalWeight};
  // Two parts of one two-pin hyperedge: a sum of external degrees of 2 * limit fits.
  CheckHGraphInput__("who", 2, 1, vw, eptr, eind, hw, 2);
  vw[1] = 6;
  EXPECT_EXIT(CheckHGraphInput__("who", 2, 1, vw, eptr, eind, hw, 0), exit1,
              "^who: the total vertex weight 1073741824 exceeds the limit 1073741823\\.\n");
  vw[1] = 5;
  const int two[] = {kMaxTotalWeight, 1}, twoptr[] = {0, 1, 2};
  EXPECT_EXIT(CheckHGraphInput__("who", 2, 2, vw, twoptr, eind, two, 0), exit1,
              "^who: the total hyperedge weight 1073741824 exceeds the limit 1073741823\\.\n");
  // Unit weights count too.
  EXPECT_EXIT(CheckHGraphInput__("who", kMaxTotalWeight + 1, 1, nullptr, eptr, eind, nullptr, 0),
              exit1, "^who: the total vertex weight 1073741824 exceeds");
}

TEST(CheckHGraphInputDeath, BoundsTheSumOfExternalDegreesOnlyWhenAskedTo) {
  // Seven pins of weight w = (INT_MAX - 1) / 7 and one single pin: into 7 parts
  // the sum of external degrees can reach 7w + 1 = INT_MAX exactly.
  const int w = (INT_MAX - 1) / 7;
  const int eptr[] = {0, 7, 8}, eind[] = {0, 1, 2, 3, 4, 5, 6, 0};
  int hw[] = {w, 1};
  CheckHGraphInput__("who", 7, 2, nullptr, eptr, eind, hw, 7);
  hw[1] = 2;
  CheckHGraphInput__("who", 7, 2, nullptr, eptr, eind, hw, 6);  // 6w + 2 fits
  CheckHGraphInput__("who", 7, 2, nullptr, eptr, eind, hw, 0);  // not asked for
  EXPECT_EXIT(CheckHGraphInput__("who", 7, 2, nullptr, eptr, eind, hw, 7), exit1,
              "^who: the sum of external degrees into 7 parts can reach 2147483648, past the "
              "limit 2147483647\\.\n");
}

}  // namespace
