#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "util/util.h"

// Every unsigned int comes back from its varint, in as many bytes as
// VarintBytes__ says, seven bits to a byte.
TEST(Varint, RoundTripsAndLengths) {
  std::vector<uint32_t> values = {0, 1, 127, 128, 16383, 16384, (1u << 21) - 1, 1u << 21,
                                  (1u << 28) - 1, 1u << 28, UINT32_MAX};
  for (uint32_t x = 1; x < (1u << 31); x = x * 3 + 1) values.push_back(x);
  std::vector<unsigned char> buf(5 * values.size());
  unsigned char *p = buf.data();
  for (uint32_t x : values) {
    unsigned char *next = PutVarint__(p, x);
    int expected = 1;
    for (uint32_t y = x; y >= 128; y >>= 7) ++expected;
    ASSERT_EQ(next - p, expected) << x;
    ASSERT_EQ(VarintBytes__(x), expected) << x;
    p = next;
  }
  const unsigned char *q = buf.data();
  for (uint32_t x : values) ASSERT_EQ(GetVarint__(q), x);
  EXPECT_EQ(q, p);
}
