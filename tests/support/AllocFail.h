// Test-only allocation failure switch.
//
// The test binaries replace the global operator new family (see AllocFail.cpp);
// the product code is untouched. Arm the switch to let `skip` further
// allocations succeed and then fail the next `count` ones: throwing forms throw
// std::bad_alloc, nothrow forms return null. Keep the armed region small:
// GoogleTest allocates too.
#pragma once
#include <cstddef>

namespace iwtest {

void ArmAllocFailure(long skip, long count = 1);
void DisarmAllocFailure();
long AllocationsFailed();   // how many were failed since the last Arm

// Scoped form: armed for the lifetime of the object.
class AllocFailScope {
public:
    explicit AllocFailScope(long skip, long count = 1) { ArmAllocFailure(skip, count); }
    ~AllocFailScope() { DisarmAllocFailure(); }
    AllocFailScope(const AllocFailScope&) = delete;
    AllocFailScope& operator=(const AllocFailScope&) = delete;
};

}  // namespace iwtest
