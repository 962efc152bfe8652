#pragma once
// The test program's own operator new and delete: they count live blocks and how often
// WatchedBlock is given back, which is then kept so that a second delete is counted instead
// of corrupting the heap. Include in one file per test program only.
#include <cstdlib>
#include <new>

static long LiveBlocks = 0;
static void* WatchedBlock = nullptr;
static int WatchedDeletes = 0;

void* operator new(size_t size) {
  void* p = std::malloc(size ? size : 1);
  if (!p) std::abort();
  ++LiveBlocks;
  return p;
}
void operator delete(void* p) noexcept {
  if (!p) return;
  --LiveBlocks;
  if (p == WatchedBlock) ++WatchedDeletes;
  else std::free(p);
}
void operator delete(void* p, size_t) noexcept { operator delete(p); }
