#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <new>
#include <vector>

namespace {

constexpr std::uintptr_t kPaginaGrande = std::uintptr_t{2} << 20;

TEST(LinuxAllocator, LargeBlocksStartOnAHugePage) {
  std::vector<double> piano(450000, 1.5);  // the plan of a 225 km line
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(piano.data()) % kPaginaGrande, 0u);
  EXPECT_EQ(piano.back(), 1.5);
}

TEST(LinuxAllocator, SmallBlocksAndEmptyRequestsAreOrdinary) {
  std::unique_ptr<char[]> vuoto(new char[0]);
  std::unique_ptr<char[]> piccolo(new char[100]);
  EXPECT_NE(vuoto.get(), nullptr);
  EXPECT_NE(vuoto.get(), piccolo.get());
}

// A size whose rounding up to the huge page would wrap around.
TEST(LinuxAllocator, ImpossibleSizeThrowsBadAlloc) {
  volatile std::size_t enorme = SIZE_MAX - 100;
  EXPECT_THROW(static_cast<void>(::operator new(enorme)), std::bad_alloc);
}

}  // namespace
