#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "util/util.h"

TEST(Vector, ExtremesReturnFirstIndexOnTies) {
  int a[] = {3, 7, 7};
  int b[] = {5, 2, 2};
  EXPECT_EQ(iamax__(3, a), 1);
  EXPECT_EQ(iamin__(3, b), 1);
  EXPECT_EQ(iamax__(1, a), 0);
  EXPECT_EQ(iamax__(0, a), 0);
  EXPECT_EQ(iamin__(-2, b), 0);
}

TEST(Vector, SumsTakeNoAbsoluteValues) {
  int a[] = {-1, 1};
  float f[] = {-1.5f, 0.5f};
  double d[] = {-2.0, 1.0};
  EXPECT_EQ(iasum__(2, a), 0);
  EXPECT_EQ(sasum__(2, f), -1.0f);
  EXPECT_EQ(dasum__(2, d), -1.0);
  EXPECT_EQ(iasum__(0, a), 0);
}

TEST(Vector, SetWithZeroLengthLeavesArrayUntouched) {
  int a[] = {4, 5};
  iset__(0, 9, a);
  EXPECT_EQ(a[0], 4);
  EXPECT_EQ(iset__(2, 9, a), a);
  EXPECT_EQ(a[1], 9);
}

TEST(Vector, RoutinesMatchElementwiseLoopsOnRandomVectors) {
  std::mt19937 rng(7);
  for (int trial = 0; trial < 50; ++trial) {
    int n = rng() % 40;
    std::vector<int> xi(n), yi(n);
    std::vector<double> x(n), y(n), y0;
    for (int i = 0; i < n; ++i) {
      xi[i] = static_cast<int>(rng() % 21) - 10;
      x[i] = xi[i] * 0.25;
      y[i] = static_cast<int>(rng() % 9) - 4;
    }
    y0 = y;
    int mx = 0, mn = 0, sum = 0;
    double dot = 0, sq = 0;
    for (int i = 0; i < n; ++i) {
      if (xi[i] > xi[mx]) mx = i;
      if (xi[i] < xi[mn]) mn = i;
      sum += xi[i];
      dot += x[i] * y[i];
      sq += x[i] * x[i];
    }
    EXPECT_EQ(iamax__(n, xi.data()), mx);
    EXPECT_EQ(iamin__(n, xi.data()), mn);
    EXPECT_EQ(iasum__(n, xi.data()), sum);
    EXPECT_DOUBLE_EQ(ddot__(n, x.data(), y.data()), dot);
    EXPECT_DOUBLE_EQ(dnrm2__(n, x.data()), std::sqrt(sq));
    icopy__(n, xi.data(), yi.data());
    EXPECT_EQ(yi, xi);
    daxpy__(n, 2.0, x.data(), y.data());
    for (int i = 0; i < n; ++i) EXPECT_DOUBLE_EQ(y[i], y0[i] + 2.0 * x[i]);
    dscal__(n, -1.0, y.data());
    dswap__(n, x.data(), y.data());
    for (int i = 0; i < n; ++i) EXPECT_DOUBLE_EQ(x[i], -(y0[i] + 2.0 * y[i]));
    std::vector<double> c(n);
    dcopy__(n, y.data(), c.data());
    EXPECT_EQ(c, y);
  }
}
