// The programs' allocation functions: every block of at least 1 MiB is made of
// whole 2 MiB pages and asks the kernel to back them with huge pages. A model at
// full size touches some hundred megabytes once; with 4 KiB pages each first
// touch is a page fault, and on virtual machines whose host backs guest memory
// lazily those faults cost more than reading the model. Small blocks, and
// systems where huge pages are off, take the plain allocator's way.
#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

constexpr std::uintptr_t huge_page = std::uintptr_t{2} << 20;

void* allocate(std::size_t size) noexcept {
  if (size < huge_page / 2) return std::malloc(size == 0 ? 1 : size);
  // whole huge pages, aligned, so that every byte of the block can lie on them
  const std::size_t whole = (size + huge_page - 1) & ~(huge_page - 1);
  if (whole < size) return nullptr;
  void* p = std::aligned_alloc(huge_page, whole);
  // advice only: where the kernel declines, the block keeps small pages
  if (p != nullptr) madvise(p, whole, MADV_HUGEPAGE);
  return p;
}

void* allocate_or_throw(std::size_t size) {
  if (void* p = allocate(size)) return p;
  throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) { return allocate_or_throw(size); }
void* operator new[](std::size_t size) { return allocate_or_throw(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
