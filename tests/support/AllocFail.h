// Test-only allocation failure switch and allocation counter.
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

// Successful allocations through the operator new family since the start of
// the test binary (failed ones are not counted), and their bytes.
long AllocationCount();
unsigned long long AllocatedBytes();

// Counts the allocations made during its lifetime.
class AllocationCounter {
public:
    AllocationCounter() : StartCount(AllocationCount()), StartBytes(AllocatedBytes()) {}
    long Count() const { return AllocationCount() - StartCount; }
    unsigned long long Bytes() const { return AllocatedBytes() - StartBytes; }

private:
    long StartCount;
    unsigned long long StartBytes;
};

// Scoped form: armed for the lifetime of the object.
class AllocFailScope {
public:
    explicit AllocFailScope(long skip, long count = 1) { ArmAllocFailure(skip, count); }
    ~AllocFailScope() { DisarmAllocFailure(); }
    AllocFailScope(const AllocFailScope&) = delete;
    AllocFailScope& operator=(const AllocFailScope&) = delete;
};

}  // namespace iwtest
