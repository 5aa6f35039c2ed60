// Vector routines in the style of the basic linear algebra subprograms: unit
// stride, explicit length first; lengths <= 0 do nothing.
#include <cmath>
#include <cstring>

#include "util/util.h"

int *iset__(int n, int value, int *x) {
  for (int i = 0; i < n; ++i) x[i] = value;
  return x;
}

int *icopy__(int n, const int *src, int *dst) {
  if (n > 0) std::memcpy(dst, src, sizeof(int) * static_cast<size_t>(n));
  return dst;
}

double *dcopy__(int n, const double *src, double *dst) {
  if (n > 0) std::memcpy(dst, src, sizeof(double) * static_cast<size_t>(n));
  return dst;
}

int iasum__(int n, const int *x) {
  int sum = 0;
  for (int i = 0; i < n; ++i) sum += x[i];
  return sum;
}

float sasum__(int n, const float *x) {
  float sum = 0.0f;
  for (int i = 0; i < n; ++i) sum += x[i];
  return sum;
}

double dasum__(int n, const double *x) {
  double sum = 0.0;
  for (int i = 0; i < n; ++i) sum += x[i];
  return sum;
}

// The first index of the largest entry (strict comparison keeps the first).
int iamax__(int n, const int *x) {
  int max = 0;
  for (int i = 1; i < n; ++i)
    if (x[i] > x[max]) max = i;
  return max;
}

int iamin__(int n, const int *x) {
  int min = 0;
  for (int i = 1; i < n; ++i)
    if (x[i] < x[min]) min = i;
  return min;
}

void daxpy__(int n, double alpha, const double *x, double *y) {
  for (int i = 0; i < n; ++i) y[i] += alpha * x[i];
}

double ddot__(int n, const double *x, const double *y) {
  double sum = 0.0;
  for (int i = 0; i < n; ++i) sum += x[i] * y[i];
  return sum;
}

double dnrm2__(int n, const double *x) {
  double sum = 0.0;
  for (int i = 0; i < n; ++i) sum += x[i] * x[i];
  return std::sqrt(sum);
}

void dscal__(int n, double alpha, double *x) {
  for (int i = 0; i < n; ++i) x[i] *= alpha;
}

void dswap__(int n, double *x, double *y) {
  for (int i = 0; i < n; ++i) {
    double t = x[i];
    x[i] = y[i];
    y[i] = t;
  }
}
