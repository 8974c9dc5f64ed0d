// The Linux program's allocator: blocks of 2 MiB and more come in
// transparent huge pages.  A run touches every page of the line's plan
// (megabytes, one point a metre) exactly once, and on 4 KiB pages the
// first-touch faults took about a fifth of the run.  Only the console
// program and its tests link this file; the sanitizer builds keep the
// standard allocator, whose checks they rely on.
#include <cstdint>
#include <cstdlib>
#include <new>

#include <sys/mman.h>

namespace {

constexpr std::size_t kPaginaGrande = std::size_t{2} << 20;

void* blocco(std::size_t n) {
  if (n < kPaginaGrande) return std::malloc(n != 0 ? n : 1);
  if (n > SIZE_MAX - kPaginaGrande) return nullptr;
  const std::size_t intero = (n + kPaginaGrande - 1) & ~(kPaginaGrande - 1);
  void* p = std::aligned_alloc(kPaginaGrande, intero);
  // Only a hint: where the kernel declines it the pages are small ones.
  if (p != nullptr) ::madvise(p, intero, MADV_HUGEPAGE);
  return p;
}

}  // namespace

void* operator new(std::size_t n) {
  for (;;) {
    if (void* p = blocco(n)) return p;
    std::new_handler gestore = std::get_new_handler();
    if (gestore == nullptr) throw std::bad_alloc();
    gestore();
  }
}

void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
