#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
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

// An empty request still gets a block of its own: a distinct pointer each
// time, alive until it is freed, however many are taken.
TEST(LinuxAllocator, SmallBlocksAndEmptyRequestsAreOrdinary) {
  std::vector<void*> vuoti;
  for (int i = 0; i < 64; ++i) vuoti.push_back(::operator new(0));
  std::unique_ptr<char[]> piccolo(new char[100]);
  std::memset(piccolo.get(), 0x5a, 100);
  std::vector<void*> ordinati = vuoti;
  ordinati.push_back(piccolo.get());
  std::sort(ordinati.begin(), ordinati.end());
  EXPECT_EQ(std::adjacent_find(ordinati.begin(), ordinati.end()), ordinati.end());
  for (void* p : vuoti) ::operator delete(p);
  EXPECT_EQ(piccolo[99], 0x5a);
}

// A size whose rounding up to the huge page would wrap around.
TEST(LinuxAllocator, ImpossibleSizeThrowsBadAlloc) {
  volatile std::size_t enorme = SIZE_MAX - 100;
  EXPECT_THROW(static_cast<void>(::operator new(enorme)), std::bad_alloc);
}

}  // namespace
