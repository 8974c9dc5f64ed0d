#include "compiler/arrotonda.h"

#include <gtest/gtest.h>

namespace valdoro {
namespace {

TEST(Nearest, HalvesGoToTheEvenNeighbour) {
  struct {
    double x;
    int32_t atteso;
  } casi[] = {{2.5, 2},    {3.5, 4},    {-2.5, -2}, {-3.5, -4}, {12.5, 12}, {13.5, 14},
              {2.4999, 2}, {2.5001, 3}, {-0.5, 0},  {0.5, 0},   {1.5, 2},   {4500.0, 4500}};
  for (const auto& c : casi) EXPECT_EQ(nearest(c.x), c.atteso) << c.x;
}

TEST(Nearest, ResultsThatDoNotFitAreFaults) {
  EXPECT_THROW(nearest(3e9), std::range_error);
  EXPECT_THROW(nearest16(32767.5 + 1), std::range_error);
  EXPECT_EQ(nearest16(32767.4), 32767);
  EXPECT_EQ(nearest16(-32768.5), -32768);
}

}  // namespace
}  // namespace valdoro
