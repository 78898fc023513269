#include "AllocationCounter.h"

#include <cstdlib>
#include <new>

namespace {

long long allocations = 0;
bool counting = true;
int outside = 0;

void* Allocate(std::size_t size) {
  if (counting && outside == 0)
    ++allocations;
  return std::malloc(size != 0 ? size : 1);
}

}  // namespace

namespace kestrin::bench {

long long Allocations() {
  return allocations;
}
void SetCounting(bool on) {
  counting = on;
}
Outside::Outside() {
  ++outside;
}
Outside::~Outside() {
  --outside;
}

}  // namespace kestrin::bench

void* operator new(std::size_t size) {
  if (void* p = Allocate(size))
    return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
  if (void* p = Allocate(size))
    return p;
  throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return Allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return Allocate(size);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
