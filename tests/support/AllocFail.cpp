#include "AllocFail.h"

#include <cstdlib>
#include <new>

namespace {
// One thread per test binary; plain globals are enough.
bool g_armed = false;
long g_skip = 0;
long g_count = 0;
long g_failed = 0;
long g_allocations = 0;
unsigned long long g_allocatedBytes = 0;

bool ShouldFail() {
    if (!g_armed) return false;
    if (g_skip > 0) { --g_skip; return false; }
    if (g_count > 0) {
        --g_count;
        ++g_failed;
        if (g_count == 0) g_armed = false;
        return true;
    }
    return false;
}

void* Allocate(std::size_t n) {
    if (ShouldFail()) return nullptr;
    void* p = std::malloc(n ? n : 1);
    if (p) {
        ++g_allocations;
        g_allocatedBytes += n;
    }
    return p;
}
}  // namespace

namespace iwtest {
void ArmAllocFailure(long skip, long count) {
    g_skip = skip; g_count = count; g_failed = 0; g_armed = count > 0;
}
void DisarmAllocFailure() { g_armed = false; g_skip = 0; g_count = 0; }
long AllocationsFailed() { return g_failed; }
long AllocationCount() { return g_allocations; }
unsigned long long AllocatedBytes() { return g_allocatedBytes; }
}  // namespace iwtest

void* operator new(std::size_t n) {
    if (void* p = Allocate(n)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
    if (void* p = Allocate(n)) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return Allocate(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return Allocate(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
