#include "app/packed_decimal.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using vx::app::packed_decode;
using vx::app::packed_encode;

TEST(PackedDecimal, SixByteLayout) {
  struct Case {
    std::int64_t scaled;
    unsigned char bytes[6];
  } cases[] = {
      {0, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},
      {12345, {0x00, 0x00, 0x00, 0x01, 0x23, 0x45}},   // 123.45
      {-12345, {0xF0, 0x00, 0x00, 0x01, 0x23, 0x45}},  // -123.45
      {-1, {0xF0, 0x00, 0x00, 0x00, 0x00, 0x01}},      // -0.01
      {99999999999, {0x09, 0x99, 0x99, 0x99, 0x99, 0x99}},
      {-99999999999, {0xF9, 0x99, 0x99, 0x99, 0x99, 0x99}},
      {10203040506, {0x01, 0x02, 0x03, 0x04, 0x05, 0x06}},
  };
  for (const Case& c : cases) {
    unsigned char out[6];
    ASSERT_TRUE(packed_encode(c.scaled, 6, out)) << c.scaled;
    EXPECT_EQ(std::memcmp(out, c.bytes, 6), 0) << c.scaled;
    EXPECT_EQ(packed_decode(c.bytes, 6), c.scaled);
  }
}

TEST(PackedDecimal, ValuesThatDoNotFitLeaveTheFieldAlone) {
  unsigned char out[6] = {1, 2, 3, 4, 5, 6};
  const unsigned char before[6] = {1, 2, 3, 4, 5, 6};
  for (std::int64_t v :
       std::initializer_list<std::int64_t>{100000000000LL, -100000000000LL, INT64_MAX, INT64_MIN}) {
    EXPECT_FALSE(packed_encode(v, 6, out)) << v;
    EXPECT_EQ(std::memcmp(out, before, 6), 0);
  }
  EXPECT_FALSE(packed_encode(1, 0, out));
  EXPECT_FALSE(packed_encode(1, 10, out));
  unsigned char one[1];
  EXPECT_TRUE(packed_encode(-9, 1, one));
  EXPECT_EQ(one[0], 0xF9);
  EXPECT_FALSE(packed_encode(10, 1, one));
}

TEST(PackedDecimal, OddBytesReadSafely) {
  const unsigned char minus_zero[6] = {0xF0, 0, 0, 0, 0, 0};
  EXPECT_EQ(packed_decode(minus_zero, 6), 0);
  const unsigned char other_sign[6] = {0xD0, 0, 0, 0, 0, 0x42};
  EXPECT_EQ(packed_decode(other_sign, 6), -42);
  const unsigned char bad_digits[6] = {0x0A, 0xFF, 0, 0, 0, 0x0C};
  EXPECT_EQ(packed_decode(bad_digits, 6), 99900000009LL);
}

TEST(PackedDecimal, RoundTripsAcrossTheRange) {
  std::vector<std::int64_t> values = {1, 9, 10, 99, 100, 123456789, 99999999998LL};
  for (std::int64_t v = 1; v < 99999999999LL; v = v * 7 + 3) values.push_back(v);
  for (std::int64_t v : values) {
    for (std::int64_t s : {v, -v}) {
      unsigned char out[6];
      ASSERT_TRUE(packed_encode(s, 6, out)) << s;
      EXPECT_EQ(packed_decode(out, 6), s);
    }
  }
}

}  // namespace
